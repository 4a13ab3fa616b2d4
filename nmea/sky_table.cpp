#include "nmea/sky_table.h"

SkyGroup* CollectingGroup(SkyGroups& groups, Talker talker) {
    for (SkyGroup& group : groups) {
        if (group.state == GroupState::kCollecting && group.talker == talker) return &group;
    }
    return nullptr;
}

SkyGroup* StartGroup(SkyGroups& groups, Talker talker, uint8_t signal, uint8_t messageCount) {
    SkyGroup* slot = CollectingGroup(groups, talker);
    for (SkyGroup& group : groups) {
        if (slot != nullptr) break;
        if (group.state == GroupState::kFree) slot = &group;
    }
    // Only a stream far stranger than any receiver's fills every slot.
    if (slot == nullptr) {
        slot = &groups[0];
        for (SkyGroup& group : groups) {
            if (group.lastMessageMs < slot->lastMessageMs) slot = &group;
        }
    }
    slot->state = GroupState::kCollecting;
    slot->talker = talker;
    slot->signal = signal;
    slot->messageCount = messageCount;
    slot->nextMessage = 1;
    slot->entryCount = 0;
    return slot;
}

void CompleteGroup(SkyGroups& groups, SkyGroup* group, uint32_t tickMs) {
    for (SkyGroup& other : groups) {
        if (&other == group || other.state == GroupState::kFree) continue;
        const bool replaced = other.state == GroupState::kComplete &&
                              other.talker == group->talker && other.signal == group->signal;
        // Unsigned, so that the tick counter wrapping around does no harm.
        const bool silent = tickMs - other.lastMessageMs > kSilentGroupMs;
        if (replaced || silent) other.state = GroupState::kFree;
    }
    group->state = GroupState::kComplete;
    group->lastMessageMs = tickMs;
}
