// The GSA and GSV decoders: which satellites are used in the fix, and which
// are in view, where, and how well they are received.
#include "nmea/field_walk.h"
#include "nmea/nav_record.h"
#include "nmea/satellite_identity.h"

using nmea_fields::AsFloat;
using nmea_fields::AsInt;
using nmea_fields::AsLetter;
using nmea_fields::FieldText;
using nmea_fields::WalkFields;

namespace {

constexpr int kGsaFieldBuffer = 20;
constexpr int kGsvFieldBuffer = 12;
constexpr int kGsaSlots = 12;

uint8_t SystemBit(GnssSystem system) {
    return static_cast<uint8_t>(1u << static_cast<unsigned>(system));
}

// The systems a GSA speaks for even when it lists none of their satellites.
uint8_t NamedSystems(Talker talker) {
    switch (talker) {
        case Talker::kGps:
            return SystemBit(GnssSystem::kGps) | SystemBit(GnssSystem::kSbas);
        case Talker::kGlonass:
            return SystemBit(GnssSystem::kGlonass);
        case Talker::kGalileo:
            return SystemBit(GnssSystem::kGalileo);
        case Talker::kBeidou:
            return SystemBit(GnssSystem::kBeidou);
        case Talker::kQzss:
            return SystemBit(GnssSystem::kQzss);
        case Talker::kNavic:
            return SystemBit(GnssSystem::kNavic);
        case Talker::kCombined:
        case Talker::kOther:
            return 0;
    }
    return 0;
}

int HexValue(FieldText text) {
    if (text.length != 1) return 0;
    const char c = text.text[0];
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return 0;
}

// The field that holds the NMEA 4.10 signal ID, or 0 when there is none: the
// last field, when the fields after the three of the header do not make up
// whole blocks of four. Counted as the field walk counts them.
int32_t SignalIdField(const char* sentence, int32_t length) {
    int32_t separators = 0;
    char last = '\0';
    for (int64_t i = 0; i <= length; ++i) {
        const char c = sentence[i];
        if (c == '\0') break;
        if (c == ',' || c == '*') {
            ++separators;
            last = c;
        }
    }
    // Without the '*' the sentence was cut short, and its end is no field.
    const int32_t fields = separators - 1;
    if (last != '*' || fields <= 3 || (fields - 3) % 4 == 0) return 0;
    return fields;
}

}  // namespace

// $GNGSA,A,3,80,71,73,79,69,,,,,,,,1.71,0.98,1.40*14
// $GNGSA,A,3,03,05,30,27,15,,,,,,,,1.05,0.56,0.88,3*00 (NMEA 4.10: field 18 names the system)
void NavRecord::ParseGsa(const char* sentence, int32_t length) {
    // A GSA without a fix-type field means no fix known.
    fixType = 0;
    int32_t ids[kGsaSlots] = {};
    Talker systemId = Talker::kOther;
    WalkFields<kGsaFieldBuffer, false>(sentence, length, [&](int32_t field, FieldText text) {
        if (field >= 3 && field < 3 + kGsaSlots) {
            ids[field - 3] = AsInt(text);
            return true;
        }
        switch (field) {
            case 1:
                gsaMode = AsLetter(text);
                break;
            case 2:
                fixType = AsInt(text);
                break;
            case 15:
                pdop = AsFloat(text);
                break;
            case 16:
                hdop = AsFloat(text);
                break;
            case 17:
                vdop = AsFloat(text);
                break;
            case 18:
                systemId = SystemIdTalker(text.text, text.length);
                return false;
            default:
                break;
        }
        return true;
    });

    // A receiver sends one GSA per system each second, or more for a system
    // with more than twelve satellites in use, one after another. The first
    // GSA of a run that names a system replaces its set; later ones add.
    if (gsaRunOpen == 0) {
        gsaRunOpen = 1;
        gsaRunSystems = 0;
    }
    const Talker talker = systemId != Talker::kOther ? systemId : TalkerOf(sentence, length);
    GnssSystem systems[kGsaSlots];
    uint8_t named = NamedSystems(talker);
    for (int i = 0; i < kGsaSlots; ++i) {
        if (!SatelliteSystem(talker, ids[i], &systems[i])) {
            ids[i] = 0;
            continue;
        }
        named |= SystemBit(systems[i]);
    }
    for (int s = 0; s < kGnssSystemCount; ++s) {
        const uint8_t bit = static_cast<uint8_t>(1u << s);
        if ((named & bit) == 0 || (gsaRunSystems & bit) != 0) continue;
        gsaRunSystems |= bit;
        for (uint64_t& word : usedSatellites[s])
            word = 0;
    }
    for (int i = 0; i < kGsaSlots; ++i) {
        if (ids[i] == 0) continue;
        MarkUsed(usedSatellites[static_cast<int>(systems[i])], static_cast<uint16_t>(ids[i]));
    }
}

// $GPGSV,2,1,08,01,40,083,46,02,17,308,41,12,07,344,39,14,22,228,45*75
// $GAGSV,3,3,09,33,63,121,20,7*4F (NMEA 4.10: a signal ID after the last block)
bool NavRecord::ParseGsv(const char* sentence, int32_t length, uint32_t tickMs) {
    // Proprietary and unknown talkers do not list satellites of a system.
    const Talker talker = TalkerOf(sentence, length);
    if (talker == Talker::kOther) return false;

    const int32_t signalField = SignalIdField(sentence, length);
    uint8_t signal = 0;
    // This message's satellites; a message holds four, the rest is dropped.
    SatelliteEntry entries[kGroupEntries];
    int count = 0;
    bool keep = false;  // whether the block being read names a satellite
    WalkFields<kGsvFieldBuffer, true>(sentence, length, [&](int32_t field, FieldText text) {
        switch (field) {
            case 1:
                gsvMessageCount = static_cast<uint8_t>(AsInt(text));
                return true;
            case 2:
                gsvMessageNumber = static_cast<uint8_t>(AsInt(text));
                return true;
            case 3:
                satellitesInView = static_cast<uint8_t>(AsInt(text));
                return true;
            default:
                break;
        }
        if (field < 4) return true;
        if (field == signalField) {
            signal = static_cast<uint8_t>(HexValue(text));
            return true;
        }
        const int32_t value = AsInt(text);
        const int position = (field - 4) % 4;
        if (position == 0) {
            GnssSystem system = GnssSystem::kGps;
            keep = count < kGroupEntries && SatelliteSystem(talker, value, &system);
            if (keep) {
                entries[count] =
                    SatelliteEntry{static_cast<uint16_t>(value), 0, 0, system, 0, 0.0f};
                ++count;
            }
            return true;
        }
        if (!keep) return true;
        SatelliteEntry& entry = entries[count - 1];
        switch (position) {
            // A satellite tracked but not yet located comes without elevation
            // and azimuth; located counts the two as they come.
            case 1:
                entry.elevation = static_cast<uint16_t>(value);
                if (text.length > 0) entry.located |= 1;
                break;
            case 2:
                entry.azimuth = static_cast<uint16_t>(value);
                if (text.length > 0) entry.located |= 2;
                break;
            default:
                // Outside 1-59 the receiver is not tracking the satellite.
                entry.snr = value >= 1 && value <= 59 ? static_cast<float>(value) : 0.0f;
                break;
        }
        return true;
    });
    for (int i = 0; i < count; ++i)
        entries[i].located = entries[i].located == 3 ? 1 : 0;

    SkyGroup* group = nullptr;
    if (gsvMessageNumber == 1 && gsvMessageCount >= 1) {
        group = StartGroup(skyGroups, talker, signal, gsvMessageCount);
    } else {
        group = CollectingGroup(skyGroups, talker);
        // A message lost or out of turn spoils the group being received.
        if (group != nullptr &&
            (gsvMessageNumber != group->nextMessage || gsvMessageCount != group->messageCount)) {
            group->state = GroupState::kFree;
            group = nullptr;
        }
    }
    if (group != nullptr) {
        for (int i = 0; i < count && group->entryCount < kGroupEntries; ++i)
            group->entries[group->entryCount++] = entries[i];
        ++group->nextMessage;
        group->lastMessageMs = tickMs;
        if (gsvMessageNumber == gsvMessageCount) CompleteGroup(skyGroups, group, tickMs);
    }
    return gsvMessageNumber == gsvMessageCount;
}
