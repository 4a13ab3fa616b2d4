#include "serial/update_cycle.h"

#include "nmea/gpsd_reports.h"
#include "screen/fix_panel.h"
#include "screen/forget_source.h"
#include "screen/main_screen.h"
#include "screen/report_stream.h"
#include "screen/sentence_stream.h"
#include "serial/com_port.h"
#include "serial/gpsd_session.h"
#include "serial/line_rate.h"
#include "serial/serial_state.h"
#include "serial/source_silence.h"

namespace {

// A network source can have far more queued than one read takes (a burst
// after an outage, a log replayed at speed): a tick goes on reading, logging
// and decoding until it has taken what was there, but takes no more than
// this and stops reading after this long, so that a flood cannot hold the
// window; the rest waits for the next tick. A megabyte is caught up in four
// ticks where the machine decodes and draws it fast enough.
constexpr int32_t kMostNetworkBytesPerTick = 256 * 1024;
constexpr DWORD kMostNetworkReadingMs = 100;

// Ends logging; false when the log's last bytes may not have reached the
// store, which some stores find out only when they are flushed or closed.
// After a failed write that adds nothing: the user is told once either way.
bool CloseLog() {
    LoggingEnabled = 0;
    bool kept = true;
    if (IsOpenHandle(LogFile)) {
        kept = FlushFileBuffers(LogFile) != FALSE;
        kept = CloseHandle(LogFile) != FALSE && kept;
    }
    LogFile = nullptr;
    CloseGpsdLog();
    return kept;
}

// Appends the bytes to the log; false when they did not all reach it.
bool AppendToLog(const uint8_t* bytes, int32_t count) {
    if (count <= 0 || !IsOpenHandle(LogFile)) return true;
    DWORD written = 0;
    const BOOL ok = WriteFile(LogFile, bytes, static_cast<DWORD>(count), &written, nullptr);
    return ok && written == static_cast<DWORD>(count);
}

// The bytes read from a source that speaks for its receiver: all of them.
// From gpsd what is read is gpsd's reports; the receiver's own bytes come on
// a connection of their own (once a tick).
bool LogReadBytes(int32_t count) {
    return SourceIsGpsd || AppendToLog(ReadBuffer, count);
}

// gpsd's relay of the receiver's bytes, all it has queued (within the
// bounds of a tick): false when the log did not take them all.
bool LogRelayedBytes(DWORD started) {
    if (!SourceIsGpsd) return true;
    int32_t taken = 0;
    for (int32_t count = kReadBufferSize; count == kReadBufferSize &&
                                          taken < kMostNetworkBytesPerTick &&
                                          GetTickCount() - started < kMostNetworkReadingMs;) {
        const uint8_t* bytes = nullptr;
        count = TakeReceiverBytes(&bytes);
        if (!AppendToLog(bytes, count)) return false;
        taken += count;
    }
    return true;
}

// Decodes what was read: sentences, or gpsd's reports.
int32_t Decode(HWND window, HDC dc, int32_t count) {
    if (count <= 0) return 0;
    return SourceIsGpsd ? ProcessReportChunk(window, dc, ReadBuffer, count)
                        : ProcessChunk(window, dc, ReadBuffer, count);
}

// The source has failed: it is let go with all it showed, and the next tick
// searches again as at start-up. An open log stays open for the next
// source's bytes.
void LosePort(HDC dc) {
    ForgetSource(dc);
    WCHAR text[32];
    wsprintfW(text, u"Com%x Lost", ComPortNumber);
    DrawStatusText(dc, text);
    CloseHandle(ComPort);
    ComPort = nullptr;
    SearchPending = 1;
    EndGpsdSession();
}

// What one update has read and decoded so far, and what it met.
struct Update {
    HWND window;
    HDC dc;
    DWORD started;     // GetTickCount when the update began
    int32_t limit;     // the most one read takes
    int32_t count;     // the first read's bytes
    int32_t taken;     // every read's bytes
    int32_t verified;  // sentences that verified
    bool writeFailed;  // the log could not take what was read
};

// The first read: what the source has queued, up to a read's limit. A
// source that fails is let go and counts as having sent nothing.
void ReadSource(Update& update) {
    update.count = ReadAvailable(ComPort, update.limit);
    if (update.count == kPortFailed) {
        LosePort(update.dc);
        update.count = 0;
    }
    update.taken = update.count;
}

// The log gets the bytes before the decoders see them. A log that cannot
// take them all ends: what it holds stays, and the user is told once. The
// Log button says what a press would do.
void LogWhatWasRead(Update& update) {
    if (LoggingEnabled && (!LogReadBytes(update.count) || !LogRelayedBytes(update.started))) {
        CloseLog();
        update.writeFailed = true;
    }
    SetWindowTextW(LogButton, LoggingEnabled ? u"Stop" : u"Log");
}

// Reads once more from a network source that filled the last read, logs and
// decodes what came; the count read, or kPortFailed once the source is lost.
int32_t ReadMore(Update& update) {
    const int32_t count = ReadAvailable(ComPort, update.limit);
    if (count == kPortFailed) {
        LosePort(update.dc);
        return count;
    }
    if (LoggingEnabled && !LogReadBytes(count)) {
        CloseLog();
        update.writeFailed = true;
    }
    update.verified += Decode(update.window, update.dc, count);
    return count;
}

// The no-fix count, then what was read, decoded and drawn; a network source
// that had more queued is read on within the bounds of a tick.
void DecodeAndDraw(Update& update) {
    DrawNoFixCounter(update.dc);
    update.verified = Decode(update.window, update.dc, update.count);
    // A serial line never has more than one read's worth: its limit is a
    // second of the line.
    for (int32_t more = update.count; !SearchPending && LineRate == 0 && more == update.limit &&
                                      update.taken < kMostNetworkBytesPerTick &&
                                      GetTickCount() - update.started < kMostNetworkReadingMs;) {
        more = ReadMore(update);
        if (more > 0) update.taken += more;
    }
}

// The line rate and the silence watch follow what the tick took.
void FollowRate(const Update& update) {
    // gpsd closed the receiver followed (unplugged): that source is gone.
    if (!SearchPending && SourceIsGpsd && Receiver.gone) LosePort(update.dc);
    if (!SearchPending) FollowLineRate(update.dc, update.taken, update.verified);
    FollowSilence(update.dc, update.taken);
}

}  // namespace

void UpdateTick(HWND window) {
    const DWORD started = GetTickCount();
    Update update{window, GetDC(window), started, ReadLimitFor(LineRate), 0, 0, 0, false};
    ReadSource(update);
    LogWhatWasRead(update);
    DecodeAndDraw(update);
    FollowRate(update);
    // Once everything of the tick is decoded; it also counts the seconds of
    // a wait for the first fix and of a silence.
    DrawFixPanel(update.dc);
    ReleaseDC(window, update.dc);
    // Last, once the tick has drawn everything: the box runs its own message loop.
    if (update.writeFailed) MessageBoxW(window, u"Write Error", u"Write Error", MB_OK);
}

void ToggleLogging(HWND window) {
    if (LoggingEnabled) {
        // A log whose last bytes the store refused at the end has failed as
        // a write does, and is said the same way.
        if (!CloseLog()) MessageBoxW(window, u"Write Error", u"Write Error", MB_OK);
        return;
    }
    HANDLE file = CreateFileW(u"NMEADataLog.TXT", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                              nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        // Logging stays off, so the button keeps saying "Log" and the next press tries again.
        LogFile = nullptr;
        MessageBoxW(window, u"Open Error", u"Open Error", MB_OK);
        return;
    }
    // Set before anything else runs: ticks see a consistent pair.
    LogFile = file;
    LoggingEnabled = 1;
}
