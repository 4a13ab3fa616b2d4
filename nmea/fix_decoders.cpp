// The GST and GNS decoders: how well the position is known, and how it was
// found by each system.
#include <cmath>

#include "nmea/field_walk.h"
#include "nmea/fix_quality.h"
#include "nmea/nav_record.h"

using nmea_fields::AsFloat;
using nmea_fields::AsInt;
using nmea_fields::FieldText;
using nmea_fields::WalkFields;

namespace {

constexpr int kFieldBuffer = 20;
// GNS sends a letter per system: six in NMEA 4.11, room for more to come.
constexpr int32_t kMostModeLetters = kFieldBuffer - 1;

// A field that holds a number; an empty one holds none. Text that is no
// number (atof would give 0) is none either: an error of 0 m is a claim.
bool HoldsNumber(FieldText text) {
    for (int32_t i = 0; i < text.length; ++i) {
        const char c = text.text[i];
        if (c >= '0' && c <= '9') return true;
        if (c != '+' && c != '-' && c != '.' && c != ' ') return false;
    }
    return false;
}

// A value of the error report, known only when the receiver sent one that
// can be a size: never negative, never beyond float.
void SetAccuracy(FixAccuracy& accuracy, AccuracyValue bit, float* field, FieldText text) {
    const float value = AsFloat(text);
    if (HoldsNumber(text) && std::isfinite(value) && value >= 0.0f) {
        *field = value;
        accuracy.known = static_cast<uint16_t>(accuracy.known | bit);
    } else {
        accuracy.known = static_cast<uint16_t>(accuracy.known & ~bit);
    }
}

}  // namespace

// $GPGST,213121.000,16.1,22.2,10.2,2.0,0.4,0.6,1.4*57
// fields: time, RMS of the range residuals, error ellipse semi-major and
// semi-minor axes, orientation of the major axis, then the standard deviations
// of latitude, longitude and altitude, all in metres (the angle in degrees).
// The screen shows the standard deviations; the rest is not kept.
void NavRecord::ParseGst(const char* sentence, int32_t length) {
    FixAccuracy& a = accuracy;
    WalkFields<kFieldBuffer, false>(sentence, length, [&a](int32_t field, FieldText text) {
        switch (field) {
            case 6:
                SetAccuracy(a, kLatitudeSigma, &a.latitudeSigma, text);
                break;
            case 7:
                SetAccuracy(a, kLongitudeSigma, &a.longitudeSigma, text);
                break;
            case 8:
                SetAccuracy(a, kAltitudeSigma, &a.altitudeSigma, text);
                return false;
            default:
                break;
        }
        return true;
    });
}

// $GNGNS,074150.799,,,,,NNNN,00,,,0.0,,0000*63
// fields: time, latitude, N/S, longitude, E/W, a mode letter per system
// (GPS, GLONASS, Galileo, BeiDou, QZSS, NavIC), satellites used, HDOP,
// altitude, geoid separation, age and station of the corrections, status.
// The position is GGA's to show; GNS adds how each system found it and a
// count of satellites used across all of them.
void NavRecord::ParseGns(const char* sentence, int32_t length) {
    WalkFields<kFieldBuffer, false>(sentence, length, [this](int32_t field, FieldText text) {
        if (field == 6) {
            gnsMode = MostTellingMode(
                text.text, text.length < kMostModeLetters ? text.length : kMostModeLetters);
            return true;
        }
        if (field != 7) return true;
        gnsUsedKnown = HoldsNumber(text) ? 1 : 0;
        const int32_t used = AsInt(text);
        gnsSatellitesUsed = static_cast<uint8_t>(used < 0 ? 0 : (used > 255 ? 255 : used));
        return false;
    });
}
