// The handle scheme behind every platform handle: stale, foreign and made-up
// handles are refused, and a slot is never reused under a handle it had.
#include <gtest/gtest.h>

#include <cstdint>
#include <set>

#include "platform/common/handle_table.h"

namespace {

using handles::Tag;

TEST(HandleTable, StaleForeignAndMadeUpHandlesAreRefusedAndSlotsRetire) {
    // Two slots of four generations each.
    handles::HandleTable<int, Tag::kWindow, 2, 2> table;
    handles::HandleTable<int, Tag::kGdiObject> objects;
    const std::uintptr_t kept = table.Add(-1);
    ASSERT_NE(kept, 0u);
    EXPECT_EQ(objects.Find(kept), nullptr) << "a handle of another table";
    for (const std::uintptr_t bad : {std::uintptr_t{0}, std::uintptr_t{1}, std::uintptr_t{0x1234},
                                     ~std::uintptr_t{0}, kept + 1, kept ^ (1u << 16)}) {
        EXPECT_EQ(table.Find(bad), nullptr) << std::hex << bad;
    }
    // The other slot gives four handles, each refused once removed, then retires.
    std::set<std::uintptr_t> seen;
    for (int i = 0; i < 20; ++i) {
        const std::uintptr_t handle = table.Add(i);
        if (handle == 0) break;
        EXPECT_TRUE(seen.insert(handle).second) << "handle given twice";
        EXPECT_EQ(table.Remove(handle), i);
        EXPECT_FALSE(table.Remove(handle).has_value());
    }
    EXPECT_EQ(seen.size(), 4u);
    for (const std::uintptr_t handle : seen)
        EXPECT_EQ(table.Find(handle), nullptr);
    ASSERT_NE(table.Find(kept), nullptr);
    EXPECT_EQ(*table.Find(kept), -1);
    table.Clear();
    EXPECT_EQ(table.Find(kept), nullptr);
}

}  // namespace
