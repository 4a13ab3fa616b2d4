// Resources compiled into the program: instances, strings, icons and
// accelerator tables, read from the platform's binary layouts with every
// length checked against the resource's size.
#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <vector>

#include "host/host.h"
#include "user_internal.h"
#include "wm_internal.h"

struct ResourceInfoObject {
    const host::ResourceItem* item;
};

struct IconObject {
    int width;
    int height;
    std::vector<COLORREF> pixels;  // row by row, top row first
    std::vector<std::uint8_t> opaque;
};

struct AcceleratorObject {
    std::vector<ACCEL> entries;
};

struct ModuleObject {
    // The items are copied; the bytes they point at belong to the program.
    std::vector<host::ResourceItem> items;
    std::vector<ResourceInfoObject> infos;
    std::map<WORD, std::unique_ptr<IconObject>> icons;
    std::map<WORD, std::unique_ptr<AcceleratorObject>> accelerators;
};

namespace {

struct Modules {
    std::vector<std::unique_ptr<ModuleObject>> all;
    std::set<const AcceleratorObject*> accelerators;
    std::set<const IconObject*> icons;
};

Modules& M() {
    static Modules modules;
    return modules;
}

ModuleObject* FindModule(HINSTANCE instance) {
    auto& all = M().all;
    if (instance == nullptr) return all.empty() ? nullptr : all.front().get();
    for (const auto& m : all) {
        if (m.get() == instance) return m.get();
    }
    return nullptr;
}

// Reads little-endian values from resource bytes, which need not be aligned.
WORD ReadWord(const std::uint8_t* p) {
    return static_cast<WORD>(p[0] | (p[1] << 8));
}
DWORD ReadDword(const std::uint8_t* p) {
    return static_cast<DWORD>(p[0]) | (static_cast<DWORD>(p[1]) << 8) |
           (static_cast<DWORD>(p[2]) << 16) | (static_cast<DWORD>(p[3]) << 24);
}

bool IntegerId(LPCWSTR name, WORD* id) {
    if (name == nullptr || !IS_INTRESOURCE(name)) return false;
    *id = static_cast<WORD>(reinterpret_cast<std::uintptr_t>(name));
    return true;
}

const host::ResourceItem* FindItem(ModuleObject* module, WORD type, WORD id) {
    if (module == nullptr) return nullptr;
    for (const ResourceInfoObject& info : module->infos) {
        if (info.item->type == type && info.item->id == id && info.item->data != nullptr) {
            return info.item;
        }
    }
    return nullptr;
}

// One icon image: a bitmap header, a colour table, the colour bits and the
// transparency mask, both bottom row first.
std::unique_ptr<IconObject> DecodeIconImage(const std::uint8_t* data, std::size_t size) {
    if (size < 40) return nullptr;
    DWORD header_size = ReadDword(data);
    auto width = static_cast<std::int32_t>(ReadDword(data + 4));
    auto double_height = static_cast<std::int32_t>(ReadDword(data + 8));
    WORD bits = ReadWord(data + 14);
    DWORD compression = ReadDword(data + 16);
    DWORD colors_used = ReadDword(data + 32);
    if (header_size < 40 || header_size > size || compression != 0) return nullptr;
    int height = double_height / 2;
    if (width <= 0 || width > 256 || height <= 0 || height > 256) return nullptr;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) return nullptr;
    std::size_t colors = 0;
    if (bits <= 8) colors = colors_used != 0 ? colors_used : (std::size_t{1} << bits);
    if (colors > 256) return nullptr;
    std::size_t xor_stride = ((static_cast<std::size_t>(width) * bits + 31) / 32) * 4;
    std::size_t and_stride = ((static_cast<std::size_t>(width) + 31) / 32) * 4;
    std::size_t table = header_size;
    std::size_t xor_bits = table + colors * 4;
    std::size_t and_bits = xor_bits + xor_stride * height;
    if (and_bits + and_stride * height > size) return nullptr;

    auto icon = std::make_unique<IconObject>();
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
    return icon;
}

}  // namespace

namespace host {

HINSTANCE CreateInstance(const ResourceSet& resources) {
    auto module = std::make_unique<ModuleObject>();
    if (resources.items != nullptr) {
        module->items.assign(resources.items, resources.items + resources.count);
    }
    for (const host::ResourceItem& item : module->items) {
        module->infos.push_back(ResourceInfoObject{&item});
    }
    M().all.push_back(std::move(module));
    return M().all.back().get();
}

}  // namespace host

namespace user {

bool FindResourceBounds(const void* data, std::size_t* size) {
    if (data == nullptr) return false;
    // Newest first: an instance made later is the one in use.
    for (auto it = M().all.rbegin(); it != M().all.rend(); ++it) {
        const auto& m = *it;
        for (const ResourceInfoObject& info : m->infos) {
            if (info.item->data == data) {
                if (size) *size = info.item->size;
                return true;
            }
        }
    }
    return false;
}

bool DrawIconInto(HDC dc, HICON icon, int x, int y, int width, int height) {
    if (dc == nullptr || icon == nullptr || M().icons.count(icon) == 0) return false;
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

HRSRC FindResourceW(HMODULE module, LPCWSTR name, LPCWSTR type) {
    WORD id = 0;
    WORD type_id = 0;
    if (!IntegerId(name, &id) || !IntegerId(type, &type_id)) return nullptr;
    ModuleObject* m = FindModule(module);
    if (m == nullptr) return nullptr;
    for (ResourceInfoObject& info : m->infos) {
        if (info.item->type == type_id && info.item->id == id && info.item->data != nullptr) {
            return &info;
        }
    }
    return nullptr;
}

namespace {

const host::ResourceItem* ItemOf(HMODULE module, HRSRC resource) {
    ModuleObject* m = FindModule(module);
    if (m == nullptr || resource == nullptr) return nullptr;
    for (const ResourceInfoObject& info : m->infos) {
        if (&info == resource) return info.item;
    }
    return nullptr;
}

}  // namespace

HGLOBAL LoadResource(HMODULE module, HRSRC resource) {
    const host::ResourceItem* item = ItemOf(module, resource);
    return item ? const_cast<void*>(item->data) : nullptr;
}

int LoadStringW(HINSTANCE instance, UINT id, LPWSTR buffer, int max_count) {
    if (buffer == nullptr || max_count <= 0) return 0;
    buffer[0] = 0;
    if (id > 0xFFFF) return 0;
    // Strings live in blocks of sixteen, each a length followed by that many
    // characters.
    const host::ResourceItem* block =
        FindItem(FindModule(instance), 6, static_cast<WORD>(id / 16 + 1));
    if (block == nullptr) return 0;
    const auto* data = static_cast<const std::uint8_t*>(block->data);
    std::size_t size = block->size;
    std::size_t offset = 0;
    for (UINT i = 0; i < id % 16; ++i) {
        if (offset + 2 > size) return 0;
        offset += 2 + static_cast<std::size_t>(ReadWord(data + offset)) * 2;
    }
    if (offset + 2 > size) return 0;
    std::size_t length = ReadWord(data + offset);
    offset += 2;
    if (length == 0 || offset + length * 2 > size) return 0;
    int copied = static_cast<int>(std::min<std::size_t>(length, max_count - 1));
    for (int i = 0; i < copied; ++i)
        buffer[i] = ReadWord(data + offset + 2 * i);
    buffer[copied] = 0;
    return copied;
}

HICON LoadIconW(HINSTANCE instance, LPCWSTR name) {
    WORD id = 0;
    ModuleObject* m = FindModule(instance);
    if (instance == nullptr || m == nullptr || !IntegerId(name, &id)) return nullptr;
    if (auto it = m->icons.find(id); it != m->icons.end()) return it->second.get();
    const host::ResourceItem* group = FindItem(m, 14, id);
    if (group == nullptr || group->size < 6) return nullptr;
    const auto* data = static_cast<const std::uint8_t*>(group->data);
    WORD count = ReadWord(data + 4);
    if (ReadWord(data + 2) != 1 || 6 + static_cast<std::size_t>(count) * 14 > group->size) {
        return nullptr;
    }
    // The best image is the 32 pixel one the platform uses for class icons,
    // else the largest, then the one with the most colours.
    int best = -1;
    int best_score = -1;
    for (int i = 0; i < count; ++i) {
        const std::uint8_t* entry = data + 6 + 14 * i;
        int size = entry[0] == 0 ? 256 : entry[0];
        int bits = ReadWord(entry + 6);
        int score = (size == 32 ? 1 << 20 : size << 8) + bits;
        if (score > best_score) {
            best_score = score;
            best = i;
        }
    }
    if (best < 0) return nullptr;
    WORD image_id = ReadWord(data + 6 + 14 * best + 12);
    const host::ResourceItem* image = FindItem(m, 3, image_id);
    if (image == nullptr) return nullptr;
    auto icon = DecodeIconImage(static_cast<const std::uint8_t*>(image->data), image->size);
    if (!icon) return nullptr;
    IconObject* result = icon.get();
    M().icons.insert(result);
    m->icons[id] = std::move(icon);
    return result;
}

HACCEL LoadAcceleratorsW(HINSTANCE instance, LPCWSTR name) {
    WORD id = 0;
    ModuleObject* m = FindModule(instance);
    if (instance == nullptr || m == nullptr || !IntegerId(name, &id)) return nullptr;
    if (auto it = m->accelerators.find(id); it != m->accelerators.end()) return it->second.get();
    const host::ResourceItem* item = FindItem(m, 9, id);
    if (item == nullptr) return nullptr;
    const auto* data = static_cast<const std::uint8_t*>(item->data);
    auto table = std::make_unique<AcceleratorObject>();
    bool ended = false;
    // Entries of four words: flags, key, command, padding; the last one has
    // flag 0x80.
    for (std::size_t offset = 0; offset + 8 <= item->size; offset += 8) {
        WORD flags = ReadWord(data + offset);
        table->entries.push_back(ACCEL{static_cast<BYTE>(flags & 0x7F), ReadWord(data + offset + 2),
                                       ReadWord(data + offset + 4)});
        if (flags & 0x80) {
            ended = true;
            break;
        }
    }
    if (!ended) return nullptr;
    AcceleratorObject* result = table.get();
    M().accelerators.insert(result);
    m->accelerators[id] = std::move(table);
    return result;
}

int TranslateAcceleratorW(HWND window, HACCEL table, MSG* message) {
    if (table == nullptr || message == nullptr || M().accelerators.count(table) == 0) return 0;
    if (!IsWindow(window)) return 0;
    bool virtual_key;
    switch (message->message) {
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
            virtual_key = true;
            break;
        case WM_CHAR:
        case WM_SYSCHAR:
            virtual_key = false;
            break;
        default:
            return 0;
    }
    bool alt = (message->lParam & (LPARAM{1} << 29)) != 0;
    for (const ACCEL& entry : table->entries) {
        if (((entry.fVirt & FVIRTKEY) != 0) != virtual_key) continue;
        if (entry.key != message->wParam) continue;
        if (((entry.fVirt & FALT) != 0) != alt) continue;
        // Shift and Control decide only for virtual keys: a character code
        // already says which character the keys made.
        if (virtual_key) {
            if (((entry.fVirt & FSHIFT) != 0) != wm::ShiftDown()) continue;
            if (((entry.fVirt & FCONTROL) != 0) != wm::ControlDown()) continue;
        }
        SendMessageW(window, WM_COMMAND, MAKEWPARAM(entry.cmd, 1), 0);
        return 1;
    }
    return 0;
}
