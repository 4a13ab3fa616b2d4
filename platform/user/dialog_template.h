// Level 20, above the window manager: reading dialog templates in the
// platform's binary layout. Internal to the platform layer.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "win/user.h"

namespace controls {

// A name field of a template: absent, an ordinal (0xFFFF, id) or a string.
struct TemplateName {
    bool is_ordinal = false;
    WORD ordinal = 0;
    std::u16string text;
    bool empty() const { return !is_ordinal && text.empty(); }
};

struct DialogItemData {
    DWORD style = 0;
    DWORD ex_style = 0;
    short x = 0;
    short y = 0;
    short cx = 0;
    short cy = 0;
    WORD id = 0;
    TemplateName window_class;
    TemplateName title;
};

struct DialogTemplateData {
    DWORD style = 0;
    DWORD ex_style = 0;
    short x = 0;
    short y = 0;
    short cx = 0;
    short cy = 0;
    TemplateName menu;
    TemplateName window_class;
    std::u16string title;
    bool has_font = false;
    WORD point_size = 0;
    std::u16string face;
    std::vector<DialogItemData> items;
};

// Parses the template in the size bytes at data; false when it is truncated or
// malformed. Never reads outside those bytes.
bool ParseDialogTemplate(const void* data, std::size_t size, DialogTemplateData* out);

}  // namespace controls
