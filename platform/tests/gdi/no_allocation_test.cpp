// Drawing on existing device contexts allocates nothing once the glyphs of the
// text have been drawn once: operator new is counted around the calls.

#include <gtest/gtest.h>

#include "platform/gdi/window_dc.h"
#include "surface.h"
#include "test_screen.h"
#include "tests/support/allocation_counter.h"

namespace {

void DrawScreenPass(HDC window, HDC sky, HBRUSH blue) {
    RECT field{130, 55, 220, 70};
    DrawTextW(window, u"Altitude:545.40     ", -1, &field, DT_SINGLELINE);
    RECT status{5, 200, 320, 215};
    DrawTextW(window, u"$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A\r\n",
              -1, &status, DT_SINGLELINE);
    RECT band{0, 90, 320, 95};
    FillRect(window, &band, blue);
    RECT background{0, 0, 100, 100};
    FillRect(sky, &background, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    Ellipse(sky, 10, 10, 90, 90);
    SetBkMode(sky, TRANSPARENT);
    RECT label{40, 40, 57, 57};
    DrawTextW(sky, u"12", 2, &label, 0);
    Rectangle(sky, 0, 60, 18, 100);
    BitBlt(window, 0, 100, 100, 100, sky, 0, 0, SRCCOPY);
}

TEST(NoAllocation, DrawingAfterTheFirstPassAllocatesNothing) {
    const RECT screen{0, 0, test_screen::kWidth, test_screen::kHeight};
    const HDC window = gdi::CreateScreenDC(0, 25, &screen, 1);
    gdi_test::Surface sky(200, 200);
    const HBRUSH blue = CreateSolidBrush(gdi_test::kBlue);
    DrawScreenPass(window, sky.dc(), blue);

    const int allocations = test_support::AllocationsDuring([&] {
        for (int i = 0; i < 3; ++i)
            DrawScreenPass(window, sky.dc(), blue);
        RECT damage;
        gdi::TakeScreenDamageRects(&damage, 1);
    });
    EXPECT_EQ(allocations, 0);

    DeleteObject(blue);
    gdi::DeleteScreenDC(window);
}

}  // namespace
