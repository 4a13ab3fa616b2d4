#include "screen/forget_source.h"

#include "nmea/nmea_state.h"
#include "screen/main_screen.h"

void ForgetSource(HDC dc) {
    ForgetDecodedState();
    DrawEmptyScreen(dc);
}
