#include "screen_fixture.h"

#include "nmea/nmea_state.h"
#include "screen/drawing_resources.h"
#include "screen/main_screen.h"
#include "screen/sentence_stream.h"

HDC ScreenTest::window = nullptr;
HDC ScreenTest::reference = nullptr;
HBITMAP ScreenTest::referenceBitmap = nullptr;
HBRUSH ScreenTest::backdropBrush = nullptr;

void ScreenTest::SetUpTestSuite() {
    window = host::CreateScreenDc();
    CreateDrawingResourcesForDc(window);
    reference = CreateCompatibleDC(window);
    referenceBitmap = CreateCompatibleBitmap(window, kScreenWidth, kScreenHeight);
    SelectObject(reference, referenceBitmap);
    if (backdropBrush == nullptr) backdropBrush = CreateSolidBrush(kBackdrop);
}

void ScreenTest::TearDownTestSuite() {
    host::DeleteScreenDc(window);
    window = nullptr;
    DeleteDC(reference);
    DeleteObject(referenceBitmap);
    reference = nullptr;
    referenceBitmap = nullptr;
}

void ScreenTest::SetUp() {
    ResetNmeaState();
    Fill(window, WhiteBrush);
    Fill(reference, WhiteBrush);
    ResetScreenState();
}

void ScreenTest::Fill(HDC dc, HBRUSH brush) {
    const RECT whole{0, 0, kScreenWidth, kScreenHeight};
    FillRect(dc, &whole, brush);
}

std::vector<uint32_t> ScreenTest::Pixels(RECT box) {
    const host::PixelView view = host::ScreenPixels();
    std::vector<uint32_t> pixels;
    for (int y = box.top; y < box.bottom; ++y) {
        for (int x = box.left; x < box.right; ++x)
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
    std::string gsas, gsvs;
    for (const std::string talker : {"GP", "GL", "GA", "GB", "GQ", "GI"}) {
        std::vector<const TestSatellite*> mine;
        std::string used;
        size_t slots = 12;
        for (const TestSatellite& s : satellites) {
            if (s.talker != talker) continue;
            mine.push_back(&s);
            if (s.used && slots > 0) {
                used += std::to_string(s.number) + ",";
                --slots;
            }
        }
        if (mine.empty()) continue;
        gsas += Sentence(talker + "GSA,A," + fixType + "," + used + std::string(slots, ',') +
                         "1.5,0.9,1.2");
        const size_t messages = (mine.size() + 3) / 4;
        for (size_t m = 0; m < messages; ++m) {
            std::string gsv = talker + "GSV," + std::to_string(messages) + "," +
                              std::to_string(m + 1) + "," + std::to_string(mine.size());
            for (size_t i = m * 4; i < mine.size() && i < m * 4 + 4; ++i) {
                gsv += "," + std::to_string(mine[i]->number) + "," + field(mine[i]->elevation) +
                       "," + field(mine[i]->azimuth) + "," + field(mine[i]->snr);
            }
            gsvs += Sentence(gsv);
        }
    }
    Feed(gsas + gsvs + "$");
}

::testing::AssertionResult ScreenTest::SameAsReference(RECT box) {
    const host::PixelView expected = host::DcPixels(reference);
    for (int y = box.top; y < box.bottom; ++y) {
        for (int x = box.left; x < box.right; ++x) {
            if (Px(x, y) == expected.At(x, y)) continue;
            return ::testing::AssertionFailure()
                   << std::hex << "first difference at " << std::dec << x << "," << y << std::hex
                   << ": " << Px(x, y) << ", expected " << expected.At(x, y);
        }
    }
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult ScreenTest::FieldShows(RECT box, const char16_t* text) {
    Fill(reference, WhiteBrush);
    DrawTextInRect(reference, box.left, box.right, box.top, box.bottom, text);
    return SameAsReference(box);
}

::testing::AssertionResult ScreenTest::StatusShows(const std::string& text) {
    std::u16string blank = std::u16string(65, u' ') + u".";
    std::u16string visible;
    for (char ch : text) {
        if (ch != '\r' && ch != '\n') visible.push_back(static_cast<char16_t>(ch));
    }
    Fill(reference, WhiteBrush);
    for (const std::u16string& line : {blank, visible}) {
        RECT box = kStatusLineArea;
        DrawTextW(reference, line.data(), static_cast<int>(line.size()), &box, DT_SINGLELINE);
    }
    return SameAsReference(kStatusLineArea);
}

int ScreenTest::ChangedOutside(const std::vector<uint32_t>& before,
                               const std::vector<RECT>& boxes) {
    const std::vector<uint32_t> after = Pixels();
    int changed = 0;
    for (size_t i = 0; i < after.size(); ++i) {
        const int x = static_cast<int>(i % kScreenWidth);
        const int y = static_cast<int>(i / kScreenWidth);
        bool inside = false;
        for (const RECT& r : boxes)
            inside = inside || (x >= r.left && x < r.right && y >= r.top && y < r.bottom);
        changed += !inside && before[i] != after[i] ? 1 : 0;
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
