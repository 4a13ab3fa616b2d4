#include "serial/line_rate.h"

#include "screen/main_screen.h"
#include "serial/serial_state.h"

namespace {

// Rates --baud accepts: those the read buffer keeps up with at one read a tick.
constexpr DWORD kAcceptedRates[] = {1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200, 230400};
// Ten bit times a byte with 8N1 framing.
constexpr DWORD kBitsPerByte = 10;
constexpr int32_t kLeastReadLimit = 2000;

bool Equals(const WCHAR* a, const WCHAR* b) {
    for (; *a != 0 && *a == *b; ++a, ++b) {
    }
    return *a == *b;
}

void ShowRate(HDC dc, DWORD rate) {
    WCHAR text[32];
    wsprintfW(text, u"Baud %d Com%x", static_cast<int>(rate), ComPortNumber);
    DrawStatusText(dc, text);
}

}  // namespace

bool ParseBaudSetting(const WCHAR* text, DWORD* setting) {
    if (text == nullptr) return false;
    if (Equals(text, u"auto")) {
        *setting = kAutoBaud;
        return true;
    }
    DWORD value = 0;
    int digits = 0;
    for (; *text >= u'0' && *text <= u'9' && digits < 7; ++text, ++digits)
        value = value * 10 + static_cast<DWORD>(*text - u'0');
    if (*text != 0 || digits == 0) return false;
    for (DWORD rate : kAcceptedRates) {
        if (rate == value) {
            *setting = value;
            return true;
        }
    }
    return false;
}

DWORD OpeningRate() {
    return BaudSetting != kAutoBaud ? BaudSetting : kTrialRates[0];
}

bool SetLineRate(HANDLE port, int portNumber, DWORD rate) {
    DCB settings{};
    settings.DCBlength = sizeof(settings);
    // Settings that cannot be read are not made up: the line stays as it is.
    // Said once however often it recurs: the channel says each text once.
    if (!GetCommState(port, &settings)) {
        WCHAR text[64];
        wsprintfW(text, u"COM%d: line settings cannot be read; left as they are", portNumber);
        OutputDebugStringW(text);
        return false;
    }
    settings.BaudRate = rate;
    settings.ByteSize = 8;
    settings.Parity = NOPARITY;
    settings.StopBits = ONESTOPBIT;
    return SetCommState(port, &settings) != FALSE;
}

bool IsSerialLine(HANDLE port) {
    COMMPROP properties{};
    return GetCommProperties(port, &properties) && properties.dwProvSubType == PST_RS232;
}

int32_t ReadLimitFor(DWORD rate) {
    if (rate == 0) return kReadBufferSize;
    const DWORD second = rate / kBitsPerByte;
    if (second < static_cast<DWORD>(kLeastReadLimit)) return kLeastReadLimit;
    if (second > static_cast<DWORD>(kReadBufferSize)) return kReadBufferSize;
    return static_cast<int32_t>(second);
}

void StartLineRate(HANDLE port, int portNumber) {
    ComPortNumber = portNumber;
    LineRate = IsSerialLine(port) ? OpeningRate() : 0;
    RateIndex = 0;
    RateVerified = 0;
    RateTrialRunning = 0;
    RateTrialStart = 0;
}

void FollowLineRate(HDC dc, int32_t count, int32_t verified) {
    if (verified > 0) RateVerified = 1;
    // A fixed rate, a network source, a rate that works and a silent line all stay.
    if (BaudSetting != kAutoBaud || LineRate == 0 || RateVerified || count <= 0) return;
    const DWORD now = GetTickCount();
    if (!RateTrialRunning) {
        RateTrialRunning = 1;
        RateTrialStart = now;
        ShowRate(dc, LineRate);
        return;
    }
    if (now - RateTrialStart < kRateTrialMs) return;
    RateIndex = (RateIndex + 1) % kTrialRateCount;
    LineRate = kTrialRates[RateIndex];
    // A rate the port refuses is passed over on the next round of this rule.
    SetLineRate(ComPort, ComPortNumber, LineRate);
    RateTrialStart = now;
    ShowRate(dc, LineRate);
}
