#include "serial/com_port.h"

#include "serial/line_rate.h"

HANDLE OpenComDevice(int portNumber) {
    // The device name carries the port number as one digit.
    static_assert(kComPortCount <= 9);
    if (portNumber < 1 || portNumber > kComPortCount) return INVALID_HANDLE_VALUE;
    const WCHAR name[] = {u'C', u'O', u'M', static_cast<WCHAR>(u'0' + portNumber), u':', 0};
    return CreateFileW(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
}

HANDLE OpenComPort(int portNumber) {
    HANDLE port = OpenComDevice(portNumber);
    if (port == INVALID_HANDLE_VALUE) return port;
    // A serial line that refuses the settings is used as it is; a network
    // source has none.
    if (IsSerialLine(port)) SetLineRate(port, portNumber, OpeningRate());
    return port;
}

int32_t ReadAvailable(HANDLE port, int32_t limit) {
    return ReadAvailableInto(port, ReadBuffer, limit < kReadBufferSize ? limit : kReadBufferSize);
}

int32_t ReadAvailableInto(HANDLE port, uint8_t* buffer, int32_t limit) {
    // More than one read when the host hands out a full queue in parts; never
    // more than has arrived, which is what keeps each read from waiting.
    int32_t got = 0;
    while (got < limit) {
        DWORD errors = 0;
        COMSTAT status{};
        if (!ClearCommError(port, &errors, &status)) {
            if (got > 0) break;  // the failure shows on the next call
            // Whatever is queued behind a failure is not trusted.
            PurgeComm(port, PURGE_RXCLEAR);
            return kPortFailed;
        }
        DWORD count = status.cbInQue;
        if (count > static_cast<DWORD>(limit - got)) count = static_cast<DWORD>(limit - got);
        if (count == 0) break;
        DWORD read = 0;
        if (!ReadFile(port, buffer + got, count, &read, nullptr) && got == 0) {
            return kPortFailed;
        }
        if (read > count) read = count;
        if (read == 0) break;
        got += static_cast<int32_t>(read);
    }
    return got;
}
