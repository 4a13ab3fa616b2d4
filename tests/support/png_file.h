// Reads PNG pictures written by the program back for pixel comparisons.
#pragma once

#include <png.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace test_support {

// A picture read back whole, as COLORREF-ordered values (red in the low
// byte); empty, with width 0, on any failure.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
    std::uint32_t At(int x, int y) const { return pixels[std::size_t(y) * width + x]; }
};

inline Picture ReadPicture(const std::string& path) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return {};
    image.format = PNG_FORMAT_RGB;
    std::vector<png_byte> bytes(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, bytes.data(), 0, nullptr)) {
        png_image_free(&image);
        return {};
    }
    Picture picture{static_cast<int>(image.width), static_cast<int>(image.height), {}};
    for (std::size_t i = 0; i + 2 < bytes.size(); i += 3)
        picture.pixels.push_back(bytes[i] | (std::uint32_t{bytes[i + 1]} << 8) |
                                 (std::uint32_t{bytes[i + 2]} << 16));
    return picture;
}

// The same as pixels alone, with the size where asked.
inline std::vector<std::uint32_t> ReadPng(const std::string& path, int* width, int* height) {
    Picture picture = ReadPicture(path);
    *width = picture.width;
    *height = picture.height;
    return std::move(picture.pixels);
}

}  // namespace test_support
