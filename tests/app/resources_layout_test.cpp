// The resource bytes walked by hand, as the platform's loaders read them.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "host/host.h"
#include "resources/resource_ids.h"
#include "win/windows.h"

namespace {

const host::ResourceItem* Find(WORD type, WORD id) {
    const host::ResourceSet& set = host::ProgramResources();
    for (std::size_t i = 0; i < set.count; ++i) {
        if (set.items[i].type == type && set.items[i].id == id) return &set.items[i];
    }
    return nullptr;
}

// Reads little-endian fields and fails, rather than reads past the end.
class Reader {
  public:
    explicit Reader(const host::ResourceItem& item)
        : data_(static_cast<const BYTE*>(item.data)), size_(item.size) {}
    WORD Word() {
        if (offset_ + 2 > size_) {
            overrun_ = true;
            return 0;
        }
        const WORD v = static_cast<WORD>(data_[offset_] | data_[offset_ + 1] << 8);
        offset_ += 2;
        return v;
    }
    DWORD Dword() {
        const WORD low = Word();
        return low | static_cast<DWORD>(Word()) << 16;
    }
    BYTE Byte() {
        if (offset_ + 1 > size_) {
            overrun_ = true;
            return 0;
        }
        return data_[offset_++];
    }
    std::string Text() {
        std::string s;
        for (WORD c; (c = Word()) != 0 && !overrun_;)
            s += static_cast<char>(c);
        return s;
    }
    void AlignToDword() { offset_ = (offset_ + 3) & ~std::size_t{3}; }
    std::size_t Offset() const { return offset_; }
    bool Overrun() const { return overrun_; }
    bool AtEnd() const { return offset_ == size_; }
    const BYTE* At(std::size_t offset) const { return data_ + offset; }

  private:
    const BYTE* data_;
    std::size_t size_;
    std::size_t offset_ = 0;
    bool overrun_ = false;
};

TEST(ResourceLayout, IconGroupNamesTwoSixteenColourImages) {
    Reader g(*Find(14, kIconId));
    EXPECT_EQ(g.Word(), 0);
    EXPECT_EQ(g.Word(), 1);
    ASSERT_EQ(g.Word(), 2);
    const int sizes[2] = {32, 16};
    for (int size : sizes) {
        SCOPED_TRACE(size);
        EXPECT_EQ(g.Byte(), size);
        EXPECT_EQ(g.Byte(), size);
        EXPECT_EQ(g.Byte(), 16);
        EXPECT_EQ(g.Byte(), 0);
        EXPECT_EQ(g.Word(), 1);
        EXPECT_EQ(g.Word(), 4);
        const DWORD bytes = g.Dword();
        const WORD id = g.Word();
        const host::ResourceItem* image = Find(3, id);
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(image->size, bytes);

        Reader r(*image);
        EXPECT_EQ(r.Dword(), 40u);
        EXPECT_EQ(r.Dword(), static_cast<DWORD>(size));
        EXPECT_EQ(r.Dword(), static_cast<DWORD>(2 * size));
        EXPECT_EQ(r.Word(), 1);
        EXPECT_EQ(r.Word(), 4);
        const int colourStride = (size * 4 + 31) / 32 * 4;
        const int maskStride = (size + 31) / 32 * 4;
        EXPECT_EQ(40u + 64u + static_cast<DWORD>((colourStride + maskStride) * size), bytes);
        // Bottom-up: the last colour row is the top of the picture. The corners
        // are transparent and the middle of the picture is opaque and not black.
        const BYTE* colour = r.At(40 + 64);
        const BYTE* mask = colour + colourStride * size;
        const int top = size - 1;
        const int middle = size / 2;
        EXPECT_TRUE(mask[top * maskStride] & 0x80) << "top-left transparent";
        EXPECT_TRUE(mask[0] & 0x80) << "bottom-left transparent";
        EXPECT_FALSE(mask[middle * maskStride + middle / 8] & (0x80 >> (middle % 8)));
        EXPECT_NE(colour[middle * colourStride + middle / 2], 0);
        // Palette entry 15 is white, 12 blue, in blue-green-red order.
        const BYTE* palette = r.At(40);
        EXPECT_EQ(std::memcmp(palette + 15 * 4, "\xff\xff\xff\x00", 4), 0);
        EXPECT_EQ(std::memcmp(palette + 12 * 4, "\xff\x00\x00\x00", 4), 0);
    }
    EXPECT_TRUE(g.AtEnd());
}

TEST(ResourceLayout, AboutTemplateWalksToThreeAlignedStatics) {
    Reader r(*Find(5, kAboutDialogId));
    EXPECT_EQ(r.Dword(), 0x80C800C0u);
    EXPECT_EQ(r.Dword(), 0x80000000u);
    EXPECT_EQ(r.Word(), 3);
    EXPECT_EQ(r.Word(), 0);
    EXPECT_EQ(r.Word(), 0);
    EXPECT_EQ(r.Word(), 125);
    EXPECT_EQ(r.Word(), 55);
    EXPECT_EQ(r.Word(), 0) << "menu";
    EXPECT_EQ(r.Word(), 0) << "class";
    EXPECT_EQ(r.Text(), "About Skymark");
    EXPECT_EQ(r.Word(), 8);
    EXPECT_EQ(r.Text(), "System");
    const struct {
        DWORD style;
        short x, y, cx, cy;
        const char* text;  // null for the icon ordinal
    } items[3] = {{0x50000003, 11, 17, 20, 20, nullptr},
                  {0x50020080, 38, 10, 70, 8, "Skymark Version 1.0"},
                  {0x50020000, 38, 25, 70, 8, "GPS NMEA logger"}};
    for (const auto& item : items) {
        SCOPED_TRACE(item.style);
        r.AlignToDword();
        EXPECT_EQ(r.Offset() % 4, 0u);
        EXPECT_EQ(r.Dword(), item.style);
        EXPECT_EQ(r.Dword(), 0u);
        EXPECT_EQ(static_cast<short>(r.Word()), item.x);
        EXPECT_EQ(static_cast<short>(r.Word()), item.y);
        EXPECT_EQ(static_cast<short>(r.Word()), item.cx);
        EXPECT_EQ(static_cast<short>(r.Word()), item.cy);
        EXPECT_EQ(r.Word(), 65535) << "id";
        EXPECT_EQ(r.Word(), 0xFFFF);
        EXPECT_EQ(r.Word(), 0x0082) << "static class";
        if (item.text == nullptr) {
            EXPECT_EQ(r.Word(), 0xFFFF);
            EXPECT_EQ(r.Word(), kIconId);
        } else {
            EXPECT_EQ(r.Text(), item.text);
        }
        EXPECT_EQ(r.Word(), 0) << "creation data";
    }
    EXPECT_FALSE(r.Overrun());
    EXPECT_TRUE(r.AtEnd());
}

}  // namespace
