#include "nmea/nmea_state.h"

#include "nmea/gpsd_reports.h"
#include "nmea/nav_record.h"
#include "nmea/report_lines.h"
#include "nmea/sentence_assembler.h"

NavRecord Nav;
SentenceAssembler Assembler;
ReportLineAssembler ReportLines;

void ResetNmeaState() {
    Nav = {};
    Assembler = {};
    ReportLines = {};
    ResetGpsdReports();
}

void ForgetDecodedState() {
    const int32_t counted = Nav.noFixSeconds;
    Nav = {};
    Nav.noFixSeconds = counted;
    Assembler = {};
    ReportLines = {};
}
