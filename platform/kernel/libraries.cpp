// Shared libraries loaded at run time, behind handles of their own table.
#include <dlfcn.h>

#include <mutex>
#include <optional>

#include "host/host.h"
#include "platform/common/handle_table.h"
#include "platform/kernel/wide_text.h"
#include "win/kernel.h"

namespace {

constexpr std::size_t kMaxLibraries = 16;
constexpr std::size_t kNameCapacity = 256;

struct Libraries {
    std::mutex mutex;
    handles::HandleTable<void*, handles::Tag::kLibrary, kMaxLibraries> loaded;
};

Libraries& GetLibraries() {
    static Libraries* libraries = new Libraries;
    return *libraries;
}

}  // namespace

HMODULE LoadLibraryW(LPCWSTR file_name) {
    char name[kNameCapacity];
    if (file_name == nullptr || !kernel::Utf16ToUtf8(file_name, name, sizeof name)) return nullptr;
    void* library = dlopen(name, RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        const char* why = dlerror();
        host::Report("cannot load %s: %s", name, why != nullptr ? why : "unknown failure");
        return nullptr;
    }
    Libraries& libraries = GetLibraries();
    std::lock_guard<std::mutex> lock(libraries.mutex);
    const std::uintptr_t handle = libraries.loaded.Add(library);
    if (handle == 0) {
        dlclose(library);
        host::Report("cannot load %s: too many libraries loaded", name);
        return nullptr;
    }
    return handles::As<HMODULE>(handle);
}

FARPROC GetProcAddressW(HMODULE module, LPCWSTR name) {
    char symbol[kNameCapacity];
    if (name == nullptr || !kernel::Utf16ToUtf8(name, symbol, sizeof symbol)) return nullptr;
    Libraries& libraries = GetLibraries();
    std::lock_guard<std::mutex> lock(libraries.mutex);
    void** library = libraries.loaded.Find(handles::Raw(module));
    if (library == nullptr) return nullptr;
    return reinterpret_cast<FARPROC>(dlsym(*library, symbol));
}

BOOL FreeLibrary(HMODULE module) {
    std::optional<void*> library;
    {
        Libraries& libraries = GetLibraries();
        std::lock_guard<std::mutex> lock(libraries.mutex);
        library = libraries.loaded.Remove(handles::Raw(module));
    }
    if (!library.has_value()) return FALSE;
    if (dlclose(*library) != 0) {
        const char* why = dlerror();
        host::Report("cannot unload a library: %s", why != nullptr ? why : "unknown failure");
        return FALSE;
    }
    return TRUE;
}
