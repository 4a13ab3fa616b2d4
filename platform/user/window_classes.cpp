// Window classes: the program's and the built-in ones, found by name or atom.
#include "window_classes.h"

#include <vector>

#include "builtin_classes.h"

namespace wm {
namespace {

struct Classes {
    std::vector<std::shared_ptr<WindowClass>> all;
    ATOM next_atom = 0xC000;
    bool builtin_registered = false;
};

Classes& C() {
    static Classes classes;
    return classes;
}

char16_t FoldCase(char16_t c) {
    return (c >= u'A' && c <= u'Z') ? c - u'A' + u'a' : c;
}

bool SameClassName(const std::u16string& a, LPCWSTR b) {
    std::size_t i = 0;
    for (; i < a.size(); ++i) {
        if (b[i] == 0 || FoldCase(a[i]) != FoldCase(b[i])) return false;
    }
    return b[i] == 0;
}

ATOM AddClass(const WNDCLASSW& window_class) {
    auto c = std::make_shared<WindowClass>();
    c->name = window_class.lpszClassName;
    c->atom = C().next_atom++;
    c->style = window_class.style;
    c->proc = window_class.lpfnWndProc;
    c->instance = window_class.hInstance;
    c->icon = window_class.hIcon;
    c->background = window_class.hbrBackground;
    C().all.push_back(c);
    return c->atom;
}

}  // namespace

std::shared_ptr<WindowClass> FindClass(LPCWSTR name) {
    Classes& c = C();
    if (!c.builtin_registered) {
        c.builtin_registered = true;
        for (const BuiltinClass& builtin : kBuiltinClasses) {
            WNDCLASSW window_class{};
            window_class.lpfnWndProc = builtin.proc;
            window_class.lpszClassName = builtin.name;
            AddClass(window_class);
        }
    }
    if (name == nullptr) return nullptr;
    for (const auto& window_class : c.all) {
        if (IS_INTRESOURCE(name)) {
            if (window_class->atom == reinterpret_cast<std::uintptr_t>(name)) return window_class;
        } else if (SameClassName(window_class->name, name)) {
            return window_class;
        }
    }
    return nullptr;
}

void ResetClasses() {
    C().all.clear();
    C().builtin_registered = false;
}

}  // namespace wm

ATOM RegisterClassW(const WNDCLASSW* window_class) {
    if (window_class == nullptr || window_class->lpfnWndProc == nullptr ||
        window_class->lpszClassName == nullptr || IS_INTRESOURCE(window_class->lpszClassName) ||
        window_class->lpszClassName[0] == 0) {
        return 0;
    }
    // The built-in classes come first so that a program cannot shadow them
    // by accident before the first lookup.
    if (wm::FindClass(window_class->lpszClassName)) return 0;
    return wm::AddClass(*window_class);
}
