#include "serial/gpsd_library.h"

#include "nmea/gpsd_reports.h"
#include "win/windows.h"

bool LoadGpsdReportReader() {
    if (HaveGpsdReportReader()) return true;
    HMODULE library = LoadLibraryW(u"" GPSD_CLIENT_LIBRARY);
    if (library == nullptr) {
        OutputDebugStringW(
            u"gpsd sources need gpsd's client "
            u"library " GPSD_CLIENT_LIBRARY u": sudo apt install " GPSD_CLIENT_PACKAGE);
        return false;
    }
    const auto reader =
        reinterpret_cast<GpsdReportReader>(GetProcAddressW(library, kGpsdReportReaderName));
    if (reader == nullptr) {
        OutputDebugStringW(
            u"gpsd's client "
            u"library"
            u" " GPSD_CLIENT_LIBRARY u" has no libgps_json_unpack: gpsd's reports cannot be read");
        FreeLibrary(library);
        return false;
    }
    UseGpsdReportReader(reader);
    return true;
}
