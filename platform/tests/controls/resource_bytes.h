// Resources built byte by byte for the resource and dialog tests, each held in
// a heap block of exactly its size so that any read past its end trips the
// address sanitizer.
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "host/host.h"

namespace testwin {

// Little-endian words and double words, as resources hold them.
struct Bytes {
    std::vector<std::uint8_t> v;
    Bytes& W(WORD w) {
        v.push_back(static_cast<std::uint8_t>(w & 0xFF));
        v.push_back(static_cast<std::uint8_t>(w >> 8));
        return *this;
    }
    Bytes& D(DWORD d) { return W(static_cast<WORD>(d & 0xFFFF)).W(static_cast<WORD>(d >> 16)); }
    // A text and its terminator.
    Bytes& S(std::u16string_view text) {
        for (char16_t c : text)
            W(c);
        return W(0);
    }
};

// A resource set; each item cut to its first `size` bytes when given. The
// set must outlive every use of its instance.
class Resources {
  public:
    Resources& Add(WORD type, WORD id, const Bytes& bytes, std::size_t size = SIZE_MAX) {
        size = std::min(size, bytes.v.size());
        blocks_.push_back(std::make_unique<std::uint8_t[]>(size == 0 ? 1 : size));
        std::copy_n(bytes.v.begin(), size, blocks_.back().get());
        items_.push_back({type, id, 1033, blocks_.back().get(), static_cast<DWORD>(size)});
        return *this;
    }
    HINSTANCE Instance() const {
        return host::CreateInstance(host::ResourceSet{items_.data(), items_.size()});
    }

  private:
    std::vector<std::unique_ptr<std::uint8_t[]>> blocks_;
    std::vector<host::ResourceItem> items_;
};

// A 4-bit icon image: left half red, right half blue, top-left pixel
// transparent.
inline Bytes IconImage(int size) {
    Bytes out;
    out.D(40).D(size).D(size * 2).W(1).W(4).D(0).D(0).D(0).D(0).D(0).D(0);
    out.D(0).D(0x00FF0000).D(0x000000FF);  // palette: black, red, blue as B, G, R, 0
    out.v.resize(out.v.size() + 13 * 4);
    const std::size_t xor_stride = (size * 4 + 31) / 32 * 4;
    const std::size_t and_stride = (size + 31) / 32 * 4;
    for (int row = 0; row < size; ++row) {
        const std::size_t at = out.v.size();
        out.v.resize(at + xor_stride);
        for (int x = 0; x < size; ++x)
            out.v[at + x / 2] |= (x < size / 2 ? 1 : 2) << (x % 2 == 0 ? 4 : 0);
    }
    out.v.resize(out.v.size() + and_stride * size);
    out.v[out.v.size() - and_stride] = 0x80;  // bottom-up: the top row comes last
    return out;
}

// Icon group 101's bytes: a 16 x 16 image with id 1 and a 32 x 32 one with id 2.
inline Bytes IconGroup() {
    Bytes out;
    out.W(0).W(1).W(2);
    for (const WORD id : {1, 2}) {
        const int size = 16 * id;
        out.W(static_cast<WORD>(size | size << 8)).W(16).W(1).W(4);
        out.D(static_cast<DWORD>(IconImage(size).v.size())).W(id);
    }
    return out;
}

// The icon group and its two images.
inline Resources& AddIcon(Resources& set) {
    return set.Add(14, 101, IconGroup()).Add(3, 1, IconImage(16)).Add(3, 2, IconImage(32));
}

}  // namespace testwin
