#include "serial/source_silence.h"

#include "screen/main_screen.h"
#include "serial/serial_state.h"

void StartSilenceWatch(HANDLE port) {
    COMMPROP properties{};
    DatagramSource =
        GetCommProperties(port, &properties) && properties.dwProvSubType == PST_NETWORK_BRIDGE;
    LastDataTick = GetTickCount();
    SilenceShown = 0;
}

void FollowSilence(HDC dc, int32_t count) {
    if (!DatagramSource || SearchPending) return;
    const DWORD now = GetTickCount();
    if (count > 0) {
        LastDataTick = now;
        SilenceShown = 0;
        return;
    }
    if (SilenceShown || now - LastDataTick < kDatagramSilenceMs) return;
    WCHAR text[32];
    wsprintfW(text, u"Com%x No Data", ComPortNumber);
    DrawStatusText(dc, text);
    SilenceShown = 1;
}
