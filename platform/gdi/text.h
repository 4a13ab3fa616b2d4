// The default font: FreeType glyphs of a font found with fontconfig, loaded on
// first use and cached, so that drawing text allocates nothing afterwards.
#pragma once

#include <cstddef>
#include <cstdint>

namespace gdi::text {

// The pixel size of the default font. At this size the screen's field texts
// fit their boxes and a line is 13 pixels tall.
inline constexpr int kPixelSize = 10;

// Glyph bitmaps larger than this are cut; no glyph of the default font is.
inline constexpr int kMaxGlyphSize = 32;

struct Glyph {
    int left = 0;                            // from the pen position to the bitmap's left column
    int top = 0;                             // from the baseline up to the bitmap's top row
    int width = 0;                           // bitmap columns
    int height = 0;                          // bitmap rows
    int advance = 0;                         // pen movement in pixels
    const std::uint8_t* coverage = nullptr;  // width x height, stride width
};

// False when no font could be loaded; text then draws nothing.
bool Available();
int Ascent();
int LineHeight();

// The glyph of one UTF-16 unit sequence's code point. Line breaks and other
// control characters have no ink and no width; code points the font lacks
// show its missing-glyph box. Never null when Available().
const Glyph* GlyphFor(char32_t code_point);

// Walks UTF-16 text, joining surrogate pairs; a lone surrogate reads as U+FFFD.
class CodePoints {
  public:
    CodePoints(const char16_t* text, std::int64_t count) : text_(text), end_(count) {}
    bool Next(char32_t* code_point);

  private:
    const char16_t* text_;
    std::int64_t end_;
    std::int64_t pos_ = 0;
};

// Width in pixels of count UTF-16 units (-1: up to the terminating zero).
std::int64_t Measure(const char16_t* text, std::int64_t count);

// Length of a zero-terminated UTF-16 text.
std::int64_t Length(const char16_t* text);

// A reusable coverage buffer of at least the given size, zeroed; grows only
// when a larger one is asked for.
std::uint8_t* Scratch(std::size_t size);

}  // namespace gdi::text
