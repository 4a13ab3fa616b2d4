// Keyboard accelerator tables: loaded from resources and matched against key
// and character messages.
#include "input.h"
#include "resource_store.h"

HACCEL LoadAcceleratorsW(HINSTANCE instance, LPCWSTR name) {
    WORD id = 0;
    resources::Module* m = resources::FindModule(instance);
    if (instance == nullptr || m == nullptr || !resources::IntegerId(name, &id)) return nullptr;
    if (auto it = m->accelerators.find(id); it != m->accelerators.end()) return it->second;
    const host::ResourceItem* item = resources::FindItem(*m, resources::kAcceleratorType, id);
    if (item == nullptr) return nullptr;
    const auto* data = static_cast<const std::uint8_t*>(item->data);
    resources::Accelerators table;
    bool ended = false;
    // Entries of four words: flags, key, command, padding; the last one has
    // flag 0x80.
    for (std::size_t offset = 0; offset + 8 <= item->size; offset += 8) {
        const WORD flags = resources::ReadWord(data + offset);
        table.entries.push_back(ACCEL{static_cast<BYTE>(flags & 0x7F),
                                      resources::ReadWord(data + offset + 2),
                                      resources::ReadWord(data + offset + 4)});
        if (flags & 0x80) {
            ended = true;
            break;
        }
    }
    if (!ended) return nullptr;
    const HACCEL result = resources::AddAccelerators(std::move(table));
    if (result != nullptr) m->accelerators[id] = result;
    return result;
}

int TranslateAcceleratorW(HWND window, HACCEL table, MSG* message) {
    const resources::Accelerators* accelerators = resources::FindAccelerators(table);
    if (accelerators == nullptr || message == nullptr || !IsWindow(window)) return 0;
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
    for (const ACCEL& entry : accelerators->entries) {
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
