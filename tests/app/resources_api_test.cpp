// The resource set read back through the platform's resource calls.
#include <gtest/gtest.h>

#include <string>

#include "host/host.h"
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
    EXPECT_EQ(Load(instance, 1, 100), u"Skymark");
    EXPECT_EQ(Load(instance, 2, 100), u"Hello World!");
    EXPECT_EQ(Load(instance, 3, 100), u"SKYMARK");
    EXPECT_EQ(Load(instance, 4, 100), u"");
    EXPECT_EQ(Load(instance, 17, 100), u"");
    EXPECT_EQ(Load(instance, 1, 4), u"Sky");
}

TEST(ResourcesThroughPlatform, IconAcceleratorsMenuAndDialogAreFound) {
    HINSTANCE instance = host::CreateInstance(host::ProgramResources());
    EXPECT_NE(LoadIconW(instance, MAKEINTRESOURCEW(101)), nullptr);
    EXPECT_NE(LoadAcceleratorsW(instance, MAKEINTRESOURCEW(3)), nullptr);
    EXPECT_EQ(LoadAcceleratorsW(instance, MAKEINTRESOURCEW(4)), nullptr);

    const struct {
        WORD id;
        LPCWSTR type;
    } table[] = {{103, RT_DIALOG()}, {102, RT_MENU()}, {101, RT_GROUP_ICON()},
                 {1, RT_ICON()},     {2, RT_ICON()},   {3, RT_ACCELERATOR()}};
    for (const auto& row : table) {
        SCOPED_TRACE(row.id);
        HRSRC found = FindResourceW(instance, MAKEINTRESOURCEW(row.id), row.type);
        ASSERT_NE(found, nullptr);
        EXPECT_NE(LoadResource(instance, found), nullptr);
    }

    EXPECT_EQ(FindResourceW(instance, MAKEINTRESOURCEW(104), RT_DIALOG()), nullptr);
}

}  // namespace
