// Strings and icons over small resource sets built here. (The program's own
// set, accelerators and About box included, is loaded by the app tests.)
#include "resource_bytes.h"
#include "test_window.h"
#include "user/user_internal.h"

namespace testwin {
namespace {

using ResourceTest = WmTest;

// String block 1: ids 0 to 15, with ids 1, 2 and 3 set.
Bytes StringBlock() {
    Bytes out;
    const std::u16string strings[16] = {u"", u"Sextant", u"Hello World!", u"SEXTANT"};
    for (const std::u16string& s : strings) {
        out.W(static_cast<WORD>(s.size()));
        for (char16_t c : s)
            out.W(c);
    }
    return out;
}

TEST_F(ResourceTest, LoadStringFindsCopiesAndTruncates) {
    Resources set;
    const HINSTANCE instance = set.Add(6, 1, StringBlock()).Instance();
    WCHAR buffer[100];
    EXPECT_EQ(LoadStringW(instance, 1, buffer, 100), 7);
    EXPECT_EQ(std::u16string(buffer), u"Sextant");
    EXPECT_EQ(LoadStringW(instance, 2, buffer, 6), 5);
    EXPECT_EQ(std::u16string(buffer), u"Hello");
    EXPECT_EQ(LoadStringW(instance, 4, buffer, 100), 0);
    EXPECT_EQ(buffer[0], 0);
    EXPECT_EQ(LoadStringW(instance, 17, buffer, 100), 0);  // block 2 is missing
    EXPECT_EQ(LoadStringW(instance, 1, buffer, 0), 0);
    EXPECT_EQ(LoadStringW(reinterpret_cast<HINSTANCE>(0x77), 1, buffer, 100), 0);
}

TEST_F(ResourceTest, LoadIconPicksTheLargeImageAndDrawsIt) {
    Resources set;
    const HINSTANCE instance = AddIcon(set).Instance();
    HICON icon = LoadIconW(instance, MAKEINTRESOURCEW(101));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(LoadIconW(instance, MAKEINTRESOURCEW(101)), icon);
    EXPECT_EQ(LoadIconW(instance, MAKEINTRESOURCEW(102)), nullptr);

    HWND main = CreateParent();
    Pump();
    HDC dc = GetDC(main);
    ASSERT_TRUE(user::DrawIconInto(dc, icon, 10, 20, 32, 32));
    EXPECT_TRUE(user::DrawIconInto(dc, icon, 100, 20, 16, 16));
    EXPECT_FALSE(user::DrawIconInto(dc, reinterpret_cast<HICON>(0x55), 0, 0, 32, 32));
    ReleaseDC(main, dc);
    // Left half red, right half blue, the top-left pixel transparent.
    const struct { int left, top, size; } drawn[] = {{10, 20, 32}, {100, 20, 16}};
    for (const auto& d : drawn) {
        SCOPED_TRACE(d.size);
        const int bottom = d.top + d.size - 1;
        EXPECT_EQ(ScreenAt(d.left, d.top), kWhite);
        EXPECT_EQ(ScreenAt(d.left + 1, d.top), kRed);
        EXPECT_EQ(ScreenAt(d.left + d.size / 2 - 1, bottom), kRed);
        EXPECT_EQ(ScreenAt(d.left + d.size / 2, bottom), kBlue);
        EXPECT_EQ(ScreenAt(d.left + d.size - 1, bottom), kBlue);
        EXPECT_EQ(ScreenAt(d.left + d.size, bottom), kWhite);
        EXPECT_EQ(ScreenAt(d.left, bottom + 1), kWhite);
    }
}

}  // namespace
}  // namespace testwin
