// gpsd's reports, one JSON line at a time, read by gpsd's own client library
// (libgps) into the decoded-state record: the fix (TPV), the satellites and the
// dilutions of precision (SKY), the error estimates (GST), and which receiver
// answers with which driver (DEVICE, DEVICES). A source follows one receiver
// of those gpsd holds; reports of the others are left alone.
#pragma once

#include <cstdint>

#include "nmea/nav_record.h"

// What a line from gpsd was, for the screen.
enum class ReportKind : uint8_t {
    kUnreadable,   // no report: not a JSON object that starts with its class, cut short, or
                   // not as libgps reads that class
    kRefusal,      // gpsd's ERROR: a command it did not take (GpsdRefusal says why)
    kOtherDevice,  // a report of a receiver this source does not follow
    kReply,        // gpsd's answer to a command (VERSION, WATCH): nothing to show
    kDevice,       // DEVICE or DEVICES: the receiver and its driver
    kFix,          // TPV
    kSky,          // SKY
    kAccuracy,     // GST
    kOther,        // another report of the receiver followed (RTCM3, ATT, ...), or of a class
                   // that libgps does not know
};

// gpsd's longest device path, and its driver names, terminators included.
inline constexpr int kGpsdPathCapacity = 128;
inline constexpr int kGpsdDriverCapacity = 64;
inline constexpr int kGpsdClassCapacity = 16;

// Which receiver a gpsd source follows, and what gpsd last said of it.
struct GpsdReceiver {
    char device[kGpsdPathCapacity];  // "" until named or reported
    char driver[kGpsdDriverCapacity];
    bool named;  // the source names its device; otherwise the first gpsd reports
    bool held;   // gpsd listed it in its latest DEVICES or DEVICE report
    bool gone;   // gpsd reported it closed: the receiver went away
    char lastClass[kGpsdClassCapacity];  // the class of the latest report decoded
    char refusal[256];                   // the message of gpsd's latest ERROR
};

extern GpsdReceiver Receiver;

// libgps's reader of one report, libgps_json_unpack: exported by libgps though
// gps.h does not declare it. gps_unpack() goes on to read whatever follows a
// report that failed, and with a class further on it reads the same text again
// for ever (libgps of gpsd 3.22, found by fuzzing: one DEVICES report listing
// five receivers does it); a line holds one report, so it is read once.
// libgps is loaded only when a gpsd source is met, so the reader is handed in.
struct gps_data_t;
using GpsdReportReader = int (*)(const char* line, gps_data_t* data, const char** end);
inline constexpr char16_t kGpsdReportReaderName[] = u"libgps_json_unpack";
// Until a reader is given (null takes it back), every line is kUnreadable.
void UseGpsdReportReader(GpsdReportReader reader);
bool HaveGpsdReportReader();

// Starts following a receiver: the device named, or with an empty name the
// first that gpsd reports. Forgets what gpsd said before.
void FollowGpsdReceiver(const char* device);

// Decodes one line (NUL-terminated at length; libgps parses it in place, so
// it may change) into the record. cut: the line lost its tail.
ReportKind DecodeGpsdReport(NavRecord& record, char* line, int32_t length, bool cut);

// Back to the state a fresh process has.
void ResetGpsdReports();
