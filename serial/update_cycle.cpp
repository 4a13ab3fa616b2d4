#include "serial/update_cycle.h"

#include "nmea/nav_record.h"
#include "screen/drawing_resources.h"
#include "screen/sentence_stream.h"
#include "serial/com_port.h"
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

}  // namespace

void UpdateTick(HWND window) {
    HDC dc = GetDC(window);
    const int32_t count = ReadAvailable(ComPort);

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

    if (count > 0) ProcessChunk(window, dc, ReadBuffer, count);
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
