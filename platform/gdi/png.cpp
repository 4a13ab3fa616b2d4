// Pictures of pixels as PNG files, for tests, tools and the headless display.

#include <png.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "host/host.h"

namespace host {
namespace {

struct FileCloser {
    std::FILE* file;
    ~FileCloser() {
        if (file != nullptr) std::fclose(file);
    }
};

// libpng reports errors by longjmp, so nothing with a destructor may live in
// this function between setjmp and the end.
bool Encode(std::FILE* file, const PixelView& view, png_bytep row) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (png == nullptr) return false;
    png_infop info = png_create_info_struct(png);
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(view.width),
                 static_cast<png_uint_32>(view.height), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < view.height; ++y) {
        const std::uint32_t* pixels = view.pixels + static_cast<std::ptrdiff_t>(y) * view.stride;
        for (int x = 0; x < view.width; ++x) {
            row[3 * x] = static_cast<png_byte>(pixels[x] & 0xFF);
            row[3 * x + 1] = static_cast<png_byte>((pixels[x] >> 8) & 0xFF);
            row[3 * x + 2] = static_cast<png_byte>((pixels[x] >> 16) & 0xFF);
        }
        png_write_row(png, row);
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

bool ValidView(const PixelView& view) {
    return view.pixels != nullptr && view.width > 0 && view.height > 0 &&
           view.stride >= view.width && view.width <= 0x7FFFFFFF / 3;
}

}  // namespace

bool WritePng(const PixelView& pixels, const char* path) {
    if (!ValidView(pixels) || path == nullptr || path[0] == '\0') return false;
    std::vector<png_byte> row(static_cast<std::size_t>(pixels.width) * 3);
    FileCloser closer{std::fopen(path, "wb")};
    if (closer.file == nullptr) return false;
    bool ok = Encode(closer.file, pixels, row.data());
    ok = std::fflush(closer.file) == 0 && ok;
    ok = std::ferror(closer.file) == 0 && ok;
    const int closed = std::fclose(closer.file);
    closer.file = nullptr;
    return ok && closed == 0;
}

bool WritePngAtomically(const PixelView& pixels, const char* path) {
    if (path == nullptr || path[0] == '\0') return false;
    const std::string temporary = std::string(path) + ".tmp." + std::to_string(getpid());
    if (!WritePng(pixels, temporary.c_str())) {
        unlink(temporary.c_str());
        return false;
    }
    if (std::rename(temporary.c_str(), path) != 0) {
        unlink(temporary.c_str());
        return false;
    }
    return true;
}

}  // namespace host
