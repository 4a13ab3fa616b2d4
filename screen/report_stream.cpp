#include "screen/report_stream.h"

#include "nmea/gpsd_reports.h"
#include "nmea/nav_record.h"
#include "nmea/reception.h"
#include "nmea/report_lines.h"
#include "screen/main_screen.h"

namespace {

// The chunk's last text for the status line: each covers the one before, and
// nothing reaches the display within a chunk, so only the last is drawn.
struct PendingStatus {
    bool any;
    int32_t length;
    WCHAR text[160];
};
PendingStatus pendingStatus;

void Append(const char* text) {
    constexpr int32_t kCapacity = sizeof pendingStatus.text / sizeof pendingStatus.text[0];
    for (; *text != '\0' && pendingStatus.length < kCapacity; ++text) {
        const auto byte = static_cast<unsigned char>(*text);
        // gpsd's texts are ASCII; anything else is not shown as if it were.
        pendingStatus.text[pendingStatus.length++] =
            byte >= 0x20 && byte < 0x7F ? static_cast<WCHAR>(byte) : u'?';
    }
}

void HoldStatus(const char* first, const char* second = "", const char* third = "") {
    pendingStatus.any = true;
    pendingStatus.length = 0;
    Append(first);
    if (*second != '\0') Append(" ");
    Append(second);
    if (*third != '\0') Append(" ");
    Append(third);
}

// The report with the receiver it speaks for and gpsd's driver for it; a
// list of gpsd's receivers says whether it holds the one followed.
void HoldReport(bool deviceList) {
    const char* driver = Receiver.driver;
    if (Receiver.gone) {
        driver = "closed";
    } else if (deviceList && !Receiver.held) {
        driver = Receiver.device[0] != '\0' ? "not held" : "none held";
    }
    HoldStatus(Receiver.lastClass, Receiver.device, driver);
}

struct ChunkOutcome {
    int32_t reports;
    bool failed;
    bool fix;
    bool sky;
};

void HandleLine(ChunkOutcome& outcome, char* line, int32_t length, bool cut, uint32_t tickMs) {
    // A bare line end carries nothing.
    if (length == 0 && !cut) return;
    const ReportKind kind = DecodeGpsdReport(Nav, line, length, cut);
    // gpsd's reports of the receiver followed are what it says: its fix, its
    // sky, its error and the rest of its output (not gpsd's answers and lists).
    if (kind == ReportKind::kFix || kind == ReportKind::kSky || kind == ReportKind::kAccuracy ||
        kind == ReportKind::kOther) {
        NoteHeard(Nav, tickMs);
    }
    if (kind == ReportKind::kFix) NoteFixIfAny(Nav, tickMs);
    switch (kind) {
        case ReportKind::kUnreadable:
            outcome.failed = true;
            return;
        case ReportKind::kRefusal:
            outcome.failed = true;
            HoldStatus("gpsd:", Receiver.refusal);
            return;
        case ReportKind::kOtherDevice:
        case ReportKind::kReply:
            return;
        case ReportKind::kFix:
            outcome.fix = true;
            break;
        case ReportKind::kSky:
            outcome.sky = true;
            break;
        case ReportKind::kOther:
            // Corrections and the like: nothing the screen shows.
            ++outcome.reports;
            return;
        case ReportKind::kDevice:
        case ReportKind::kAccuracy:
            break;
    }
    ++outcome.reports;
    HoldReport(kind == ReportKind::kDevice);
}

}  // namespace

int32_t ProcessReportChunk(HWND /*window*/, HDC dc, const uint8_t* bytes, int32_t count) {
    DrawChecksumMarkReset(dc);
    if (bytes == nullptr) return 0;
    pendingStatus.any = false;
    ChunkOutcome outcome{};
    const int32_t fixTypeBefore = Nav.fixType;
    // Every report of a chunk arrived by this tick.
    const uint32_t tickMs = GetTickCount();
    AssembleReportLines(ReportLines, bytes, count,
                        [&outcome, tickMs](char* line, int32_t length, bool cut) {
                            HandleLine(outcome, line, length, cut, tickMs);
                        });
    if (outcome.failed) DrawChecksumFailureMark(dc);
    // Each field once a chunk, however many reports changed it.
    if (outcome.fix) {
        RefreshGga(dc);
        RefreshRmc(dc);
    }
    if (outcome.sky) RefreshGsa(dc);
    // The plot shows the fix type too.
    if (outcome.sky || Nav.fixType != fixTypeBefore) RefreshGsv(dc);
    if (pendingStatus.any) DrawSentenceEcho(dc, pendingStatus.text, pendingStatus.length);
    return outcome.reports;
}
