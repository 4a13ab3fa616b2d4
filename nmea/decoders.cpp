#include "nmea/field_walk.h"
#include "nmea/nav_record.h"

using nmea_fields::AsFloat;
using nmea_fields::AsInt;
using nmea_fields::AsLetter;
using nmea_fields::FieldText;
using nmea_fields::WalkFields;

namespace {

constexpr int kFieldBuffer = 20;

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
            case 3:
                ggaNorthSouth = AsLetter(text);
                break;
            case 4:
                ggaLongitude = AsFloat(text);
                break;
            case 5:
                ggaEastWest = AsLetter(text);
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
// $GNRMC,223745.00,A,3806.62964,N,12237.61382,W,0.040,,110720,,,D,V*0E (NMEA 2.3 adds the
// mode indicator, NMEA 4.10 the navigational status after it)
void NavRecord::ParseRmc(const char* sentence, int32_t length) {
    bool latitudeSent = false;
    WalkFields<kFieldBuffer, false>(sentence, length, [&](int32_t field, FieldText text) {
        switch (field) {
            case 1:
                rmcTime = AsFloat(text);
                break;
            case 2:
                rmcStatus = AsLetter(text);
                rmcPosition = 0;
                break;
            case 3:
                rmcLatitude = AsFloat(text);
                latitudeSent = text.length > 0;
                break;
            case 4:
                rmcNorthSouth = AsLetter(text);
                break;
            case 5:
                rmcLongitude = AsFloat(text);
                rmcPosition = latitudeSent && text.length > 0 ? 1 : 0;
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
                break;
            case 12:
                // Receivers of NMEA 2.2 and before stop at field 11 and leave it as it was.
                rmcMode = AsLetter(text);
                return false;
            default:
                break;
        }
        return true;
    });
}
