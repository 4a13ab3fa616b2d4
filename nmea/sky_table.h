// The satellites in view as the GSV groups listed them, one entry per
// satellite and signal, and the satellites used in the fix by system.
#pragma once

#include <bit>
#include <cstdint>

#include "nmea/satellite_identity.h"

// The talkers that list satellites: every one before kOther.
inline constexpr int kSatelliteTalkers = static_cast<int>(Talker::kOther);
// The NMEA 4.10 signal ID is one hex digit; 0 stands for a group without one.
inline constexpr int kSignalIds = 16;
// Satellite listings all groups together hold: every satellite a receiver of
// the seven systems sees at once (not 130) for four signals each, with a
// group of 99 messages arriving on top. Past it, the groups heard from
// longest ago make room; a group that alone would overflow keeps what fits.
inline constexpr int kSkyEntries = 1024;
// A talker and signal whose GSV has not come for this long are out of view.
inline constexpr uint32_t kSilentGroupMs = 5000;
// One bit per satellite number, 0 to kMaxSatelliteNumber.
inline constexpr int kUsedWords = (kMaxSatelliteNumber + 1) / 64;

// One satellite as one GSV message listed it, for one signal.
struct SatelliteEntry {
    uint16_t number;     // as the receiver sends it
    uint16_t elevation;  // whole degrees as sent, when located
    uint16_t azimuth;
    uint16_t next;  // the next entry of its group (or of the free chain), plus one; 0 ends it
    GnssSystem system;
    uint8_t located;  // 1 when elevation and azimuth were both sent
    float snr;        // dB-Hz as sent, 0 to 99; 0 when not tracked
};

// The messages of one talker for one signal: received one after another, and
// shown once the last one has come. Its satellites are a chain of entries.
struct SkyGroup {
    uint8_t signal;  // the NMEA 4.10 signal ID of its first message, 0 without one
    uint8_t messageCount;
    uint8_t nextMessage;
    uint16_t first;  // its first and last entries, plus one; 0 when it lists none
    uint16_t last;
    uint32_t lastMessageMs;  // tick time of its latest message
};

// Every group at once: for each talker the complete group of each signal,
// which is the sky, and the one group it is sending. Keyed so, the groups of
// any receiver fit, however many it sends in a second; only the satellite
// entries, shared by all, are bounded.
struct SkyGroups {
    SkyGroup complete[kSatelliteTalkers][kSignalIds];
    SkyGroup arriving[kSatelliteTalkers];
    // Which of them hold a group, a bit each, so that few are looked at.
    uint16_t completeSignals[kSatelliteTalkers];
    uint8_t arrivingTalkers;
    SatelliteEntry entries[kSkyEntries];
    uint16_t freeEntries;  // the first free entry, plus one, chained through next
    uint16_t entriesUsed;  // entries ever handed out; those past it are free too
};

using UsedSet = uint64_t[kUsedWords];

// Whether the talker is sending a group.
inline bool IsArriving(const SkyGroups& groups, Talker talker) {
    return ((groups.arrivingTalkers >> static_cast<int>(talker)) & 1u) != 0;
}

// A first message of the talker's group (any group it was sending is dropped).
void StartGroup(SkyGroups& groups, Talker talker, uint8_t signal, uint8_t messageCount,
                uint32_t tickMs);
// Adds satellites to the talker's arriving group.
void AddToGroup(SkyGroups& groups, Talker talker, const SatelliteEntry* entries, int count,
                uint32_t tickMs);
// A message lost or out of turn: the arriving group is dropped.
void DropArrivingGroup(SkyGroups& groups, Talker talker);
// The arriving group's last message has come: it replaces the complete group
// of its talker and signal, and every group silent for longer than
// kSilentGroupMs, complete or not, goes.
void CompleteGroup(SkyGroups& groups, Talker talker, uint32_t tickMs);

// Each satellite of every complete group, talker by talker, signal by signal.
template <class Visit>
void ForEachSkyEntry(const SkyGroups& groups, Visit visit) {
    for (int talker = 0; talker < kSatelliteTalkers; ++talker) {
        for (unsigned bits = groups.completeSignals[talker]; bits != 0; bits &= bits - 1) {
            const SkyGroup& group = groups.complete[talker][std::countr_zero(bits)];
            for (uint16_t e = group.first; e != 0; e = groups.entries[e - 1].next)
                visit(groups.entries[e - 1]);
        }
    }
}

inline bool IsUsed(const UsedSet& set, uint16_t number) {
    return number <= kMaxSatelliteNumber && ((set[number / 64] >> (number % 64)) & 1u) != 0;
}
inline void MarkUsed(UsedSet& set, uint16_t number) {
    if (number <= kMaxSatelliteNumber) set[number / 64] |= uint64_t{1} << (number % 64);
}
