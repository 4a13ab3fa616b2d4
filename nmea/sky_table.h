// The satellites in view as the GSV groups listed them, one entry per
// satellite and signal, and the satellites used in the fix by system.
#pragma once

#include <cstdint>

#include "nmea/satellite_identity.h"

// A group has at most nine messages of four satellites.
inline constexpr int kGroupEntries = 36;
// Room for one group per talker and signal of a dual-band, five-system
// receiver, plus the groups being received.
inline constexpr int kSkyGroupSlots = 24;
// A talker and signal whose GSV has not come for this long are out of view.
inline constexpr uint32_t kSilentGroupMs = 5000;
// One bit per satellite number, 0 to kMaxSatelliteNumber.
inline constexpr int kUsedWords = (kMaxSatelliteNumber + 1) / 64;

// One satellite as one GSV message listed it, for one signal.
struct SatelliteEntry {
    uint16_t number;     // as the receiver sends it
    uint16_t elevation;  // whole degrees as sent, when located
    uint16_t azimuth;
    GnssSystem system;
    uint8_t located;  // 1 when elevation and azimuth were both sent
    float snr;        // dB-Hz as sent, 0 to 99; 0 when not tracked
};

enum class GroupState : uint8_t { kFree, kCollecting, kComplete };

// The messages of one talker for one signal: collected while they arrive,
// complete (and shown) once the last one has come. Its satellites are kept
// apart (SkyEntries), so that looking through the groups stays quick.
struct SkyGroup {
    GroupState state;
    Talker talker;
    uint8_t signal;  // the NMEA 4.10 signal ID of its first message, 0 without one
    uint8_t messageCount;
    uint8_t nextMessage;
    uint8_t entryCount;
    uint32_t lastMessageMs;  // tick time of its latest message
};

using SkyGroups = SkyGroup[kSkyGroupSlots];
using SkyEntries = SatelliteEntry[kSkyGroupSlots][kGroupEntries];
using UsedSet = uint64_t[kUsedWords];

// The slot of the group of this talker being received, or -1.
int CollectingGroup(const SkyGroups& groups, Talker talker);

// A slot for a new group of the talker: its group being received if any (a
// new first message abandons it), else a free slot, else the slot that has
// been silent longest.
int StartGroup(SkyGroups& groups, Talker talker, uint8_t signal, uint8_t messageCount);

// The group's last message has come: it replaces the complete group of its
// talker and signal, and every group silent for longer than kSilentGroupMs,
// complete or not, goes.
void CompleteGroup(SkyGroups& groups, int slot, uint32_t tickMs);

inline bool IsUsed(const UsedSet& set, uint16_t number) {
    return number <= kMaxSatelliteNumber && ((set[number / 64] >> (number % 64)) & 1u) != 0;
}
inline void MarkUsed(UsedSet& set, uint16_t number) {
    if (number <= kMaxSatelliteNumber) set[number / 64] |= uint64_t{1} << (number % 64);
}
