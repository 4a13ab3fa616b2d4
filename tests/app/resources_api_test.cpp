// The resource set read back through the platform's resource calls.
#include <gtest/gtest.h>

#include <string>

#include "host/host.h"
#include "resources/resource_ids.h"
#include "win/windows.h"

namespace {

std::u16string Load(HINSTANCE instance, UINT id, int capacity) {
    WCHAR buffer[128] = {};
    const int n = LoadStringW(instance, id, buffer, capacity);
    return std::u16string(buffer, n < 0 ? 0 : static_cast<std::size_t>(n));
}

TEST(ResourcesThroughPlatform, StringsLoadAndTruncate) {
    HINSTANCE instance = host::CreateInstance(host::ProgramResources());
    ASSERT_NE(instance, nullptr);
    EXPECT_EQ(Load(instance, kTitleStringId, 100), u"Skymark");
    EXPECT_EQ(Load(instance, kGreetingStringId, 100), u"Hello World!");
    EXPECT_EQ(Load(instance, kClassStringId, 100), u"SKYMARK");
    EXPECT_EQ(Load(instance, 4, 100), u"");
    EXPECT_EQ(Load(instance, 17, 100), u"");
    EXPECT_EQ(Load(instance, kTitleStringId, 4), u"Sky");
}

// Found as the program looks for them; the bytes are walked in the layout test.
TEST(ResourcesThroughPlatform, IconAcceleratorsMenuAndDialogAreFound) {
    HINSTANCE instance = host::CreateInstance(host::ProgramResources());
    EXPECT_NE(LoadIconW(instance, MAKEINTRESOURCEW(kIconId)), nullptr);
    EXPECT_NE(LoadAcceleratorsW(instance, MAKEINTRESOURCEW(kAcceleratorTableId)), nullptr);
    EXPECT_EQ(LoadAcceleratorsW(instance, MAKEINTRESOURCEW(4)), nullptr);

    const struct {
        WORD id;
        LPCWSTR type;
    } table[] = {{kAboutDialogId, RT_DIALOG()}, {kMenuId, RT_MENU()},
                 {kIconId, RT_GROUP_ICON()},    {kLargeIconId, RT_ICON()},
                 {kSmallIconId, RT_ICON()},     {kAcceleratorTableId, RT_ACCELERATOR()}};
    for (const auto& row : table) {
        SCOPED_TRACE(row.id);
        HRSRC found = FindResourceW(instance, MAKEINTRESOURCEW(row.id), row.type);
        ASSERT_NE(found, nullptr);
        EXPECT_NE(LoadResource(instance, found), nullptr);
    }

    EXPECT_EQ(FindResourceW(instance, MAKEINTRESOURCEW(104), RT_DIALOG()), nullptr);
}

}  // namespace
