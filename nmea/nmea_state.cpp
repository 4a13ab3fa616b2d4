#include "nmea/nmea_state.h"

#include "nmea/nav_record.h"
#include "nmea/sentence_assembler.h"

NavRecord Nav;
SentenceAssembler Assembler;

void ResetNmeaState() {
    Nav = {};
    Assembler = {};
}

void ForgetDecodedState() {
    const int32_t counted = Nav.noFixSeconds;
    Nav = {};
    Nav.noFixSeconds = counted;
    Assembler = {};
}
