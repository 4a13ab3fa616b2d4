#include "screen_fixture.h"

#include <algorithm>
#include <cstdio>

#include "nmea/nmea_state.h"
#include "platform/gdi/window_dc.h"
#include "screen/drawing_resources.h"
#include "screen/sentence_stream.h"

HDC ScreenTest::window = nullptr;
HDC ScreenTest::reference = nullptr;
HBITMAP ScreenTest::referenceBitmap = nullptr;
HBRUSH ScreenTest::backdropBrush = nullptr;

void ScreenTest::SetUpTestSuite() {
    const RECT whole{0, 0, host::kScreenWidth, host::kScreenHeight};
    window = gdi::CreateScreenDC(0, 0, &whole, 1);
    CreateDrawingResourcesForDc(window);
    reference = CreateCompatibleDC(window);
    referenceBitmap = CreateCompatibleBitmap(window, host::kScreenWidth, host::kScreenHeight);
    SelectObject(reference, referenceBitmap);
    if (backdropBrush == nullptr) backdropBrush = CreateSolidBrush(kBackdrop);
}

void ScreenTest::TearDownTestSuite() {
    gdi::DeleteScreenDC(window);
    window = nullptr;
    DeleteDC(reference);
    DeleteObject(referenceBitmap);
    reference = nullptr;
    referenceBitmap = nullptr;
}

void ScreenTest::SetUp() {
    ResetNmeaState();
    FillWindow(WhiteBrush);
    FillReference(WhiteBrush);
}

void ScreenTest::FillWindow(HBRUSH brush) {
    RECT whole{0, 0, host::kScreenWidth, host::kScreenHeight};
    FillRect(window, &whole, brush);
}

void ScreenTest::FillReference(HBRUSH brush) {
    RECT whole{0, 0, host::kScreenWidth, host::kScreenHeight};
    FillRect(reference, &whole, brush);
}

std::vector<uint32_t> ScreenTest::Snapshot() {
    host::PixelView view = host::ScreenPixels();
    std::vector<uint32_t> pixels;
    pixels.reserve(static_cast<size_t>(view.width) * view.height);
    for (int y = 0; y < view.height; ++y) {
        for (int x = 0; x < view.width; ++x)
            pixels.push_back(view.At(x, y));
    }
    return pixels;
}

void ScreenTest::Feed(const std::string& bytes) {
    ProcessChunk(nullptr, window, reinterpret_cast<const uint8_t*>(bytes.data()),
                 static_cast<int32_t>(bytes.size()));
}

void ScreenTest::FeedSky(const std::vector<TestSatellite>& satellites, const std::string& fixType) {
    auto field = [](int value) { return value < 0 ? std::string() : std::to_string(value); };
    std::vector<std::string> talkers;
    for (const TestSatellite& s : satellites) {
        if (std::find(talkers.begin(), talkers.end(), s.talker) == talkers.end()) {
            talkers.push_back(s.talker);
        }
    }
    std::string bytes;
    for (const std::string& talker : talkers) {
        std::string gsa = talker + "GSA,A," + fixType;
        int slots = 0;
        for (const TestSatellite& s : satellites) {
            if (s.talker != talker || !s.used) continue;
            gsa += "," + std::to_string(s.number);
            ++slots;
        }
        for (; slots < 12; ++slots)
            gsa += ",";
        bytes += Sentence(gsa + ",1.5,0.9,1.2");
    }
    for (const std::string& talker : talkers) {
        std::vector<const TestSatellite*> mine;
        for (const TestSatellite& s : satellites) {
            if (s.talker == talker) mine.push_back(&s);
        }
        const size_t messages = (mine.size() + 3) / 4;
        for (size_t m = 0; m < messages; ++m) {
            std::string gsv = talker + "GSV," + std::to_string(messages) + "," +
                              std::to_string(m + 1) + "," + std::to_string(mine.size());
            for (size_t i = m * 4; i < mine.size() && i < m * 4 + 4; ++i) {
                gsv += "," + std::to_string(mine[i]->number) + "," + field(mine[i]->elevation) +
                       "," + field(mine[i]->azimuth) + "," + field(mine[i]->snr);
            }
            bytes += Sentence(gsv);
        }
    }
    Feed(bytes + "$");
}

::testing::AssertionResult ScreenTest::SameAsReference(RECT box) {
    int differing = 0;
    int firstX = 0, firstY = 0;
    for (int y = box.top; y < box.bottom; ++y) {
        for (int x = box.left; x < box.right; ++x) {
            if (Px(x, y) == RefPx(x, y)) continue;
            if (differing++ == 0) {
                firstX = x;
                firstY = y;
            }
        }
    }
    if (differing == 0) return ::testing::AssertionSuccess();
    char text[160];
    std::snprintf(text, sizeof text, "%d pixels differ, first at (%d, %d): %06X, expected %06X",
                  differing, firstX, firstY, Px(firstX, firstY), RefPx(firstX, firstY));
    return ::testing::AssertionFailure() << text;
}

::testing::AssertionResult ScreenTest::FieldShows(RECT box, const char16_t* text) {
    FillReference(WhiteBrush);
    DrawTextInRect(reference, box.left, box.right, box.top, box.bottom, text);
    return SameAsReference(box);
}

::testing::AssertionResult ScreenTest::StatusShows(const std::string& text) {
    std::u16string blank = std::u16string(65, u' ') + u".";
    std::u16string visible;
    for (char ch : text) {
        if (ch != '\r' && ch != '\n') visible.push_back(static_cast<char16_t>(ch));
    }
    FillReference(WhiteBrush);
    for (const std::u16string& line : {blank, visible}) {
        RECT box = kStatus;
        DrawTextW(reference, line.data(), static_cast<int>(line.size()), &box, DT_SINGLELINE);
    }
    return SameAsReference(kStatus);
}

int ScreenTest::ChangedOutside(const std::vector<uint32_t>& before, RECT box) {
    const std::vector<uint32_t> after = Snapshot();
    int changed = 0;
    for (int y = 0; y < host::kScreenHeight; ++y) {
        for (int x = 0; x < host::kScreenWidth; ++x) {
            bool inside = x >= box.left && x < box.right && y >= box.top && y < box.bottom;
            size_t i = static_cast<size_t>(y) * host::kScreenWidth + x;
            if (!inside && before[i] != after[i]) ++changed;
        }
    }
    return changed;
}

bool ScreenTest::AnyShade(RECT box, bool dark) {
    for (int y = box.top; y < box.bottom; ++y) {
        for (int x = box.left; x < box.right; ++x) {
            uint32_t p = Px(x, y);
            bool isDark = GetRValue(p) < 0x80 && GetGValue(p) < 0x80 && GetBValue(p) < 0x80;
            bool isLight = GetRValue(p) >= 0x80 && GetGValue(p) >= 0x80 && GetBValue(p) >= 0x80;
            if (dark ? isDark : isLight) return true;
        }
    }
    return false;
}
