// The handle scheme behind every platform handle: stale, foreign and made-up
// handles are refused, and a slot is never reused under a handle it had.
#include <gtest/gtest.h>

#include <cstdint>
#include <set>

#include "platform/common/handle_table.h"

namespace {

using handles::Tag;

TEST(HandleTable, StaleForeignAndMadeUpHandlesAreRefused) {
    handles::HandleTable<int, Tag::kWindow> windows;
    handles::HandleTable<int, Tag::kGdiObject> objects;
    const std::uintptr_t first = windows.Add(1);
    ASSERT_NE(first, 0u);
    ASSERT_NE(windows.Find(first), nullptr);
    EXPECT_EQ(*windows.Find(first), 1);
    EXPECT_EQ(objects.Find(first), nullptr) << "a handle of another table";
    EXPECT_EQ(windows.Remove(first), 1);

    const std::uintptr_t second = windows.Add(2);  // the same slot again
    EXPECT_NE(second, first);
    EXPECT_EQ(windows.Find(first), nullptr);
    EXPECT_FALSE(windows.Remove(first).has_value());
    for (const std::uintptr_t bad : {std::uintptr_t{0}, std::uintptr_t{1}, std::uintptr_t{0x1234},
                                     ~std::uintptr_t{0}, second + 1, second ^ (1u << 16)}) {
        EXPECT_EQ(windows.Find(bad), nullptr) << std::hex << bad;
    }
    windows.Clear();
    EXPECT_EQ(windows.Find(second), nullptr);
}

TEST(HandleTable, SlotsRetireWhenTheirGenerationsRunOutAndAFullTableSaysSo) {
    // Two slots of four generations each: eight handles in all, then none.
    handles::HandleTable<int, Tag::kWindow, 2, 2> table;
    std::set<std::uintptr_t> seen;
    for (int i = 0; i < 20; ++i) {
        const std::uintptr_t handle = table.Add(i);
        if (handle == 0) break;
        EXPECT_TRUE(seen.insert(handle).second) << "handle given twice";
        table.Remove(handle);
    }
    EXPECT_EQ(seen.size(), 8u);
    for (const std::uintptr_t handle : seen)
        EXPECT_EQ(table.Find(handle), nullptr);

    handles::HandleTable<int, Tag::kWindow, 2> full;
    EXPECT_NE(full.Add(1), 0u);
    EXPECT_NE(full.Add(2), 0u);
    EXPECT_EQ(full.Add(3), 0u);
}

}  // namespace
