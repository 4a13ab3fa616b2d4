#include "platform/gdi/text.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "host/host.h"

namespace gdi::text {
namespace {

constexpr const char* kFallbackFontPath = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
constexpr char32_t kReplacement = 0xFFFD;
constexpr int kLatin1Count = 256;
constexpr int kOtherCount = 64;

struct CachedGlyph {
    bool loaded = false;
    char32_t code_point = 0;
    Glyph glyph;
    std::array<std::uint8_t, kMaxGlyphSize * kMaxGlyphSize> pixels{};
};

bool IsControl(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c < 0xA0);
}

// The file fontconfig offers for the default font; empty when it has none.
std::string FindFontFile() {
    std::string path;
    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>("DejaVu Sans"));
    if (pattern == nullptr) return path;
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    if (match != nullptr) {
        FcChar8* file = nullptr;
        if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file != nullptr) {
            path = reinterpret_cast<const char*>(file);
        }
        FcPatternDestroy(match);
    }
    FcPatternDestroy(pattern);
    return path;
}

// Owns the FreeType and fontconfig state for the life of the process and
// releases it at exit, so leak checkers see a clean end.
class Font {
  public:
    Font() {
        fontconfig_ = FcInit() == FcTrue;
        if (FT_Init_FreeType(&library_) != 0) {
            library_ = nullptr;
            return;
        }
        // The known DejaVu path stands in only when fontconfig cannot start;
        // when it runs and finds no font, there is none to use.
        if (fontconfig_) {
            const std::string found = FindFontFile();
            if (!found.empty()) Open(found);
        } else {
            Open(kFallbackFontPath);
        }
        if (face_ == nullptr) return;
        ascent_ = static_cast<int>((face_->size->metrics.ascender + 63) >> 6);
        const int descent = static_cast<int>((-face_->size->metrics.descender + 63) >> 6);
        line_height_ = ascent_ + descent;
        latin1_ = std::make_unique<std::array<CachedGlyph, kLatin1Count>>();
        other_ = std::make_unique<std::array<CachedGlyph, kOtherCount>>();
    }
    // Hands FreeType and fontconfig back; text draws nothing afterwards.
    void Shutdown() {
        if (face_ != nullptr) FT_Done_Face(face_);
        if (library_ != nullptr) FT_Done_FreeType(library_);
        if (fontconfig_) FcFini();
        face_ = nullptr;
        library_ = nullptr;
        fontconfig_ = false;
    }
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;

    bool ok() const { return face_ != nullptr; }
    int ascent() const { return ascent_; }
    int line_height() const { return line_height_; }

    const Glyph* Get(char32_t c) {
        CachedGlyph& slot = c < kLatin1Count ? (*latin1_)[c] : (*other_)[c % kOtherCount];
        if (!slot.loaded || slot.code_point != c) Render(c, &slot);
        return &slot.glyph;
    }

    std::vector<std::uint8_t> scratch;

  private:
    bool Open(const std::string& path) {
        if (FT_New_Face(library_, path.c_str(), 0, &face_) != 0) {
            face_ = nullptr;
            return false;
        }
        // A font without digits (a symbol font) would draw the screen as boxes.
        if (FT_Set_Pixel_Sizes(face_, 0, kPixelSize) != 0 || FT_Get_Char_Index(face_, U'0') == 0) {
            FT_Done_Face(face_);
            face_ = nullptr;
            return false;
        }
        return true;
    }

    void Render(char32_t c, CachedGlyph* slot) {
        slot->loaded = true;
        slot->code_point = c;
        slot->glyph = Glyph{};
        slot->glyph.coverage = slot->pixels.data();
        if (IsControl(c)) return;
        if (FT_Load_Char(face_, c, FT_LOAD_RENDER | FT_LOAD_TARGET_NORMAL) != 0) return;
        const FT_GlyphSlot g = face_->glyph;
        slot->glyph.advance = static_cast<int>(std::max<FT_Pos>(0, (g->advance.x + 32) >> 6));
        const FT_Bitmap& bm = g->bitmap;
        const int width = std::min<int>(static_cast<int>(bm.width), kMaxGlyphSize);
        const int height = std::min<int>(static_cast<int>(bm.rows), kMaxGlyphSize);
        if (bm.buffer == nullptr || width <= 0 || height <= 0) return;
        const bool mono = bm.pixel_mode == FT_PIXEL_MODE_MONO;
        if (!mono && bm.pixel_mode != FT_PIXEL_MODE_GRAY) return;
        for (int y = 0; y < height; ++y) {
            const int source_row = bm.pitch >= 0 ? y : static_cast<int>(bm.rows) - 1 - y;
            const unsigned char* row = bm.buffer + static_cast<std::ptrdiff_t>(source_row) *
                                                       (bm.pitch >= 0 ? bm.pitch : -bm.pitch);
            for (int x = 0; x < width; ++x) {
                std::uint8_t v;
                if (mono) {
                    v = (row[x >> 3] & (0x80 >> (x & 7))) ? 255 : 0;
                } else if (bm.num_grays == 256 || bm.num_grays < 2) {
                    v = row[x];
                } else {
                    v = static_cast<std::uint8_t>(row[x] * 255 / (bm.num_grays - 1));
                }
                slot->pixels[static_cast<std::size_t>(y * width + x)] = v;
            }
        }
        slot->glyph.left = g->bitmap_left;
        slot->glyph.top = g->bitmap_top;
        slot->glyph.width = width;
        slot->glyph.height = height;
    }

    bool fontconfig_ = false;
    FT_Library library_ = nullptr;
    FT_Face face_ = nullptr;
    int ascent_ = 0;
    int line_height_ = 0;
    std::unique_ptr<std::array<CachedGlyph, kLatin1Count>> latin1_;
    std::unique_ptr<std::array<CachedGlyph, kOtherCount>> other_;
};

// The font stays allocated for the whole process, so text drawn from another
// part's static destructor finds it; its host resources go at exit, which
// keeps leak checkers quiet about FreeType and fontconfig.
struct FontReaper {
    Font* font;
    ~FontReaper() { font->Shutdown(); }
};

Font& TheFont() {
    static Font* const font = new Font;
    static FontReaper reaper{font};
    return *font;
}

}  // namespace

bool Available() {
    return TheFont().ok();
}
int Ascent() {
    return TheFont().ascent();
}
int LineHeight() {
    return TheFont().line_height();
}

const Glyph* GlyphFor(char32_t code_point) {
    Font& font = TheFont();
    if (!font.ok()) return nullptr;
    if (code_point > 0x10FFFF) code_point = kReplacement;
    return font.Get(code_point);
}

bool CodePoints::Next(char32_t* code_point) {
    if (pos_ >= end_) return false;
    const char16_t unit = text_[pos_++];
    if (unit >= 0xD800 && unit < 0xDC00) {
        if (pos_ < end_ && text_[pos_] >= 0xDC00 && text_[pos_] < 0xE000) {
            const char16_t low = text_[pos_++];
            *code_point = 0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) +
                          (static_cast<char32_t>(low) - 0xDC00);
            return true;
        }
        *code_point = kReplacement;
        return true;
    }
    *code_point = (unit >= 0xDC00 && unit < 0xE000) ? kReplacement : unit;
    return true;
}

std::int64_t Length(const char16_t* text) {
    std::int64_t n = 0;
    while (text[n] != 0)
        ++n;
    return n;
}

std::int64_t Measure(const char16_t* text, std::int64_t count) {
    if (text == nullptr || !Available()) return 0;
    if (count == -1) count = Length(text);
    if (count < 0) return 0;
    std::int64_t width = 0;
    CodePoints points(text, count);
    char32_t c = 0;
    while (points.Next(&c))
        width += GlyphFor(c)->advance;
    return width;
}

std::uint8_t* Scratch(std::size_t size) {
    std::vector<std::uint8_t>& buffer = TheFont().scratch;
    if (buffer.size() < size) buffer.resize(size);
    std::fill(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(size), 0);
    return buffer.data();
}

}  // namespace gdi::text

namespace host {

bool DefaultFontUsable() {
    return gdi::text::Available();
}

}  // namespace host
