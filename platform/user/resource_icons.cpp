// Icons from icon groups: the image chosen, decoded into colours and a
// transparency mask, and drawn into a device context.
#include <map>

#include "resource_store.h"
#include "user_internal.h"

namespace resources {
namespace {

// One icon image: a bitmap header, a colour table, the colour bits and the
// transparency mask, both bottom row first.
bool DecodeIconImage(const std::uint8_t* data, std::size_t size, Icon* icon) {
    if (size < 40) return false;
    DWORD header_size = ReadDword(data);
    auto width = static_cast<std::int32_t>(ReadDword(data + 4));
    auto double_height = static_cast<std::int32_t>(ReadDword(data + 8));
    WORD bits = ReadWord(data + 14);
    DWORD compression = ReadDword(data + 16);
    DWORD colors_used = ReadDword(data + 32);
    if (header_size < 40 || header_size > size || compression != 0) return false;
    int height = double_height / 2;
    if (width <= 0 || width > 256 || height <= 0 || height > 256) return false;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) return false;
    std::size_t colors = 0;
    if (bits <= 8) colors = colors_used != 0 ? colors_used : (std::size_t{1} << bits);
    if (colors > 256) return false;
    std::size_t xor_stride = ((static_cast<std::size_t>(width) * bits + 31) / 32) * 4;
    std::size_t and_stride = ((static_cast<std::size_t>(width) + 31) / 32) * 4;
    std::size_t table = header_size;
    std::size_t xor_bits = table + colors * 4;
    std::size_t and_bits = xor_bits + xor_stride * height;
    if (and_bits + and_stride * height > size) return false;

    icon->width = width;
    icon->height = height;
    icon->pixels.resize(static_cast<std::size_t>(width) * height);
    icon->opaque.resize(icon->pixels.size());
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* row = data + xor_bits + xor_stride * (height - 1 - y);
        const std::uint8_t* mask = data + and_bits + and_stride * (height - 1 - y);
        for (int x = 0; x < width; ++x) {
            COLORREF color = 0;
            if (bits <= 8) {
                std::size_t index;
                if (bits == 8) {
                    index = row[x];
                } else if (bits == 4) {
                    index = (x % 2 == 0) ? (row[x / 2] >> 4) : (row[x / 2] & 0x0F);
                } else {
                    index = (row[x / 8] >> (7 - x % 8)) & 1;
                }
                if (index < colors) {
                    const std::uint8_t* quad = data + table + index * 4;
                    color = RGB(quad[2], quad[1], quad[0]);
                }
            } else {
                const std::uint8_t* p = row + static_cast<std::size_t>(x) * (bits / 8);
                color = RGB(p[2], p[1], p[0]);
            }
            std::size_t at = static_cast<std::size_t>(y) * width + x;
            icon->pixels[at] = color;
            icon->opaque[at] = ((mask[x / 8] >> (7 - x % 8)) & 1) == 0;
        }
    }
    return true;
}

}  // namespace
}  // namespace resources

namespace user {

bool DrawIconInto(HDC dc, HICON handle, int x, int y, int width, int height) {
    const resources::Icon* icon = resources::FindIcon(handle);
    if (dc == nullptr || icon == nullptr) return false;
    if (width <= 0 || height <= 0) return true;
    std::map<COLORREF, HBRUSH> brushes;
    for (int dy = 0; dy < height; ++dy) {
        int sy = static_cast<int>(static_cast<long long>(dy) * icon->height / height);
        int dx = 0;
        while (dx < width) {
            auto at = [&](int px) {
                int sx = static_cast<int>(static_cast<long long>(px) * icon->width / width);
                return static_cast<std::size_t>(sy) * icon->width + sx;
            };
            std::size_t first = at(dx);
            int run_end = dx + 1;
            while (run_end < width && icon->opaque[at(run_end)] == icon->opaque[first] &&
                   icon->pixels[at(run_end)] == icon->pixels[first]) {
                ++run_end;
            }
            if (icon->opaque[first]) {
                COLORREF color = icon->pixels[first];
                HBRUSH& brush = brushes[color];
                if (brush == nullptr) brush = CreateSolidBrush(color);
                RECT r{x + dx, y + dy, x + run_end, y + dy + 1};
                FillRect(dc, &r, brush);
            }
            dx = run_end;
        }
    }
    for (auto& [color, brush] : brushes)
        DeleteObject(brush);
    return true;
}

}  // namespace user

BOOL DrawIconEx(HDC dc, int x, int y, HICON icon, int width, int height, UINT step,
                HBRUSH flicker_free, UINT flags) {
    // Animated cursors and drawing through a brush are not offered.
    if (step != 0 || flicker_free != nullptr || flags != DI_NORMAL) return FALSE;
    return user::DrawIconInto(dc, icon, x, y, width, height) ? TRUE : FALSE;
}

HICON LoadIconW(HINSTANCE instance, LPCWSTR name) {
    WORD id = 0;
    resources::Module* m = resources::FindModule(instance);
    if (instance == nullptr || m == nullptr || !resources::IntegerId(name, &id)) return nullptr;
    if (auto it = m->icons.find(id); it != m->icons.end()) return it->second;
    const host::ResourceItem* group = resources::FindItem(*m, resources::kIconGroupType, id);
    if (group == nullptr || group->size < 6) return nullptr;
    const auto* data = static_cast<const std::uint8_t*>(group->data);
    WORD count = resources::ReadWord(data + 4);
    if (resources::ReadWord(data + 2) != 1 ||
        6 + static_cast<std::size_t>(count) * 14 > group->size) {
        return nullptr;
    }
    // The best image is the 32 pixel one the platform uses for class icons,
    // else the largest, then the one with the most colours.
    int best = -1;
    int best_score = -1;
    for (int i = 0; i < count; ++i) {
        const std::uint8_t* entry = data + 6 + 14 * i;
        int size = entry[0] == 0 ? 256 : entry[0];
        int bits = resources::ReadWord(entry + 6);
        int score = (size == 32 ? 1 << 20 : size << 8) + bits;
        if (score > best_score) {
            best_score = score;
            best = i;
        }
    }
    if (best < 0) return nullptr;
    WORD image_id = resources::ReadWord(data + 6 + 14 * best + 12);
    const host::ResourceItem* image = resources::FindItem(*m, resources::kIconType, image_id);
    if (image == nullptr) return nullptr;
    resources::Icon icon;
    if (!resources::DecodeIconImage(static_cast<const std::uint8_t*>(image->data), image->size,
                                    &icon)) {
        return nullptr;
    }
    const HICON result = resources::AddIcon(std::move(icon));
    if (result != nullptr) m->icons[id] = result;
    return result;
}
