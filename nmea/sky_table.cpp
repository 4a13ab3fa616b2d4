#include "nmea/sky_table.h"

int CollectingGroup(const SkyGroups& groups, Talker talker) {
    for (int slot = 0; slot < kSkyGroupSlots; ++slot) {
        const SkyGroup& group = groups[slot];
        if (group.state == GroupState::kCollecting && group.talker == talker) return slot;
    }
    return -1;
}

int StartGroup(SkyGroups& groups, Talker talker, uint8_t signal, uint8_t messageCount) {
    int slot = CollectingGroup(groups, talker);
    for (int free = 0; slot < 0 && free < kSkyGroupSlots; ++free) {
        if (groups[free].state == GroupState::kFree) slot = free;
    }
    // Only a stream far stranger than any receiver's fills every slot.
    if (slot < 0) {
        slot = 0;
        for (int other = 1; other < kSkyGroupSlots; ++other) {
            if (groups[other].lastMessageMs < groups[slot].lastMessageMs) slot = other;
        }
    }
    groups[slot] = SkyGroup{GroupState::kCollecting,   talker, signal, messageCount, 1, 0,
                            groups[slot].lastMessageMs};
    return slot;
}

void CompleteGroup(SkyGroups& groups, int slot, uint32_t tickMs) {
    SkyGroup& group = groups[slot];
    for (SkyGroup& other : groups) {
        if (&other == &group || other.state == GroupState::kFree) continue;
        const bool replaced = other.state == GroupState::kComplete &&
                              other.talker == group.talker && other.signal == group.signal;
        // Unsigned, so that the tick counter wrapping around does no harm.
        const bool silent = tickMs - other.lastMessageMs > kSilentGroupMs;
        if (replaced || silent) other.state = GroupState::kFree;
    }
    group.state = GroupState::kComplete;
    group.lastMessageMs = tickMs;
}
