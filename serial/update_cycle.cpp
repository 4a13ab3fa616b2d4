#include "serial/update_cycle.h"

#include "nmea/nav_record.h"
#include "screen/drawing_resources.h"
#include "screen/main_screen.h"
#include "screen/sentence_stream.h"
#include "serial/com_port.h"
#include "serial/line_rate.h"
#include "serial/serial_state.h"

namespace {

bool IsOpenHandle(HANDLE h) {
    return h != nullptr && h != INVALID_HANDLE_VALUE;
}

void CloseLog() {
    LoggingEnabled = 0;
    if (IsOpenHandle(LogFile)) CloseHandle(LogFile);
    LogFile = nullptr;
}

// Appends the bytes to the log; false when they did not all reach it.
bool AppendToLog(int32_t count) {
    if (count <= 0 || !IsOpenHandle(LogFile)) return true;
    DWORD written = 0;
    const BOOL ok = WriteFile(LogFile, ReadBuffer, static_cast<DWORD>(count), &written, nullptr);
    return ok && written == static_cast<DWORD>(count);
}

// The source has failed: it is let go, and the next tick searches again as
// at start-up. An open log stays open for the next source's bytes.
void LosePort(HDC dc) {
    WCHAR text[32];
    const int length = wsprintfW(text, u"Com%x Lost", ComPortNumber);
    DrawSentenceEcho(dc, text, length);
    CloseHandle(ComPort);
    ComPort = nullptr;
    SearchPending = 1;
}

}  // namespace

void UpdateTick(HWND window) {
    HDC dc = GetDC(window);
    int32_t count = ReadAvailable(ComPort, ReadLimitFor(LineRate));
    if (count == kPortFailed) {
        LosePort(dc);
        count = 0;
    }

    // The log gets the bytes before the decoders see them. A log that cannot
    // take them all ends: what it holds stays, and the user is told once.
    bool writeFailed = false;
    if (LoggingEnabled && !AppendToLog(count)) {
        CloseLog();
        writeFailed = true;
    }
    SetWindowTextW(LogButton, LoggingEnabled ? u"Stop" : u"Log");

    // Room for "-2147483648s" and the terminator.
    WCHAR counter[16];
    const int length = wsprintfW(counter, u"%3ds", Nav.noFixSeconds);
    ScratchRect = RECT{0, 100, 25, 135};
    DrawTextW(dc, counter, length, &ScratchRect, DT_SINGLELINE);

    const int32_t verified = count > 0 ? ProcessChunk(window, dc, ReadBuffer, count) : 0;
    if (!SearchPending) FollowLineRate(dc, count, verified);
    ReleaseDC(window, dc);
    // Last, once the tick has drawn everything: the box runs its own message loop.
    if (writeFailed) MessageBoxW(window, u"Write Error", u"Write Error", MB_OK);
}

void ToggleLogging(HWND window) {
    if (LoggingEnabled) {
        CloseLog();
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
