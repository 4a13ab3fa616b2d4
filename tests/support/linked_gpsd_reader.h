// For tests that decode gpsd's reports below the serial layer, which loads
// libgps for the program: the reader from libgps linked into the test.
#pragma once

#include "nmea/gpsd_reports.h"

extern "C" int libgps_json_unpack(const char* line, gps_data_t* data, const char** end);

namespace test_support {

inline void UseLinkedGpsdReportReader() {
    UseGpsdReportReader(libgps_json_unpack);
}

}  // namespace test_support
