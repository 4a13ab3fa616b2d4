// The GSA and GSV decoders: which satellites are used in the fix, and which
// are in view, where, and how well they are received.
#include "nmea/field_walk.h"
#include "nmea/nav_record.h"
#include "nmea/satellite_identity.h"

using nmea_fields::AsFloat;
using nmea_fields::AsInt;
using nmea_fields::AsLetter;
using nmea_fields::CutToBuffer;
using nmea_fields::FieldText;
using nmea_fields::HighBytesAsZeroText;
using nmea_fields::kNotPlain;
using nmea_fields::WalkEnd;
using nmea_fields::WalkFields;

namespace {

constexpr int kGsaFieldBuffer = 20;
constexpr int kGsvFieldBuffer = 12;
constexpr int kGsaSlots = 12;
// A GSV message holds four blocks; blocks beyond eight are dropped.
constexpr int kMaxBlocks = 8;
constexpr int32_t kGsvFields = 3 + 4 * kMaxBlocks + 1;

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

// The signal ID: one hex digit; anything else is 0, no signal named.
int SignalId(FieldText text) {
    const int value = text.length == 1 ? HexDigitValue(text.text[0]) : -1;
    return value < 0 ? 0 : value;
}

// A GSV field as the walk found it: its text and, for the plain digits
// nearly every field is, its value, read on the way.
struct GsvField {
    FieldText text;
    int32_t value;  // kNotPlain when it is not plain digits
};

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

    // Found and read in one pass: scanned[k - 1] is field k for the first
    // kGsvFields of them.
    GsvField scanned[kGsvFields];
    const WalkEnd end = WalkFields<kGsvFieldBuffer, true>(
        sentence, length, [&scanned](int32_t field, FieldText text, int32_t value) {
            if (field <= kGsvFields) scanned[field - 1] = GsvField{text, value};
            return true;
        });
    const int32_t fields = end.fields;
    // A field as the 12-byte field buffer holds it, high bytes read as '0'.
    char buffer[kGsvFieldBuffer];
    auto text = [&](int32_t field) {
        return HighBytesAsZeroText(CutToBuffer<kGsvFieldBuffer>(scanned[field - 1].text), buffer);
    };
    auto number = [&](int32_t field) {
        const int32_t value = scanned[field - 1].value;
        return value != kNotPlain ? value : AsInt(text(field));
    };
    if (fields >= 1) gsvMessageCount = static_cast<uint8_t>(number(1));
    if (fields >= 2) gsvMessageNumber = static_cast<uint8_t>(number(2));
    if (fields >= 3) satellitesInView = static_cast<uint8_t>(number(3));

    // The signal ID is the one field after whole blocks of four. Two or three
    // fields after them are a last block cut short (receivers leave out the
    // SNR of a satellite they do not track), not a signal ID. Without the '*'
    // the sentence was cut short and its end is no field.
    int32_t blockFields = fields > 3 ? fields - 3 : 0;
    uint8_t signal = 0;
    if (end.separator == '*' && blockFields % 4 == 1) {
        if (fields <= kGsvFields) signal = static_cast<uint8_t>(SignalId(text(fields)));
        --blockFields;
    }
    if (blockFields > 4 * kMaxBlocks) blockFields = 4 * kMaxBlocks;

    // This message's satellites, each block ID, elevation, azimuth, SNR.
    SatelliteEntry entries[kMaxBlocks];
    int count = 0;
    for (int32_t first = 4; first < 4 + blockFields; first += 4) {
        const int32_t present = 4 + blockFields - first;  // a block may be cut short
        const int32_t id = number(first);
        GnssSystem system = GnssSystem::kGps;
        if (!SatelliteSystem(talker, id, &system)) continue;
        // Under GP another system's number counts only in a whole block: in a
        // block cut short it is more likely a field out of place (an azimuth
        // of 90) than a satellite.
        if (talker == Talker::kGps && present < 4 && ForeignToGpsTalker(system)) continue;
        SatelliteEntry& entry = entries[count++];
        entry = SatelliteEntry{static_cast<uint16_t>(id), 0, 0, 0, system, 0, 0.0f};
        // A satellite tracked but not yet located comes without elevation and azimuth.
        if (present > 2) {
            entry.elevation = static_cast<uint16_t>(number(first + 1));
            entry.azimuth = static_cast<uint16_t>(number(first + 2));
            entry.located =
                scanned[first].text.length > 0 && scanned[first + 1].text.length > 0 ? 1 : 0;
        } else if (present > 1) {
            entry.elevation = static_cast<uint16_t>(number(first + 1));
        }
        if (present > 3) {
            // Two digits, 0 to 99, as sent: near a repeater or with an active
            // antenna receivers report 60 and more. Anything else is no SNR.
            const int32_t snr = number(first + 3);
            entry.snr = snr >= 0 && snr <= 99 ? static_cast<float>(snr) : 0.0f;
        }
    }

    // A message lost or out of turn spoils the group being received.
    SkyGroup& arriving = skyGroups.arriving[static_cast<int>(talker)];
    if (gsvMessageNumber == 1 && gsvMessageCount >= 1) {
        StartGroup(skyGroups, talker, signal, gsvMessageCount, tickMs);
    } else if (IsArriving(skyGroups, talker) && (gsvMessageNumber != arriving.nextMessage ||
                                                 gsvMessageCount != arriving.messageCount)) {
        DropArrivingGroup(skyGroups, talker);
    }
    if (IsArriving(skyGroups, talker)) {
        AddToGroup(skyGroups, talker, entries, count, tickMs);
        ++arriving.nextMessage;
        arriving.lastMessageMs = tickMs;
        if (gsvMessageNumber == gsvMessageCount) CompleteGroup(skyGroups, talker, tickMs);
    }
    return gsvMessageNumber == gsvMessageCount;
}
