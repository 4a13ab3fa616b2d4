// Pictures of pixels as PNG files, for tests, tools and the headless display.
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/gdi/png_writer.h"

namespace gdi {
namespace {

// Speed matters more than size: level 1 is several times cheaper than the
// default and leaves a picture of the screen about as small, and rows go
// without a filter for the same reason.
constexpr int kLevel = 1;
constexpr std::uint8_t kNoFilter = 0;
constexpr std::uint8_t kSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
// zlib header: deflate with a 32 KiB window, fastest compression.
constexpr std::uint8_t kZlibHeader[] = {0x78, 0x01};
// An empty final stored block closes the deflate stream after the bands.
constexpr std::uint8_t kFinalBlock[] = {0x01, 0x00, 0x00, 0xFF, 0xFF};

bool ValidView(const host::PixelView& view) {
    return view.pixels != nullptr && view.width > 0 && view.height > 0 &&
           view.stride >= view.width && view.width <= 0x7FFFFFFF / 3 &&
           view.height <= 0x7FFFFFFF / view.width;
}

void PutBytes(std::vector<std::uint8_t>& out, const std::uint8_t* bytes, std::size_t count) {
    const std::size_t at = out.size();
    out.resize(at + count);
    std::memcpy(out.data() + at, bytes, count);
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    const std::uint8_t bytes[] = {
        static_cast<std::uint8_t>(value >> 24), static_cast<std::uint8_t>(value >> 16),
        static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value)};
    PutBytes(out, bytes, sizeof bytes);
}

// Starts a chunk: a length to be filled in, then the type. Returns where
// the type starts, for EndChunk.
std::size_t BeginChunk(std::vector<std::uint8_t>& out, const char* type) {
    Put32(out, 0);
    const std::size_t start = out.size();
    PutBytes(out, reinterpret_cast<const std::uint8_t*>(type), 4);
    return start;
}

// The chunk's length and its CRC over type and data.
void EndChunk(std::vector<std::uint8_t>& out, std::size_t start) {
    const std::size_t length = out.size() - start - 4;
    for (std::size_t i = 0; i < 4; ++i)
        out[start - 4 + i] = static_cast<std::uint8_t>(length >> (24 - 8 * i));
    const uLong crc =
        crc32(crc32(0, nullptr, 0), out.data() + start, static_cast<uInt>(out.size() - start));
    Put32(out, static_cast<std::uint32_t>(crc));
}

bool Fail(int error) {
    errno = error != 0 ? error : EIO;
    return false;
}

// One pixel as the file holds it; true when that changed the bytes.
bool PutPixel(std::uint8_t* out, std::uint32_t pixel) {
    // COLORREF is 0x00BBGGRR; the file holds red, green, blue.
    const std::uint8_t red = static_cast<std::uint8_t>(pixel);
    const std::uint8_t green = static_cast<std::uint8_t>(pixel >> 8);
    const std::uint8_t blue = static_cast<std::uint8_t>(pixel >> 16);
    if (out[0] == red && out[1] == green && out[2] == blue) return false;
    out[0] = red;
    out[1] = green;
    out[2] = blue;
    return true;
}

}  // namespace

PngWriter::PngWriter() = default;

PngWriter::~PngWriter() {
    if (zlib_ready_) deflateEnd(&zlib_);
}

void PngWriter::TakeAll(const host::PixelView& picture) {
    width_ = picture.width;
    height_ = picture.height;
    stride_ = 1 + static_cast<std::size_t>(width_) * 3;
    rows_.assign(stride_ * static_cast<std::size_t>(height_), 0);
    bands_.assign(static_cast<std::size_t>((height_ + kBandRows - 1) / kBandRows), Band{});
    for (int y = 0; y < height_; ++y) {
        std::uint8_t* out = rows_.data() + stride_ * static_cast<std::size_t>(y);
        const std::uint32_t* in = picture.pixels + static_cast<std::ptrdiff_t>(y) * picture.stride;
        *out++ = kNoFilter;
        for (int x = 0; x < width_; ++x, out += 3)
            PutPixel(out, in[x]);
    }
}

bool PngWriter::Take(const host::PixelView& picture, const RECT* rects, int count) {
    if (!ValidView(picture)) return false;
    if (picture.width != width_ || picture.height != height_ || bands_.empty()) {
        TakeAll(picture);
        return true;
    }
    bool changed = false;
    for (int i = 0; i < count; ++i) {
        const int left = std::max(0, static_cast<int>(rects[i].left));
        const int right = std::min(width_, static_cast<int>(rects[i].right));
        const int top = std::max(0, static_cast<int>(rects[i].top));
        const int bottom = std::min(height_, static_cast<int>(rects[i].bottom));
        for (int y = top; y < bottom && left < right; ++y) {
            std::uint8_t* out = rows_.data() + stride_ * static_cast<std::size_t>(y) + 1 + 3 * left;
            const std::uint32_t* in =
                picture.pixels + static_cast<std::ptrdiff_t>(y) * picture.stride;
            bool row_changed = false;
            for (int x = left; x < right; ++x, out += 3)
                row_changed |= PutPixel(out, in[x]);
            if (!row_changed) continue;
            bands_[static_cast<std::size_t>(y / kBandRows)].current = false;
            changed = true;
        }
    }
    return changed;
}

bool PngWriter::Write(const char* path) {
    if (path == nullptr || path[0] == '\0' || bands_.empty()) return Fail(EINVAL);
    if (!Encode()) return Fail(ENOMEM);
    return Save(path);
}

bool PngWriter::WriteAtomically(const char* path) {
    if (path == nullptr || path[0] == '\0' || bands_.empty()) return Fail(EINVAL);
    if (!Encode()) return Fail(ENOMEM);
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, ".tmp.%ld", static_cast<long>(getpid()));
    temporary_.assign(path).append(suffix);
    if (!Save(temporary_.c_str())) return false;
    // Over an earlier picture, the names are exchanged and the old picture
    // removed: as atomic as a rename, but a picture replaced within seconds
    // is then never written out to the disk, where ext4 writes out at once
    // a file renamed over another.
    struct stat existing {};
    if (lstat(path, &existing) == 0 && S_ISREG(existing.st_mode) &&
        renameat2(AT_FDCWD, temporary_.c_str(), AT_FDCWD, path, RENAME_EXCHANGE) == 0) {
        unlink(temporary_.c_str());
        return true;
    }
    if (std::rename(temporary_.c_str(), path) != 0) {
        const int error = errno;
        unlink(temporary_.c_str());
        return Fail(error);
    }
    return true;
}

bool PngWriter::Compress(std::size_t index) {
    Band& band = bands_[index];
    const std::size_t top = index * kBandRows;
    const std::size_t rows = std::min<std::size_t>(kBandRows, height_ - top);
    const std::uint8_t* in = rows_.data() + stride_ * top;
    const uInt length = static_cast<uInt>(stride_ * rows);
    band.adler = static_cast<std::uint32_t>(adler32(adler32(0, nullptr, 0), in, length));
    if (!zlib_ready_) {
        // Raw deflate: the bands are pieces of the one zlib stream that
        // Encode puts together.
        if (deflateInit2(&zlib_, kLevel, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
            return false;
        }
        zlib_ready_ = true;
    } else if (deflateReset(&zlib_) != Z_OK) {
        return false;
    }
    // Room for the worst case and the marker that ends the band.
    const std::size_t room = deflateBound(&zlib_, length) + 16;
    if (band.deflated.size() < room) band.deflated.resize(room);
    zlib_.next_in = const_cast<std::uint8_t*>(in);
    zlib_.avail_in = length;
    zlib_.next_out = band.deflated.data();
    zlib_.avail_out = static_cast<uInt>(room);
    // A sync flush ends the band on a byte boundary without closing the
    // stream; the next band starts afresh, so it never refers back here.
    if (deflate(&zlib_, Z_SYNC_FLUSH) != Z_OK || zlib_.avail_in != 0 || zlib_.avail_out == 0) {
        return false;
    }
    band.size = room - zlib_.avail_out;
    band.current = true;
    return true;
}

// Compresses the bands that changed, then puts the file's bytes together.
bool PngWriter::Encode() {
    for (std::size_t i = 0; i < bands_.size(); ++i) {
        if (!bands_[i].current && !Compress(i)) return false;
    }
    file_.clear();
    PutBytes(file_, kSignature, sizeof kSignature);

    std::size_t chunk = BeginChunk(file_, "IHDR");
    Put32(file_, static_cast<std::uint32_t>(width_));
    Put32(file_, static_cast<std::uint32_t>(height_));
    // 8 bits per sample, RGB, deflate, a filter byte per row, not interlaced.
    const std::uint8_t format[] = {8, 2, 0, 0, 0};
    PutBytes(file_, format, sizeof format);
    EndChunk(file_, chunk);

    chunk = BeginChunk(file_, "IDAT");
    PutBytes(file_, kZlibHeader, sizeof kZlibHeader);
    uLong adler = adler32(0, nullptr, 0);
    for (std::size_t i = 0; i < bands_.size(); ++i) {
        const Band& band = bands_[i];
        PutBytes(file_, band.deflated.data(), band.size);
        const std::size_t rows = std::min<std::size_t>(kBandRows, height_ - i * kBandRows);
        adler = adler32_combine(adler, band.adler, static_cast<z_off_t>(stride_ * rows));
    }
    PutBytes(file_, kFinalBlock, sizeof kFinalBlock);
    Put32(file_, static_cast<std::uint32_t>(adler));
    EndChunk(file_, chunk);

    EndChunk(file_, BeginChunk(file_, "IEND"));
    return true;
}

bool PngWriter::Save(const char* path) {
    const int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    const std::uint8_t* bytes = file_.data();
    std::size_t left = file_.size();
    int error = 0;
    while (left > 0 && error == 0) {
        const ssize_t n = write(fd, bytes, left);
        if (n > 0) {
            bytes += n;
            left -= static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            error = n < 0 ? errno : EIO;
        }
    }
    if (close(fd) != 0 && error == 0) error = errno;
    if (error == 0) return true;
    unlink(path);
    return Fail(error);
}

}  // namespace gdi

namespace host {

bool WritePng(const PixelView& pixels, const char* path) {
    gdi::PngWriter writer;
    if (!writer.Take(pixels, nullptr, 0)) return gdi::Fail(EINVAL);
    return writer.Write(path);
}

}  // namespace host
