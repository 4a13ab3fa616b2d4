#include "serial/com_port.h"

HANDLE OpenComPort(int portNumber) {
    // The device name carries the port number as one digit.
    if (portNumber < 1 || portNumber > 9) return INVALID_HANDLE_VALUE;
    const WCHAR name[] = {u'C', u'O', u'M', static_cast<WCHAR>(u'0' + portNumber), u':', 0};
    HANDLE port =
        CreateFileW(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (port == INVALID_HANDLE_VALUE) return port;

    // Only the line format changes; everything else stays as the port had it. A port that
    // refuses the settings is still used as it is.
    DCB settings{};
    settings.DCBlength = sizeof(settings);
    GetCommState(port, &settings);
    settings.BaudRate = CBR_4800;
    settings.ByteSize = 8;
    settings.Parity = NOPARITY;
    settings.StopBits = ONESTOPBIT;
    SetCommState(port, &settings);
    return port;
}

int32_t ReadAvailable(HANDLE port) {
    DWORD errors = 0;
    COMSTAT status{};
    if (!ClearCommError(port, &errors, &status)) {
        // Whatever is queued behind an error is not trusted.
        PurgeComm(port, PURGE_RXCLEAR);
        return 0;
    }
    DWORD count = status.cbInQue;
    if (count > static_cast<DWORD>(kMaxReadBytes)) count = kMaxReadBytes;
    // Asking for no more than is queued is what keeps the read from waiting.
    if (count == 0) return 0;
    DWORD got = 0;
    ReadFile(port, ReadBuffer, count, &got, nullptr);
    if (got > count) got = count;
    return static_cast<int32_t>(got);
}
