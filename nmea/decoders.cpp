#include "nmea/field_walk.h"
#include "nmea/nav_record.h"

using nmea_fields::AsFloat;
using nmea_fields::AsInt;
using nmea_fields::AsLetter;
using nmea_fields::FieldText;
using nmea_fields::WalkFields;

namespace {

constexpr int kFieldBuffer = 20;
constexpr int kGsvFieldBuffer = 12;

// Satellite IDs that index the per-satellite tables.
bool IsTableId(int32_t id) {
    return id >= 1 && id < kSatelliteTableSize;
}

}  // namespace

// $GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47
void NavRecord::ParseGga(const char* sentence, int32_t length) {
    WalkFields<kFieldBuffer, false>(sentence, length, [this](int32_t field, FieldText text) {
        switch (field) {
            case 1:
                ggaTime = AsFloat(text);
                break;
            case 2:
                ggaLatitude = AsFloat(text);
                break;
            case 4:
                ggaLongitude = AsFloat(text);
                break;
            case 6:
                fixQuality = static_cast<uint8_t>(AsInt(text));
                break;
            case 7:
                satellitesUsed = static_cast<uint8_t>(AsInt(text));
                break;
            case 8:
                ggaHdop = AsFloat(text);
                break;
            case 9:
                altitude = AsFloat(text);
                break;
            case 11:
                geoidSeparation = AsFloat(text);
                break;
            default:
                break;
        }
        return true;
    });
    // Recomputed even when the sentence lacked either field: the record keeps the last ones.
    displayAltitude = geoidSeparation + altitude;
}

// $GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A
void NavRecord::ParseRmc(const char* sentence, int32_t length) {
    WalkFields<kFieldBuffer, false>(sentence, length, [this](int32_t field, FieldText text) {
        switch (field) {
            case 1:
                rmcTime = AsFloat(text);
                break;
            case 2:
                rmcStatus = AsLetter(text);
                break;
            case 3:
                rmcLatitude = AsFloat(text);
                break;
            case 4:
                rmcNorthSouth = AsLetter(text);
                break;
            case 5:
                rmcLongitude = AsFloat(text);
                break;
            case 6:
                rmcEastWest = AsLetter(text);
                break;
            case 7:
                speedKnots = AsFloat(text);
                break;
            case 8:
                courseDegrees = AsFloat(text);
                break;
            case 9:
                rmcDate = AsFloat(text);
                break;
            case 10:
                magneticVariation = AsFloat(text);
                break;
            case 11:
                magVarEastWest = AsLetter(text);
                // Newer receivers append a mode field; it is not used.
                return false;
            default:
                break;
        }
        return true;
    });
}

// $GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1*39
void NavRecord::ParseGsa(const char* sentence, int32_t length) {
    // A GSA without a fix-type field means no fix known.
    fixType = 0;
    WalkFields<kFieldBuffer, false>(sentence, length, [this](int32_t field, FieldText text) {
        if (field >= 3 && field <= 14) {
            // Used flags are only ever set: the display keeps every satellite once used.
            const int32_t id = AsInt(text);
            if (IsTableId(id)) satUsed[id] = 1;
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
            default:
                break;
        }
        return true;
    });
}

// $GPGSV,2,1,08,01,40,083,46,02,17,308,41,12,07,344,39,14,22,228,45*75
bool NavRecord::ParseGsv(const char* sentence, int32_t length) {
    int32_t current = 0;  // satellite of the block being read, 0 when its ID is not kept
    WalkFields<kGsvFieldBuffer, true>(
        sentence, length, [this, &current](int32_t field, FieldText text) {
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
            const int32_t value = AsInt(text);
            switch ((field - 4) % 4) {
                case 0:
                    // A block with an ID outside the tables is dropped whole.
                    current = IsTableId(value) ? value : 0;
                    if (current != 0) satInView[current] = 1;
                    break;
                case 1:
                    if (current != 0) satElevation[current] = static_cast<uint16_t>(value);
                    break;
                case 2:
                    if (current != 0) satAzimuth[current] = static_cast<uint16_t>(value);
                    break;
                default:
                    // Outside 1-59 the receiver is not tracking the satellite.
                    if (current != 0) {
                        satSnr[current] =
                            value >= 1 && value <= 59 ? static_cast<float>(value) : 0.0f;
                    }
                    break;
            }
            return true;
        });
    return gsvMessageNumber == gsvMessageCount;
}
