// Resources compiled into the program: instances, raw resources and strings,
// read from the platform's binary layouts with every length checked against
// the resource's size.
#include <algorithm>
#include <cstring>

#include "platform/common/handle_table.h"
#include "resource_store.h"
#include "user_internal.h"

namespace resources {
namespace {

// One item of one instance: what an HRSRC names.
struct Resource {
    HINSTANCE module;
    std::size_t item;
};

// Instances live as long as the process: the program makes one, tests a few.
struct Store {
    handles::HandleTable<Module, handles::Tag::kModule> modules;
    handles::HandleTable<Resource, handles::Tag::kResource> resources;
    handles::HandleTable<Icon, handles::Tag::kIcon> icons;
    handles::HandleTable<Accelerators, handles::Tag::kAccelerator> accelerators;
    std::vector<HINSTANCE> order;  // oldest first
};

Store& S() {
    static Store store;
    return store;
}

const host::ResourceItem* ItemOf(HMODULE module, HRSRC resource) {
    const Resource* r = S().resources.Find(handles::Raw(resource));
    if (r == nullptr) return nullptr;
    if (module == nullptr && !S().order.empty()) module = S().order.front();
    if (r->module != module) return nullptr;
    const Module* m = FindModule(module);
    return m != nullptr ? &m->items[r->item] : nullptr;
}

}  // namespace

Module* FindModule(HINSTANCE instance) {
    if (instance == nullptr) {
        if (S().order.empty()) return nullptr;
        instance = S().order.front();
    }
    return S().modules.Find(handles::Raw(instance));
}

const host::ResourceItem* FindItem(const Module& module, WORD type, WORD id) {
    for (const host::ResourceItem& item : module.items) {
        if (item.type == type && item.id == id && item.data != nullptr) return &item;
    }
    return nullptr;
}

bool IntegerId(LPCWSTR name, WORD* id) {
    if (name == nullptr || !IS_INTRESOURCE(name)) return false;
    *id = static_cast<WORD>(reinterpret_cast<std::uintptr_t>(name));
    return true;
}

const Icon* FindIcon(HICON icon) {
    return S().icons.Find(handles::Raw(icon));
}

HICON AddIcon(Icon icon) {
    return handles::As<HICON>(S().icons.Add(std::move(icon)));
}

const Accelerators* FindAccelerators(HACCEL table) {
    return S().accelerators.Find(handles::Raw(table));
}

HACCEL AddAccelerators(Accelerators table) {
    return handles::As<HACCEL>(S().accelerators.Add(std::move(table)));
}

}  // namespace resources

namespace host {

// Null when the tables are full.
HINSTANCE CreateInstance(const ResourceSet& set) {
    resources::Store& s = resources::S();
    resources::Module module;
    if (set.items != nullptr) module.items.assign(set.items, set.items + set.count);
    const auto instance = handles::As<HINSTANCE>(s.modules.Add(std::move(module)));
    if (instance == nullptr) return nullptr;
    resources::Module& added = *s.modules.Find(handles::Raw(instance));
    for (std::size_t i = 0; i < added.items.size(); ++i) {
        added.handles.push_back(
            handles::As<HRSRC>(s.resources.Add(resources::Resource{instance, i})));
    }
    s.order.push_back(instance);
    return instance;
}

}  // namespace host

namespace user {

bool FindResourceBounds(const void* data, std::size_t* size) {
    if (data == nullptr) return false;
    // Newest first: an instance made later is the one in use.
    const auto& order = resources::S().order;
    for (auto it = order.rbegin(); it != order.rend(); ++it) {
        for (const host::ResourceItem& item : resources::FindModule(*it)->items) {
            if (item.data != data) continue;
            if (size != nullptr) *size = item.size;
            return true;
        }
    }
    return false;
}

}  // namespace user

HRSRC FindResourceW(HMODULE module, LPCWSTR name, LPCWSTR type) {
    WORD id = 0;
    WORD type_id = 0;
    if (!resources::IntegerId(name, &id) || !resources::IntegerId(type, &type_id)) return nullptr;
    const resources::Module* m = resources::FindModule(module);
    if (m == nullptr) return nullptr;
    for (std::size_t i = 0; i < m->items.size(); ++i) {
        const host::ResourceItem& item = m->items[i];
        if (item.type == type_id && item.id == id && item.data != nullptr) return m->handles[i];
    }
    return nullptr;
}

HGLOBAL LoadResource(HMODULE module, HRSRC resource) {
    const host::ResourceItem* item = resources::ItemOf(module, resource);
    return item != nullptr ? const_cast<void*>(item->data) : nullptr;
}

int LoadStringW(HINSTANCE instance, UINT id, LPWSTR buffer, int max_count) {
    if (buffer == nullptr || max_count <= 0) return 0;
    buffer[0] = 0;
    const resources::Module* m = resources::FindModule(instance);
    if (id > 0xFFFF || m == nullptr) return 0;
    // Strings live in blocks of sixteen, each a length followed by that many
    // characters.
    const host::ResourceItem* block =
        resources::FindItem(*m, resources::kStringType, static_cast<WORD>(id / 16 + 1));
    if (block == nullptr) return 0;
    const auto* data = static_cast<const std::uint8_t*>(block->data);
    const std::size_t size = block->size;
    std::size_t offset = 0;
    for (UINT i = 0; i < id % 16; ++i) {
        if (offset + 2 > size) return 0;
        offset += 2 + static_cast<std::size_t>(resources::ReadWord(data + offset)) * 2;
    }
    if (offset + 2 > size) return 0;
    const std::size_t length = resources::ReadWord(data + offset);
    offset += 2;
    if (length == 0 || offset + length * 2 > size) return 0;
    const int copied = static_cast<int>(std::min<std::size_t>(length, max_count - 1));
    for (int i = 0; i < copied; ++i)
        buffer[i] = resources::ReadWord(data + offset + 2 * i);
    buffer[copied] = 0;
    return copied;
}
