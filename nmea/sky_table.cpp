#include "nmea/sky_table.h"

#include <bit>

namespace {

int Index(Talker talker) {
    return static_cast<int>(talker);
}

// How long ago the group's latest message came. Unsigned, so that the tick
// counter wrapping around does no harm.
uint32_t Age(const SkyGroup& group, uint32_t tickMs) {
    return tickMs - group.lastMessageMs;
}

// A slot that holds a group: the complete group of a talker and signal, or
// (signal -1) the group the talker is sending.
struct Slot {
    int talker;
    int signal;
};

SkyGroup& GroupAt(SkyGroups& groups, Slot slot) {
    return slot.signal < 0 ? groups.arriving[slot.talker]
                           : groups.complete[slot.talker][slot.signal];
}

// The group's entries go back to the free chain, and the slot holds no group.
void Release(SkyGroups& groups, Slot slot) {
    SkyGroup& group = GroupAt(groups, slot);
    if (group.first != 0) {
        groups.entries[group.last - 1].next = groups.freeEntries;
        groups.freeEntries = group.first;
    }
    group = SkyGroup{};
    if (slot.signal < 0) {
        groups.arrivingTalkers &= static_cast<uint8_t>(~(1u << slot.talker));
    } else {
        groups.completeSignals[slot.talker] &= static_cast<uint16_t>(~(1u << slot.signal));
    }
}

// Every slot that holds a group; the visit may release it.
template <class Visit>
void ForEachGroup(SkyGroups& groups, Visit visit) {
    for (int talker = 0; talker < kSatelliteTalkers; ++talker) {
        for (unsigned bits = groups.completeSignals[talker]; bits != 0; bits &= bits - 1)
            visit(Slot{talker, std::countr_zero(bits)});
    }
    for (unsigned bits = groups.arrivingTalkers; bits != 0; bits &= bits - 1)
        visit(Slot{std::countr_zero(bits), -1});
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
// from longest ago, other than the talker's arriving one, gives its entries up.
bool MakeRoom(SkyGroups& groups, int talker, uint32_t tickMs) {
    Slot oldest{-1, -1};
    ForEachGroup(groups, [&](Slot slot) {
        const SkyGroup& group = GroupAt(groups, slot);
        if ((slot.talker == talker && slot.signal < 0) || group.first == 0) return;
        if (oldest.talker < 0 || Age(group, tickMs) > Age(GroupAt(groups, oldest), tickMs)) {
            oldest = slot;
        }
    });
    if (oldest.talker < 0) return false;
    Release(groups, oldest);
    return true;
}

}  // namespace

void StartGroup(SkyGroups& groups, Talker talker, uint8_t signal, uint8_t messageCount,
                uint32_t tickMs) {
    Release(groups, Slot{Index(talker), -1});
    SkyGroup& group = groups.arriving[Index(talker)];
    group.signal = static_cast<uint8_t>(signal % kSignalIds);
    group.messageCount = messageCount;
    group.nextMessage = 1;
    group.lastMessageMs = tickMs;
    groups.arrivingTalkers |= static_cast<uint8_t>(1u << Index(talker));
}

void AddToGroup(SkyGroups& groups, Talker talker, const SatelliteEntry* entries, int count,
                uint32_t tickMs) {
    SkyGroup& group = groups.arriving[Index(talker)];
    for (int i = 0; i < count; ++i) {
        uint16_t taken = TakeEntry(groups);
        while (taken == 0) {
            // The group alone holds every entry: it keeps what fits.
            if (!MakeRoom(groups, Index(talker), tickMs)) return;
            taken = TakeEntry(groups);
        }
        SatelliteEntry& stored = groups.entries[taken - 1];
        stored = entries[i];
        stored.next = 0;
        if (group.last != 0) {
            groups.entries[group.last - 1].next = taken;
        } else {
            group.first = taken;
        }
        group.last = taken;
    }
}

void DropArrivingGroup(SkyGroups& groups, Talker talker) {
    Release(groups, Slot{Index(talker), -1});
}

void CompleteGroup(SkyGroups& groups, Talker talker, uint32_t tickMs) {
    const int t = Index(talker);
    const int signal = groups.arriving[t].signal;
    Release(groups, Slot{t, signal});
    SkyGroup& shown = groups.complete[t][signal];
    shown = groups.arriving[t];
    shown.lastMessageMs = tickMs;
    groups.completeSignals[t] |= static_cast<uint16_t>(1u << signal);
    groups.arriving[t] = SkyGroup{};
    groups.arrivingTalkers &= static_cast<uint8_t>(~(1u << t));
    ForEachGroup(groups, [&](Slot slot) {
        const bool self = slot.talker == t && slot.signal == signal;
        if (!self && Age(GroupAt(groups, slot), tickMs) > kSilentGroupMs) Release(groups, slot);
    });
}
