// PNG pictures written again and again as they change. The writer keeps the
// picture as the file holds it, in bands of rows each compressed on its own;
// only the bands that changed since the previous file are compressed again.
#pragma once

#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "host/host.h"
#include "win/types.h"

namespace gdi {

class PngWriter {
  public:
    // Rows per band: a line of text touches two or three.
    static constexpr int kBandRows = 8;

    PngWriter();
    ~PngWriter();
    PngWriter(const PngWriter&) = delete;
    PngWriter& operator=(const PngWriter&) = delete;

    // Takes the pixels inside the rectangles (the whole picture when nothing
    // was taken yet or its size changed); true when they differ from what
    // was taken before.
    bool Take(const host::PixelView& picture, const RECT* rects, int count);

    // Writes what was taken as an 8-bit RGB PNG file; false on any failure,
    // with errno telling why.
    bool Write(const char* path);
    // Same, through a temporary file renamed into place, so a reader never
    // sees a partial picture.
    bool WriteAtomically(const char* path);

  private:
    struct Band {
        std::vector<std::uint8_t> deflated;  // raw deflate, byte-aligned, not final
        std::size_t size = 0;
        std::uint32_t adler = 1;  // of the band's rows
        bool current = false;
    };

    void TakeAll(const host::PixelView& picture);
    bool Compress(std::size_t band);
    bool Encode();
    bool Save(const char* path);

    z_stream zlib_{};
    bool zlib_ready_ = false;
    int width_ = 0;
    int height_ = 0;
    std::size_t stride_ = 0;  // a filter byte, then red, green, blue per pixel
    std::vector<std::uint8_t> rows_;
    std::vector<Band> bands_;
    std::vector<std::uint8_t> file_;
    std::string temporary_;
};

}  // namespace gdi
