// Strings, accelerator tables, icons and raw resources over small sets built
// here, including truncated data placed at the very end of a heap block so
// that any read past it trips the address sanitizer.
#include <cstring>
#include <memory>

#include "user/user_internal.h"
#include "wm_fixture.h"

namespace wmtest {
namespace {

using ResourceTest = WmTest;

// Exactly sized copy of some bytes.
struct Blob {
    std::unique_ptr<std::uint8_t[]> bytes;
    DWORD size;
};

Blob MakeBlob(const std::vector<std::uint8_t>& data, std::size_t size) {
    Blob b{std::make_unique<std::uint8_t[]>(size == 0 ? 1 : size), static_cast<DWORD>(size)};
    std::memcpy(b.bytes.get(), data.data(), std::min(size, data.size()));
    return b;
}

void PutWord(std::vector<std::uint8_t>& out, WORD w) {
    out.push_back(static_cast<std::uint8_t>(w & 0xFF));
    out.push_back(static_cast<std::uint8_t>(w >> 8));
}

void PutDword(std::vector<std::uint8_t>& out, DWORD d) {
    PutWord(out, static_cast<WORD>(d & 0xFFFF));
    PutWord(out, static_cast<WORD>(d >> 16));
}

// String block 1: ids 0 to 15, with ids 1, 2 and 3 set.
std::vector<std::uint8_t> StringBlock() {
    std::vector<std::uint8_t> out;
    const std::u16string strings[16] = {u"", u"Skymark", u"Hello World!", u"SKYMARK"};
    for (const std::u16string& s : strings) {
        PutWord(out, static_cast<WORD>(s.size()));
        for (char16_t c : s)
            PutWord(out, c);
    }
    return out;
}

TEST_F(ResourceTest, LoadStringFindsCopiesAndTruncates) {
    std::vector<std::uint8_t> block = StringBlock();
    Blob blob = MakeBlob(block, block.size());
    host::ResourceItem item{6, 1, 1033, blob.bytes.get(), blob.size};
    HINSTANCE instance = host::CreateInstance(host::ResourceSet{&item, 1});
    WCHAR buffer[100];
    EXPECT_EQ(LoadStringW(instance, 1, buffer, 100), 7);
    EXPECT_EQ(std::u16string(buffer), u"Skymark");
    EXPECT_EQ(LoadStringW(instance, 3, buffer, 100), 7);
    EXPECT_EQ(std::u16string(buffer), u"SKYMARK");
    EXPECT_EQ(LoadStringW(instance, 2, buffer, 6), 5);
    EXPECT_EQ(std::u16string(buffer), u"Hello");
    EXPECT_EQ(LoadStringW(instance, 4, buffer, 100), 0);
    EXPECT_EQ(buffer[0], 0);
    EXPECT_EQ(LoadStringW(instance, 17, buffer, 100), 0);  // block 2 is missing
    EXPECT_EQ(LoadStringW(instance, 1, buffer, 0), 0);
    EXPECT_EQ(LoadStringW(reinterpret_cast<HINSTANCE>(0x77), 1, buffer, 100), 0);
}

TEST_F(ResourceTest, TruncatedStringBlocksFailWithoutReadingPastTheEnd) {
    std::vector<std::uint8_t> block = StringBlock();
    for (std::size_t cut = 0; cut <= 50; ++cut) {
        SCOPED_TRACE(cut);
        Blob blob = MakeBlob(block, cut);
        host::ResourceItem item{6, 1, 1033, blob.bytes.get(), blob.size};
        HINSTANCE instance = host::CreateInstance(host::ResourceSet{&item, 1});
        WCHAR buffer[100];
        int got = LoadStringW(instance, 2, buffer, 100);
        // String 2 ends at byte 44; anything shorter cannot hold it.
        EXPECT_EQ(got, cut >= 44 ? 12 : 0);
        LoadStringW(instance, 15, buffer, 100);
    }
}

TEST_F(ResourceTest, AcceleratorTablesNeedTheirEndMark) {
    const WORD good[] = {FALT, u'/', 40003, 0, FVIRTKEY | FALT | 0x80, VK_F4, 40002, 0};
    std::vector<std::uint8_t> bytes(sizeof(good));
    std::memcpy(bytes.data(), good, sizeof(good));
    for (std::size_t cut :
         {std::size_t{0}, std::size_t{7}, std::size_t{8}, std::size_t{15}, std::size_t{16}}) {
        SCOPED_TRACE(cut);
        Blob blob = MakeBlob(bytes, cut);
        host::ResourceItem item{9, 3, 1033, blob.bytes.get(), blob.size};
        HINSTANCE instance = host::CreateInstance(host::ResourceSet{&item, 1});
        HACCEL table = LoadAcceleratorsW(instance, MAKEINTRESOURCEW(3));
        EXPECT_EQ(table != nullptr, cut == 16);
    }
}

TEST_F(ResourceTest, FindAndLoadRawResources) {
    const std::uint8_t dialog[] = {1, 2, 3, 4, 5};
    const std::uint8_t other[] = {9};
    host::ResourceItem items[] = {{5, 103, 1033, dialog, sizeof(dialog)},
                                  {4, 102, 1033, other, sizeof(other)}};
    HINSTANCE instance = host::CreateInstance(host::ResourceSet{items, 2});
    HRSRC found = FindResourceW(instance, MAKEINTRESOURCEW(103), RT_DIALOG());
    ASSERT_NE(found, nullptr);
    HGLOBAL loaded = LoadResource(instance, found);
    EXPECT_EQ(loaded, dialog);
    std::size_t size = 0;
    EXPECT_TRUE(user::FindResourceBounds(loaded, &size));
    EXPECT_EQ(size, sizeof(dialog));
    EXPECT_FALSE(user::FindResourceBounds(dialog + 1, &size));

    EXPECT_EQ(FindResourceW(instance, MAKEINTRESOURCEW(103), RT_MENU()), nullptr);
    EXPECT_EQ(FindResourceW(instance, MAKEINTRESOURCEW(104), RT_DIALOG()), nullptr);
    EXPECT_EQ(FindResourceW(instance, u"ABOUT", RT_DIALOG()), nullptr);
    HINSTANCE other_instance = host::CreateInstance(host::ResourceSet{items + 1, 1});
    EXPECT_EQ(LoadResource(other_instance, found), nullptr);
    EXPECT_EQ(LoadResource(instance, nullptr), nullptr);
}

// A 4-bit icon image: left half red, right half blue, top-left pixel
// transparent.
std::vector<std::uint8_t> IconImage(int size) {
    std::vector<std::uint8_t> out;
    PutDword(out, 40);
    PutDword(out, size);
    PutDword(out, size * 2);
    PutWord(out, 1);
    PutWord(out, 4);
    for (int i = 0; i < 6; ++i)
        PutDword(out, 0);
    const std::uint8_t palette[16][4] = {{0, 0, 0, 0}, {0, 0, 255, 0}, {255, 0, 0, 0}};
    for (const auto& q : palette)
        out.insert(out.end(), q, q + 4);
    int xor_stride = ((size * 4 + 31) / 32) * 4;
    int and_stride = ((size + 31) / 32) * 4;
    for (int row = 0; row < size; ++row) {
        std::vector<std::uint8_t> line(xor_stride, 0);
        for (int x = 0; x < size; ++x) {
            std::uint8_t index = x < size / 2 ? 1 : 2;
            line[x / 2] |= (x % 2 == 0) ? index << 4 : index;
        }
        out.insert(out.end(), line.begin(), line.end());
    }
    for (int row = 0; row < size; ++row) {
        std::vector<std::uint8_t> line(and_stride, 0);
        if (row == size - 1) line[0] = 0x80;  // bottom-up: the top row comes last
        out.insert(out.end(), line.begin(), line.end());
    }
    return out;
}

std::vector<std::uint8_t> IconGroup() {
    std::vector<std::uint8_t> out;
    PutWord(out, 0);
    PutWord(out, 1);
    PutWord(out, 2);
    for (int i = 0; i < 2; ++i) {
        int size = i == 0 ? 16 : 32;
        out.push_back(static_cast<std::uint8_t>(size));
        out.push_back(static_cast<std::uint8_t>(size));
        out.push_back(16);
        out.push_back(0);
        PutWord(out, 1);
        PutWord(out, 4);
        PutDword(out, static_cast<DWORD>(IconImage(size).size()));
        PutWord(out, static_cast<WORD>(1 + i));
    }
    return out;
}

TEST_F(ResourceTest, LoadIconPicksTheLargeImageAndDrawsIt) {
    std::vector<std::uint8_t> group = IconGroup();
    std::vector<std::uint8_t> small = IconImage(16);
    std::vector<std::uint8_t> large = IconImage(32);
    host::ResourceItem items[] = {{14, 101, 1033, group.data(), static_cast<DWORD>(group.size())},
                                  {3, 1, 1033, small.data(), static_cast<DWORD>(small.size())},
                                  {3, 2, 1033, large.data(), static_cast<DWORD>(large.size())}};
    HINSTANCE instance = host::CreateInstance(host::ResourceSet{items, 3});
    HICON icon = LoadIconW(instance, MAKEINTRESOURCEW(101));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(LoadIconW(instance, MAKEINTRESOURCEW(101)), icon);
    EXPECT_EQ(LoadIconW(instance, MAKEINTRESOURCEW(102)), nullptr);

    HWND main = CreateMain();
    FillWindow(main, kWhite);
    HDC dc = GetDC(main);
    ASSERT_TRUE(user::DrawIconInto(dc, icon, 10, 20, 32, 32));
    EXPECT_TRUE(user::DrawIconInto(dc, icon, 100, 20, 16, 16));
    EXPECT_FALSE(user::DrawIconInto(dc, reinterpret_cast<HICON>(0x55), 0, 0, 32, 32));
    ReleaseDC(main, dc);
    EXPECT_EQ(ScreenAt(10, 20), kWhite);  // transparent
    EXPECT_EQ(ScreenAt(11, 20), kRed);
    EXPECT_EQ(ScreenAt(25, 51), kRed);
    EXPECT_EQ(ScreenAt(26, 51), kBlue);
    EXPECT_EQ(ScreenAt(41, 51), kBlue);
    EXPECT_EQ(ScreenAt(42, 51), kWhite);
    EXPECT_EQ(ScreenAt(10, 52), kWhite);
    EXPECT_EQ(ScreenAt(107, 35), kRed);
    EXPECT_EQ(ScreenAt(108, 35), kBlue);
    EXPECT_EQ(ScreenAt(116, 35), kWhite);
}

TEST_F(ResourceTest, TruncatedIconsFail) {
    std::vector<std::uint8_t> group = IconGroup();
    std::vector<std::uint8_t> large = IconImage(32);
    std::vector<std::uint8_t> small = IconImage(16);
    for (std::size_t cut :
         {std::size_t{0}, std::size_t{39}, std::size_t{40}, std::size_t{104}, large.size() - 1}) {
        SCOPED_TRACE(cut);
        Blob image = MakeBlob(large, cut);
        host::ResourceItem items[] = {
            {14, 101, 1033, group.data(), static_cast<DWORD>(group.size())},
            {3, 1, 1033, small.data(), static_cast<DWORD>(small.size())},
            {3, 2, 1033, image.bytes.get(), image.size}};
        HINSTANCE instance = host::CreateInstance(host::ResourceSet{items, 3});
        EXPECT_EQ(LoadIconW(instance, MAKEINTRESOURCEW(101)), nullptr);
    }
    for (std::size_t cut : {std::size_t{0}, std::size_t{5}, std::size_t{6}, std::size_t{33}}) {
        SCOPED_TRACE(cut);
        Blob cut_group = MakeBlob(group, cut);
        host::ResourceItem items[] = {{14, 101, 1033, cut_group.bytes.get(), cut_group.size},
                                      {3, 2, 1033, large.data(), static_cast<DWORD>(large.size())}};
        HINSTANCE instance = host::CreateInstance(host::ResourceSet{items, 2});
        EXPECT_EQ(LoadIconW(instance, MAKEINTRESOURCEW(101)), nullptr);
    }
}

}  // namespace
}  // namespace wmtest
