// The program's resources, laid out in the platform's binary resource formats
// when first asked for and kept for the life of the process.
#include "resources/program_resources.h"

#include <cstdint>
#include <cstring>
#include <vector>

#include "host/host.h"
#include "resources/resource_ids.h"
#include "win/windows.h"

namespace {

constexpr WORD kEnglishUs = 1033;
constexpr WORD kStringBlockWithIds0To15 = 1;
constexpr WORD kLastAcceleratorFlag = 0x80;
constexpr WORD kMenuPopup = 0x10;
constexpr WORD kMenuEnd = 0x80;
constexpr WORD kStaticClassOrdinal = 0x0082;
constexpr WORD kNoControlId = 0xFFFF;

class Bytes {
  public:
    void Byte(BYTE v) { data_.push_back(v); }
    void Word(WORD v) {
        Byte(static_cast<BYTE>(v & 0xFF));
        Byte(static_cast<BYTE>(v >> 8));
    }
    void Dword(DWORD v) {
        Word(static_cast<WORD>(v & 0xFFFF));
        Word(static_cast<WORD>(v >> 16));
    }
    void Short(short v) { Word(static_cast<WORD>(v)); }
    // Zero-terminated UTF-16 from ASCII text.
    void Text(const char* text) {
        for (; *text != '\0'; ++text)
            Word(static_cast<WORD>(*text));
        Word(0);
    }
    void AlignToDword() {
        while (data_.size() % 4 != 0)
            Byte(0);
    }
    std::size_t Size() const { return data_.size(); }
    const std::vector<BYTE>& Data() const { return data_; }

  private:
    std::vector<BYTE> data_;
};

// Block 1 holds string ids 0 to 15, each a length and its characters.
Bytes StringBlock() {
    const char* strings[16] = {};
    strings[kTitleStringId] = "Skymark";
    strings[kGreetingStringId] = "Hello World!";
    strings[kClassStringId] = "SKYMARK";
    Bytes b;
    for (const char* s : strings) {
        const std::size_t length = s == nullptr ? 0 : std::strlen(s);
        b.Word(static_cast<WORD>(length));
        for (std::size_t i = 0; i < length; ++i)
            b.Word(static_cast<WORD>(s[i]));
    }
    return b;
}

// The picture: a satellite with two solar wings, a mast and a dish. One letter
// per pixel; '.' is transparent.
constexpr const char* kLargeIcon[32] = {
    "................................", "...............rr...............",
    "...............rr...............", "...............gg...............",
    "...............gg...............", "............kkkkkkkk............",
    "............kwyyyyok............", "............kwyyyyok............",
    "nnnnnnnnnnn.kwyyyyok.nnnnnnnnnnn", "nbbbnbbbnbn.kwyyyyok.nbbbnbbbnbn",
    "nbbbnbbbnbn.kwyyyyok.nbbbnbbbnbn", "nbbbnbbbnbn.kwyyyyok.nbbbnbbbnbn",
    "nnnnnnnnnnn.kwyyyyok.nnnnnnnnnnn", "nbbbnbbbnbn.kwyyyyok.nbbbnbbbnbn",
    "nbbbnbbbnbngkwyyyyokgnbbbnbbbnbn", "nbbbnbbbnbngkwyyyyokgnbbbnbbbnbn",
    "nnnnnnnnnnn.kwyyyyok.nnnnnnnnnnn", "nbbbnbbbnbn.kwyyyyok.nbbbnbbbnbn",
    "nbbbnbbbnbn.kwyyyyok.nbbbnbbbnbn", "nbbbnbbbnbn.kwyyyyok.nbbbnbbbnbn",
    "nbbbnbbbnbn.kwyyyyok.nbbbnbbbnbn", "nnnnnnnnnnn.kwyyyyok.nnnnnnnnnnn",
    "............kkkkkkkk............", ".............ssssss.............",
    "..........ssssssssssss..........", ".........ssssssssssssss.........",
    "..........ssssssssssss..........", "............ssssssss............",
    "...............ss...............", "...............ss...............",
    "................................", "................................",
};
constexpr const char* kSmallIcon[16] = {
    ".......rr.......", ".......gg.......", ".......gg.......", "......kkkk......",
    "nnnnn.kwok.nnnnn", "nbbbn.kwok.nbbbn", "nbbbn.kwok.nbbbn", "nnnnngkwokgnnnnn",
    "nbbbn.kwok.nbbbn", "nbbbn.kwok.nbbbn", "nnnnn.kwok.nnnnn", "......kkkk......",
    ".....ssssss.....", "......ssss......", ".......ss.......", "................",
};

// The standard 16-colour palette; the letters of the pictures index it.
struct PaletteEntry {
    char letter;
    BYTE red, green, blue;
};
constexpr PaletteEntry kPalette[16] = {
    {'k', 0, 0, 0},       {'m', 128, 0, 0},   {'d', 0, 128, 0},   {'o', 128, 128, 0},
    {'n', 0, 0, 128},     {'p', 128, 0, 128}, {'t', 0, 128, 128}, {'s', 192, 192, 192},
    {'g', 128, 128, 128}, {'r', 255, 0, 0},   {'l', 0, 255, 0},   {'y', 255, 255, 0},
    {'b', 0, 0, 255},     {'f', 255, 0, 255}, {'a', 0, 255, 255}, {'w', 255, 255, 255},
};

BYTE PaletteIndex(char letter) {
    for (BYTE i = 0; i < 16; ++i) {
        if (kPalette[i].letter == letter) return i;
    }
    return 0;  // transparent pixels carry black under a set mask bit
}

// A 16-colour icon image: header, palette, 4-bit colour rows and 1-bit mask
// rows, both bottom-up and padded to whole DWORDs.
Bytes IconImage(const char* const* rows, int size) {
    const int colourStride = ((size * 4 + 31) / 32) * 4;
    const int maskStride = ((size + 31) / 32) * 4;
    Bytes b;
    b.Dword(40);
    b.Dword(static_cast<DWORD>(size));
    b.Dword(static_cast<DWORD>(size * 2));  // colour and mask stacked
    b.Word(1);
    b.Word(4);
    b.Dword(0);
    b.Dword(static_cast<DWORD>((colourStride + maskStride) * size));
    b.Dword(0);
    b.Dword(0);
    b.Dword(16);
    b.Dword(0);
    for (const PaletteEntry& e : kPalette) {
        b.Byte(e.blue);
        b.Byte(e.green);
        b.Byte(e.red);
        b.Byte(0);
    }
    for (int y = size - 1; y >= 0; --y) {
        for (int x = 0; x < colourStride * 2; x += 2) {
            const BYTE high = x < size ? PaletteIndex(rows[y][x]) : 0;
            const BYTE low = x + 1 < size ? PaletteIndex(rows[y][x + 1]) : 0;
            b.Byte(static_cast<BYTE>(high << 4 | low));
        }
    }
    for (int y = size - 1; y >= 0; --y) {
        for (int x = 0; x < maskStride * 8; x += 8) {
            BYTE bits = 0;
            for (int bit = 0; bit < 8; ++bit) {
                const bool transparent = x + bit >= size || rows[y][x + bit] == '.';
                if (transparent) bits |= static_cast<BYTE>(0x80 >> bit);
            }
            b.Byte(bits);
        }
    }
    return b;
}

Bytes IconGroup(DWORD largeSize, DWORD smallSize) {
    Bytes b;
    b.Word(0);  // reserved
    b.Word(1);  // icons
    b.Word(2);
    const struct {
        BYTE size;
        DWORD bytes;
        WORD id;
    } entries[2] = {{32, largeSize, kLargeIconId}, {16, smallSize, kSmallIconId}};
    for (const auto& e : entries) {
        b.Byte(e.size);
        b.Byte(e.size);
        b.Byte(16);
        b.Byte(0);
        b.Word(1);
        b.Word(4);
        b.Dword(e.bytes);
        b.Word(e.id);
    }
    return b;
}

Bytes Accelerators() {
    Bytes b;
    // Alt+"/" is matched as the character, Alt+F4 as the virtual key.
    b.Word(FALT | FNOINVERT);
    b.Word('/');
    b.Word(kAboutCommandId);
    b.Word(0);
    b.Word(FVIRTKEY | FALT | FNOINVERT | kLastAcceleratorFlag);
    b.Word(VK_F4);
    b.Word(kExitCommandId);
    b.Word(0);
    return b;
}

Bytes Menu() {
    Bytes b;
    b.Word(0);  // version
    b.Word(0);  // header size beyond these two words
    b.Word(kMenuPopup);
    b.Text("&File");
    b.Word(kMenuEnd);
    b.Word(kExitCommandId);
    b.Text("E&xit");
    b.Word(kMenuPopup | kMenuEnd);
    b.Text("&Help");
    b.Word(kMenuEnd);
    b.Word(kAboutCommandId);
    b.Text("&About");
    return b;
}

void DialogItem(Bytes* b, DWORD style, short x, short y, short cx, short cy) {
    b->AlignToDword();
    b->Dword(style);
    b->Dword(0);
    b->Short(x);
    b->Short(y);
    b->Short(cx);
    b->Short(cy);
    b->Word(kNoControlId);
    b->Word(0xFFFF);
    b->Word(kStaticClassOrdinal);
}

Bytes AboutDialog() {
    Bytes b;
    b.Dword(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT);
    b.Dword(WS_EX_CAPTIONOKBTN);
    b.Word(3);
    b.Short(0);
    b.Short(0);
    b.Short(125);
    b.Short(55);
    b.Word(0);  // no menu
    b.Word(0);  // the standard dialog class
    b.Text("About Skymark");
    b.Word(8);
    b.Text("System");

    DialogItem(&b, WS_CHILD | WS_VISIBLE | SS_ICON, 11, 17, 20, 20);
    b.Word(0xFFFF);
    b.Word(kIconId);
    b.Word(0);  // no creation data

    DialogItem(&b, WS_CHILD | WS_VISIBLE | WS_GROUP | SS_NOPREFIX | SS_LEFT, 38, 10, 70, 8);
    b.Text("Skymark Version 1.0");
    b.Word(0);

    DialogItem(&b, WS_CHILD | WS_VISIBLE | WS_GROUP | SS_LEFT, 38, 25, 70, 8);
    b.Text("GPS NMEA logger");
    b.Word(0);
    return b;
}

struct ResourceTable {
    Bytes strings = StringBlock();
    Bytes largeIcon = IconImage(kLargeIcon, 32);
    Bytes smallIcon = IconImage(kSmallIcon, 16);
    Bytes iconGroup =
        IconGroup(static_cast<DWORD>(largeIcon.Size()), static_cast<DWORD>(smallIcon.Size()));
    Bytes accelerators = Accelerators();
    Bytes menu = Menu();
    Bytes about = AboutDialog();
    host::ResourceItem items[7];
    host::ResourceSet set;

    ResourceTable() {
        const struct {
            WORD type;
            WORD id;
            const Bytes& bytes;
        } table[7] = {
            {6, kStringBlockWithIds0To15, strings},
            {3, kLargeIconId, largeIcon},
            {3, kSmallIconId, smallIcon},
            {14, kIconId, iconGroup},
            {9, kAcceleratorTableId, accelerators},
            {4, kMenuId, menu},
            {5, kAboutDialogId, about},
        };
        for (int i = 0; i < 7; ++i) {
            items[i] = {table[i].type, table[i].id, kEnglishUs, table[i].bytes.Data().data(),
                        static_cast<DWORD>(table[i].bytes.Size())};
        }
        set = {items, 7};
    }
};

}  // namespace

const host::ResourceSet& ProgramResources() {
    static const ResourceTable table;
    return table.set;
}
