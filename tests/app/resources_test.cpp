// The program's resource set read back through the platform's resource calls.
#include <gtest/gtest.h>

#include <span>
#include <string>

#include "host/host.h"
#include "resources/program_resources.h"
#include "resources/resource_ids.h"
#include "win/windows.h"

namespace {

class ResourcesTest : public ::testing::Test {
  protected:
    HINSTANCE instance_ = host::CreateInstance(ProgramResources());
};

// The dialog template's words, as UTF-16 text; the frame test opens the box itself.
TEST_F(ResourcesTest, TheAboutBoxCarriesItsTexts) {
    const host::ResourceSet& set = ProgramResources();
    std::u16string about;
    for (const host::ResourceItem& item : std::span(set.items, set.count)) {
        if (item.type == 5 && item.id == kAboutDialogId)
            about.assign(static_cast<const char16_t*>(item.data), item.size / 2);
    }
    for (const char16_t* text :
         {u"About Skymark", u"System", u"Skymark Version 1.0", u"GPS NMEA logger"}) {
        EXPECT_NE(about.find(std::u16string(text) + u'\0'), std::u16string::npos);
    }
}

// Drawn as a window class's icon is: transparent at the corners, opaque and
// not black in the middle.
TEST_F(ResourcesTest, TheIconDrawsWithTransparentCorners) {
    HICON icon = LoadIconW(instance_, MAKEINTRESOURCEW(kIconId));
    ASSERT_NE(icon, nullptr);
    constexpr COLORREF kKey = 0x123456;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, 32, 32);
    HGDIOBJ old = SelectObject(dc, bitmap);
    HBRUSH key = CreateSolidBrush(kKey);
    RECT all{0, 0, 32, 32};
    FillRect(dc, &all, key);
    ASSERT_TRUE(DrawIconEx(dc, 0, 0, icon, 32, 32, 0, nullptr, DI_NORMAL));
    const host::PixelView view = host::DcPixels(dc);
    for (const auto& [x, y] : {std::pair{0, 0}, {31, 0}, {0, 31}, {31, 31}})
        EXPECT_EQ(view.At(x, y), kKey) << x << "," << y;
    EXPECT_NE(view.At(16, 16), kKey);
    EXPECT_NE(view.At(16, 16), 0u);
    SelectObject(dc, old);
    DeleteObject(key);
    DeleteObject(bitmap);
    DeleteDC(dc);
}

}  // namespace
