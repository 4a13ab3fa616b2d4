#include "nmea/sky_table.h"

namespace {

int Index(Talker talker) {
    return static_cast<int>(talker);
}

// How long ago the group's latest message came. Unsigned, so that the tick
// counter wrapping around does no harm.
uint32_t Age(const SkyGroup& group, uint32_t tickMs) {
    return tickMs - group.lastMessageMs;
}

// The group's entries go back to the free chain, and the slot holds no group.
void Release(SkyGroups& groups, SkyGroup& group) {
    if (group.first != 0) {
        groups.entries[group.last - 1].next = groups.freeEntries;
        groups.freeEntries = group.first;
    }
    group = SkyGroup{};
}

template <class Visit>
void ForEachGroup(SkyGroups& groups, Visit visit) {
    for (auto& talker : groups.complete) {
        for (SkyGroup& group : talker)
            visit(group);
    }
    for (SkyGroup& group : groups.arriving)
        visit(group);
}

// A free entry, plus one; 0 when every one is taken.
uint16_t TakeEntry(SkyGroups& groups) {
    if (groups.freeEntries != 0) {
        const uint16_t entry = groups.freeEntries;
        groups.freeEntries = groups.entries[entry - 1].next;
        return entry;
    }
    if (groups.entriesUsed < kSkyEntries) return ++groups.entriesUsed;
    return 0;
}

// Only a stream far beyond any receiver's takes every entry: the group heard
// from longest ago, other than the one arriving, gives its entries up.
bool MakeRoom(SkyGroups& groups, const SkyGroup& arriving, uint32_t tickMs) {
    SkyGroup* oldest = nullptr;
    ForEachGroup(groups, [&](SkyGroup& group) {
        if (&group == &arriving || group.first == 0) return;
        if (oldest == nullptr || Age(group, tickMs) > Age(*oldest, tickMs)) oldest = &group;
    });
    if (oldest == nullptr) return false;
    Release(groups, *oldest);
    return true;
}

}  // namespace

void StartGroup(SkyGroups& groups, Talker talker, uint8_t signal, uint8_t messageCount,
                uint32_t tickMs) {
    SkyGroup& group = groups.arriving[Index(talker)];
    Release(groups, group);
    group.present = 1;
    group.signal = static_cast<uint8_t>(signal % kSignalIds);
    group.messageCount = messageCount;
    group.nextMessage = 1;
    group.lastMessageMs = tickMs;
}

void AddToGroup(SkyGroups& groups, Talker talker, const SatelliteEntry& entry, uint32_t tickMs) {
    SkyGroup& group = groups.arriving[Index(talker)];
    uint16_t taken = TakeEntry(groups);
    while (taken == 0) {
        // The group alone holds every entry: it keeps what fits.
        if (!MakeRoom(groups, group, tickMs)) return;
        taken = TakeEntry(groups);
    }
    SatelliteEntry& stored = groups.entries[taken - 1];
    stored = entry;
    stored.next = 0;
    if (group.last != 0) {
        groups.entries[group.last - 1].next = taken;
    } else {
        group.first = taken;
    }
    group.last = taken;
}

void DropArrivingGroup(SkyGroups& groups, Talker talker) {
    Release(groups, groups.arriving[Index(talker)]);
}

void CompleteGroup(SkyGroups& groups, Talker talker, uint32_t tickMs) {
    SkyGroup& arriving = groups.arriving[Index(talker)];
    SkyGroup& shown = groups.complete[Index(talker)][arriving.signal];
    Release(groups, shown);
    shown = arriving;
    shown.lastMessageMs = tickMs;
    arriving = SkyGroup{};
    ForEachGroup(groups, [&](SkyGroup& group) {
        if (&group != &shown && group.present != 0 && Age(group, tickMs) > kSilentGroupMs) {
            Release(groups, group);
        }
    });
}
