#include "serial/status_message.h"

#include "screen/main_screen.h"

void ShowStatus(HDC dc, const WCHAR* format, int portNumber) {
    WCHAR text[32];
    wsprintfW(text, format, portNumber);
    DrawStatusText(dc, text);
    GdiFlush();
}
