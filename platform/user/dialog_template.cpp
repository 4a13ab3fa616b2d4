// Dialog template reader: header, menu, class, title, optional font, then the
// DWORD-aligned items.
#include "dialog_template.h"

#include <algorithm>
#include <cstring>

namespace controls {

namespace {

// Bounds-checked reading; the first failure sticks, so callers check once.
class Reader {
  public:
    Reader(const void* data, std::size_t size)
        : bytes_(static_cast<const unsigned char*>(data)), size_(size) {}

    bool ok() const { return ok_; }

    template <typename T>
    T Read() {
        T value{};
        if (!ok_ || size_ - offset_ < sizeof(T)) {
            ok_ = false;
            return value;
        }
        // Templates need not be aligned for T: copy instead of casting.
        std::memcpy(&value, bytes_ + offset_, sizeof(T));
        offset_ += sizeof(T);
        return value;
    }

    // A NUL-terminated UTF-16 string; unterminated within the bounds fails.
    std::u16string ReadString() {
        std::u16string text;
        for (;;) {
            const WORD c = Read<WORD>();
            if (!ok_ || c == 0) return text;
            text.push_back(static_cast<char16_t>(c));
        }
    }

    TemplateName ReadName() {
        TemplateName name;
        const WORD first = Read<WORD>();
        if (!ok_ || first == 0) return name;
        if (first == 0xFFFF) {
            name.is_ordinal = true;
            name.ordinal = Read<WORD>();
            return name;
        }
        name.text.push_back(static_cast<char16_t>(first));
        name.text += ReadString();
        return name;
    }

    void Skip(std::size_t count) {
        if (!ok_ || size_ - offset_ < count) {
            ok_ = false;
            return;
        }
        offset_ += count;
    }

    // Items start on DWORD boundaries counted from the template's start.
    void AlignDword() { Skip((4 - offset_ % 4) % 4); }

  private:
    const unsigned char* bytes_;
    std::size_t size_;
    std::size_t offset_ = 0;
    bool ok_ = true;
};

}  // namespace

bool ParseDialogTemplate(const void* data, std::size_t size, DialogTemplateData* out) {
    if (data == nullptr || out == nullptr) return false;
    Reader reader(data, size);
    DialogTemplateData parsed;
    parsed.style = reader.Read<DWORD>();
    // The extended layout starts with version 1 and signature 0xFFFF; not supported.
    if (reader.ok() && parsed.style == 0xFFFF0001u) return false;
    parsed.ex_style = reader.Read<DWORD>();
    const WORD count = reader.Read<WORD>();
    parsed.x = reader.Read<short>();
    parsed.y = reader.Read<short>();
    parsed.cx = reader.Read<short>();
    parsed.cy = reader.Read<short>();
    parsed.menu = reader.ReadName();
    parsed.window_class = reader.ReadName();
    parsed.title = reader.ReadString();
    if (reader.ok() && (parsed.style & DS_SETFONT) != 0) {
        parsed.has_font = true;
        parsed.point_size = reader.Read<WORD>();
        parsed.face = reader.ReadString();
    }
    if (!reader.ok()) return false;

    // Each item takes at least 24 bytes, so a lying count cannot reserve much.
    parsed.items.reserve(std::min<std::size_t>(count, size / 24));
    for (WORD i = 0; i < count; ++i) {
        reader.AlignDword();
        DialogItemData item;
        item.style = reader.Read<DWORD>();
        item.ex_style = reader.Read<DWORD>();
        item.x = reader.Read<short>();
        item.y = reader.Read<short>();
        item.cx = reader.Read<short>();
        item.cy = reader.Read<short>();
        item.id = reader.Read<WORD>();
        item.window_class = reader.ReadName();
        item.title = reader.ReadName();
        const WORD extra = reader.Read<WORD>();
        reader.Skip(extra);
        if (!reader.ok()) return false;
        // A control needs a class to be created from.
        if (item.window_class.empty()) return false;
        parsed.items.push_back(std::move(item));
    }
    *out = std::move(parsed);
    return true;
}

}  // namespace controls
