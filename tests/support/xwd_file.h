// Reads the screen an Xvfb keeps in an XWD file (-fbdir): a 24-bit TrueColor
// picture of 32-bit pixels after a big-endian header and a colour map.
#pragma once

#include <cstdint>
#include <string>

#include "tests/support/png_file.h"
#include "tests/support/temp_dir.h"

namespace test_support {

// The picture in COLORREF order (red in the low byte); empty on any failure.
inline Picture ReadXwd(const std::string& path) {
    const std::string bytes = ReadWholeFile(path);
    auto field = [&bytes](std::size_t index) {
        std::uint32_t value = 0;
        for (std::size_t i = 0; i < 4; ++i)
            value = value << 8 | static_cast<unsigned char>(bytes[index * 4 + i]);
        return value;
    };
    if (bytes.size() < 100) return {};
    const std::uint32_t headerSize = field(0), width = field(4), height = field(5);
    const std::uint32_t byteOrder = field(7), bitsPerPixel = field(11), bytesPerLine = field(12);
    const std::uint32_t colours = field(19);
    const std::size_t start = headerSize + std::size_t{colours} * 12;
    if (field(1) != 7 || bitsPerPixel != 32 || width > 8192 || height > 8192 ||
        start + std::size_t{bytesPerLine} * height > bytes.size()) {
        return {};
    }
    Picture picture{static_cast<int>(width), static_cast<int>(height), {}};
    picture.pixels.reserve(std::size_t{width} * height);
    for (std::uint32_t y = 0; y < height; ++y) {
        for (std::uint32_t x = 0; x < width; ++x) {
            const auto* p = reinterpret_cast<const unsigned char*>(bytes.data() + start +
                                                                   y * bytesPerLine + x * 4);
            // 0x00RRGGBB in the server's byte order.
            const std::uint32_t rgb =
                byteOrder == 0 ? p[0] | p[1] << 8 | p[2] << 16 : p[3] | p[2] << 8 | p[1] << 16;
            picture.pixels.push_back((rgb >> 16 & 0xFF) | (rgb & 0xFF00) | (rgb & 0xFF) << 16);
        }
    }
    return picture;
}

}  // namespace test_support
