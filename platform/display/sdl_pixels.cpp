// Pixel conversion of the SDL display.
#include "display/sdl_pixels.h"

#include <cstring>

#include "display/sdl_api.h"

namespace display::sdl {
namespace {

// COLORREF (0x00BBGGRR) to a surface pixel value. Surfaces of 32 bits
// with byte-wide channels take shifts; the others ask SDL, once per run
// of one colour.
class Converter {
  public:
    explicit Converter(const SDL_PixelFormat* format) : format_(format) {
        bytes_ = format->BytesPerPixel;
        if (bytes_ == 4 && format->Rloss == 0 && format->Gloss == 0 && format->Bloss == 0) {
            direct_ = true;
            // XRGB8888 ignores its top byte and ARGB8888 wants it full.
            xrgb_ = format->Rshift == 16 && format->Gshift == 8 && format->Bshift == 0 &&
                    (format->Amask == 0 || format->Amask == 0xFF000000u);
            r_shift_ = format->Rshift;
            g_shift_ = format->Gshift;
            b_shift_ = format->Bshift;
            alpha_ = format->Amask;
        }
    }
    int bytes() const { return bytes_; }
    bool direct() const { return direct_; }

    bool xrgb() const { return xrgb_; }

    // 0x00BBGGRR to 0x00RRGGBB; the alpha byte, if any, is opaque.
    static Uint32 Xrgb(std::uint32_t color) {
        return (__builtin_bswap32(color) >> 8) | 0xFF000000u;
    }

    Uint32 Direct(std::uint32_t color) const {
        return ((color & 0xFF) << r_shift_) | (((color >> 8) & 0xFF) << g_shift_) |
               (((color >> 16) & 0xFF) << b_shift_) | alpha_;
    }

    Uint32 Mapped(std::uint32_t color) {
        if (color != last_color_ || !have_last_) {
            last_color_ = color;
            have_last_ = true;
            last_value_ =
                api.MapRGB(format_, color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
        }
        return last_value_;
    }

  private:
    const SDL_PixelFormat* format_;
    int bytes_ = 0;
    bool direct_ = false;
    bool xrgb_ = false;
    int r_shift_ = 0;
    int g_shift_ = 0;
    int b_shift_ = 0;
    Uint32 alpha_ = 0;
    std::uint32_t last_color_ = 0;
    bool have_last_ = false;
    Uint32 last_value_ = 0;
};

// One device row of 32-bit pixels, each written scale times.
template <class Convert>
void ScaleRow(const std::uint32_t* from, int count, int scale, Uint32* to, Convert convert) {
    if (scale == 1) {
        for (int i = 0; i < count; ++i)
            to[i] = convert(from[i]);
    } else if (scale == 2) {
        for (int i = 0; i < count; ++i) {
            const Uint32 value = convert(from[i]);
            to[2 * i] = value;
            to[2 * i + 1] = value;
        }
    } else {
        for (int i = 0; i < count; ++i) {
            const Uint32 value = convert(from[i]);
            for (int sx = 0; sx < scale; ++sx)
                *to++ = value;
        }
    }
}

static void WritePixel(Uint8* at, int bytes, Uint32 value) {
    switch (bytes) {
        case 4: {
            std::memcpy(at, &value, 4);
            break;
        }
        case 2: {
            const Uint16 narrow = static_cast<Uint16>(value);
            std::memcpy(at, &narrow, 2);
            break;
        }
        case 3:
            // Same byte order as the value held in memory.
            if (SDL_BYTEORDER == SDL_LIL_ENDIAN) {
                at[0] = value & 0xFF;
                at[1] = (value >> 8) & 0xFF;
                at[2] = (value >> 16) & 0xFF;
            } else {
                at[0] = (value >> 16) & 0xFF;
                at[1] = (value >> 8) & 0xFF;
                at[2] = value & 0xFF;
            }
            break;
        default:
            *at = static_cast<Uint8>(value);
            break;
    }
}

}  // namespace

// One rectangle: each device row is scaled into the first of its window
// rows, which is then copied to the others.
void CopyScaled(const host::PixelView& screen, const RECT& r, int scale, SDL_Surface* surface) {
    Converter convert(surface->format);
    const int bytes = convert.bytes();
    const std::size_t row_bytes =
        static_cast<std::size_t>(r.right - r.left) * static_cast<std::size_t>(scale * bytes);
    for (int y = r.top; y < r.bottom; ++y) {
        const std::uint32_t* from = screen.pixels + static_cast<std::ptrdiff_t>(y) * screen.stride;
        auto* first_row = static_cast<Uint8*>(surface->pixels) +
                          static_cast<std::ptrdiff_t>(y * scale) * surface->pitch +
                          static_cast<std::ptrdiff_t>(r.left * scale) * bytes;
        if (convert.xrgb()) {
            ScaleRow(from + r.left, r.right - r.left, scale, reinterpret_cast<Uint32*>(first_row),
                     [](std::uint32_t c) { return Converter::Xrgb(c); });
        } else if (convert.direct()) {
            ScaleRow(from + r.left, r.right - r.left, scale, reinterpret_cast<Uint32*>(first_row),
                     [&convert](std::uint32_t c) { return convert.Direct(c); });
        } else {
            Uint8* to = first_row;
            for (int x = r.left; x < r.right; ++x) {
                const Uint32 value = convert.Mapped(from[x]);
                for (int sx = 0; sx < scale; ++sx) {
                    WritePixel(to, bytes, value);
                    to += bytes;
                }
            }
        }
        for (int sy = 1; sy < scale; ++sy)
            std::memcpy(first_row + static_cast<std::ptrdiff_t>(sy) * surface->pitch, first_row,
                        row_bytes);
    }
}

}  // namespace display::sdl
