#include "screen/plot_face.h"

#include "nmea/nav_record.h"
#include "screen/drawing_resources.h"

void DrawPlotFace(HDC dc, int32_t top) {
    auto at = [top](RECT box) {
        return RECT{box.left, box.top + top, box.right, box.bottom + top};
    };
    EllipseScratch(dc, at({10, 10, 90, 90}));
    EllipseScratch(dc, at({30, 30, 70, 70}));
    FillScratch(dc, at({10, 49, 90, 51}), BlueBrush);
    FillScratch(dc, at({49, 10, 51, 90}), BlueBrush);
    DrawTextScratch(dc, u"N", 1, at({45, 0, 55, 15}), 0);
    DrawTextScratch(dc, u"S", 1, at({48, 83, 54, 98}), 0);
    DrawTextScratch(dc, u"E", 1, at({85, 43, 98, 58}), 0);
    DrawTextScratch(dc, u"W", 1, at({5, 43, 17, 58}), 0);
}

int FormatNoFixCount(WCHAR (&text)[kNoFixCountChars]) {
    return wsprintfW(text, u"%3ds", Nav.noFixSeconds);
}
