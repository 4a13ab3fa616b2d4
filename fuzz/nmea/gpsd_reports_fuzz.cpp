// Arbitrary bytes as gpsd's reports: through the line assembler in chunks, the report decoder
// (libgps's parser under it) and the sky view, checking what reaches the record.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "nmea/gpsd_reports.h"

extern "C" int libgps_json_unpack(const char* line, gps_data_t* data, const char** end);
#include "nmea/nav_record.h"
#include "nmea/nmea_state.h"
#include "nmea/report_lines.h"
#include "nmea/sky_view.h"

namespace {

void Check(bool condition) {
    if (!condition) __builtin_trap();
}

template <int kCapacity>
bool Terminated(const char (&text)[kCapacity]) {
    return std::memchr(text, '\0', kCapacity) != nullptr;
}

SkyView view;

void CheckRecord() {
    const ReportedSky& sky = Nav.reportedSky;
    Check(sky.count >= 0 && sky.count <= kReportedSignals);
    for (int32_t i = 0; i < sky.count; ++i) {
        const ReportedSignal& s = sky.signals[i];
        Check(s.number >= 1 && s.number <= kMaxSatelliteNumber);
        Check(static_cast<int>(s.system) < kGnssSystemCount);
        Check(s.snr >= 0.0f && s.snr <= 99.0f);
        if (s.located != 0) Check(s.elevation <= 90 && s.azimuth < 360);
    }
    Check(Nav.fixType >= 0 && Nav.fixType <= 3);
    Check(Nav.fixQuality <= 8);
    Check(Terminated(Receiver.device) && Terminated(Receiver.driver) &&
          Terminated(Receiver.lastClass) && Terminated(Receiver.refusal));
    BuildSkyView(Nav, &view);
    Check(view.count >= 0 && view.count <= kMaxSkySatellites);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ResetNmeaState();
    UseGpsdReportReader(libgps_json_unpack);
    // The first byte picks whether a receiver is named: the input's head, up to a '{'.
    if (size > 0 && data[0] == '/') {
        char device[kGpsdPathCapacity] = {};
        std::size_t n = 0;
        while (n < size && n + 1 < sizeof device && data[n] != '{') {
            device[n] = static_cast<char>(data[n]);
            ++n;
        }
        FollowGpsdReceiver(device);
    }
    const size_t chunk = size == 0 ? 1 : data[size - 1] % 97 + 1;
    for (size_t at = 0; at < size; at += chunk) {
        const size_t n = size - at < chunk ? size - at : chunk;
        AssembleReportLines(ReportLines, data + at, static_cast<int32_t>(n),
                            [](char* line, int32_t length, bool cut) {
                                Check(length >= 0 && length < kReportLineCapacity);
                                Check(line[length] == '\0');
                                (void)DecodeGpsdReport(Nav, line, length, cut);
                                CheckRecord();
                            });
    }
    // The line that never ended, as a report of its own.
    if (ReportLines.length > 0 && ReportLines.length < kReportLineCapacity) {
        ReportLines.text[ReportLines.length] = '\0';
        (void)DecodeGpsdReport(Nav, ReportLines.text, ReportLines.length, ReportLines.cut);
        CheckRecord();
    }
    return 0;
}
