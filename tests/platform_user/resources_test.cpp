// Strings, accelerator tables, icons and raw resources over small sets built
// here, including truncated data placed at the very end of a heap block so
// that any read past it trips the address sanitizer.
#include <cstring>
#include <memory>

#include "test_window.h"
#include "user/user_internal.h"

namespace testwin {
namespace {

using ResourceTest = WmTest;

// Little-endian bytes as resources hold them.
struct Bytes {
    std::vector<std::uint8_t> v;
    Bytes& W(WORD w) {
        v.push_back(static_cast<std::uint8_t>(w & 0xFF));
        v.push_back(static_cast<std::uint8_t>(w >> 8));
        return *this;
    }
    Bytes& D(DWORD d) { return W(static_cast<WORD>(d & 0xFFFF)).W(static_cast<WORD>(d >> 16)); }
};

// A resource set whose items each sit in a heap block of exactly their size,
// cut to the first `size` bytes when given.
class Resources {
  public:
    Resources& Add(WORD type, WORD id, const Bytes& bytes, std::size_t size = SIZE_MAX) {
        size = std::min(size, bytes.v.size());
        blocks_.push_back(std::make_unique<std::uint8_t[]>(size == 0 ? 1 : size));
        std::memcpy(blocks_.back().get(), bytes.v.data(), size);
        items_.push_back({type, id, 1033, blocks_.back().get(), static_cast<DWORD>(size)});
        return *this;
    }
    HINSTANCE Instance() const {
        return host::CreateInstance(host::ResourceSet{items_.data(), items_.size()});
    }

  private:
    std::vector<std::unique_ptr<std::uint8_t[]>> blocks_;
    std::vector<host::ResourceItem> items_;
};

// String block 1: ids 0 to 15, with ids 1, 2 and 3 set.
Bytes StringBlock() {
    Bytes out;
    const std::u16string strings[16] = {u"", u"Skymark", u"Hello World!", u"SKYMARK"};
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
    EXPECT_EQ(std::u16string(buffer), u"Skymark");
    EXPECT_EQ(LoadStringW(instance, 2, buffer, 6), 5);
    EXPECT_EQ(std::u16string(buffer), u"Hello");
    EXPECT_EQ(LoadStringW(instance, 4, buffer, 100), 0);
    EXPECT_EQ(buffer[0], 0);
    EXPECT_EQ(LoadStringW(instance, 17, buffer, 100), 0);  // block 2 is missing
    EXPECT_EQ(LoadStringW(instance, 1, buffer, 0), 0);
    EXPECT_EQ(LoadStringW(reinterpret_cast<HINSTANCE>(0x77), 1, buffer, 100), 0);
    // String 2 ends at byte 44; a block cut shorter cannot hold it.
    for (std::size_t cut = 0; cut <= 50; ++cut) {
        SCOPED_TRACE(cut);
        Resources cut_set;
        const HINSTANCE cut_instance = cut_set.Add(6, 1, StringBlock(), cut).Instance();
        EXPECT_EQ(LoadStringW(cut_instance, 2, buffer, 100), cut >= 44 ? 12 : 0);
        LoadStringW(cut_instance, 15, buffer, 100);
    }
}

TEST_F(ResourceTest, AcceleratorTablesNeedTheirEndMark) {
    Bytes table;
    table.W(FALT).W(u'/').W(40003).W(0).W(FVIRTKEY | FALT | 0x80).W(VK_F4).W(40002).W(0);
    for (std::size_t cut : {0, 7, 8, 15, 16}) {
        SCOPED_TRACE(cut);
        Resources set;
        const HINSTANCE instance = set.Add(9, 3, table, cut).Instance();
        EXPECT_EQ(LoadAcceleratorsW(instance, MAKEINTRESOURCEW(3)) != nullptr, cut == 16);
    }
}

TEST_F(ResourceTest, FindAndLoadRawResources) {
    Resources set;
    set.Add(5, 103, Bytes().D(0x04030201)).Add(4, 102, Bytes().W(9));
    const HINSTANCE instance = set.Instance();
    HRSRC found = FindResourceW(instance, MAKEINTRESOURCEW(103), RT_DIALOG());
    ASSERT_NE(found, nullptr);
    const auto* loaded = static_cast<const std::uint8_t*>(LoadResource(instance, found));
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded[3], 4);
    std::size_t size = 0;
    EXPECT_TRUE(user::FindResourceBounds(loaded, &size));
    EXPECT_EQ(size, 4u);
    EXPECT_FALSE(user::FindResourceBounds(loaded + 1, &size));
    EXPECT_EQ(FindResourceW(instance, MAKEINTRESOURCEW(103), RT_MENU()), nullptr);
    EXPECT_EQ(FindResourceW(instance, MAKEINTRESOURCEW(104), RT_DIALOG()), nullptr);
    EXPECT_EQ(FindResourceW(instance, u"ABOUT", RT_DIALOG()), nullptr);
    Resources other;
    EXPECT_EQ(LoadResource(other.Add(4, 102, Bytes().W(9)).Instance(), found), nullptr);
    EXPECT_EQ(LoadResource(instance, nullptr), nullptr);
}

// A 4-bit icon image: left half red, right half blue, top-left pixel
// transparent.
Bytes IconImage(int size) {
    Bytes out;
    out.D(40).D(size).D(size * 2).W(1).W(4).D(0).D(0).D(0).D(0).D(0).D(0);
    out.D(0).D(0x00FF0000).D(0x000000FF);  // palette: black, red, blue as B, G, R, 0
    for (int i = 3; i < 16; ++i)
        out.D(0);
    const int xor_stride = ((size * 4 + 31) / 32) * 4;
    const int and_stride = ((size + 31) / 32) * 4;
    for (int row = 0; row < size; ++row) {
        std::vector<std::uint8_t> line(xor_stride, 0);
        for (int x = 0; x < size; ++x)
            line[x / 2] |= (x < size / 2 ? 1 : 2) << (x % 2 == 0 ? 4 : 0);
        out.v.insert(out.v.end(), line.begin(), line.end());
    }
    for (int row = 0; row < size; ++row) {
        std::vector<std::uint8_t> line(and_stride, 0);
        if (row == size - 1) line[0] = 0x80;  // bottom-up: the top row comes last
        out.v.insert(out.v.end(), line.begin(), line.end());
    }
    return out;
}

// Group 101: a 16 x 16 image with id 1 and a 32 x 32 one with id 2.
Bytes IconGroup() {
    Bytes out;
    out.W(0).W(1).W(2);
    for (const WORD id : {1, 2}) {
        const int size = 16 * id;
        out.W(static_cast<WORD>(size | size << 8)).W(16).W(1).W(4);
        out.D(static_cast<DWORD>(IconImage(size).v.size())).W(id);
    }
    return out;
}

TEST_F(ResourceTest, LoadIconPicksTheLargeImageAndDrawsIt) {
    Resources set;
    set.Add(14, 101, IconGroup()).Add(3, 1, IconImage(16)).Add(3, 2, IconImage(32));
    const HINSTANCE instance = set.Instance();
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
    const struct {
        int x, y;
        COLORREF color;
    } pixels[] = {{10, 20, kWhite} /* transparent */,
                  {11, 20, kRed},
                  {25, 51, kRed},
                  {26, 51, kBlue},
                  {41, 51, kBlue},
                  {42, 51, kWhite},
                  {10, 52, kWhite},
                  {107, 35, kRed},
                  {108, 35, kBlue},
                  {116, 35, kWhite}};
    for (const auto& p : pixels)
        EXPECT_EQ(ScreenAt(p.x, p.y), p.color) << p.x << "," << p.y;
}

TEST_F(ResourceTest, TruncatedIconsFail) {
    const Bytes large = IconImage(32);
    for (std::size_t cut :
         {std::size_t{0}, std::size_t{39}, std::size_t{40}, std::size_t{104}, large.v.size() - 1}) {
        SCOPED_TRACE(cut);
        Resources set;
        set.Add(14, 101, IconGroup()).Add(3, 1, IconImage(16)).Add(3, 2, large, cut);
        EXPECT_EQ(LoadIconW(set.Instance(), MAKEINTRESOURCEW(101)), nullptr);
    }
    for (std::size_t cut : {0, 5, 6, 33}) {
        SCOPED_TRACE(cut);
        Resources set;
        set.Add(14, 101, IconGroup(), cut).Add(3, 2, large);
        EXPECT_EQ(LoadIconW(set.Instance(), MAKEINTRESOURCEW(101)), nullptr);
    }
}

}  // namespace
}  // namespace testwin
