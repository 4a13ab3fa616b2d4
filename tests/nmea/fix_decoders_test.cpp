// How good the fix is: the error report (GST), the mode indicators of GNS and
// RMC, and the quality the screen shows from them and GGA's.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "nmea/fix_quality.h"
#include "nmea/nav_record.h"
#include "nmea/nmea_state.h"
#include "nmea/reception.h"
#include "nmea/sentence_router.h"
#include "tests/support/decode_string.h"

namespace {

class FixDecoders : public testing::Test {
  protected:
    void SetUp() override { ResetNmeaState(); }
};

constexpr uint16_t kSigmas = kLatitudeSigma | kLongitudeSigma | kAltitudeSigma;

// The standard deviations the screen shows, each known or not; the RMS and
// the ellipse before them are not kept.
TEST_F(FixDecoders, GstStandardDeviationsAndWhichAreKnown) {
    const struct {
        const char* sentence;
        uint16_t known;
        float latitude, longitude, altitude;
    } cases[] = {
        {"$GPGST,213122.000,15.7,22.8,11.6,-1.1,0.4,0.6,1.3*76", kSigmas, 0.4f, 0.6f, 1.3f},
        {"$GNGST,223745.00,228650,2.5,2.4,126,0.98,1.0,3.1*41", kSigmas, 0.98f, 1.0f, 3.1f},
        // Empty fields estimate nothing: they do not read as an error of 0 m.
        {"$GPGST,120000.00,,,,,,,*hh", 0, 0, 0, 0},
        {"$GPGST,120000.00,1.2,,,,0.5,0.7,*hh", kLatitudeSigma | kLongitudeSigma, 0.5f, 0.7f, 0},
        // A size below zero, or text that is no number, is no estimate; 0.0
        // sent is one.
        {"$GPGST,120000.00,1.0,-2.0,1.0,-45,-0.5,abc,0.0*hh", kAltitudeSigma, 0, 0, 0.0f},
        // Beyond single precision is no size either.
        {"$GPGST,1,1,1,1,1,1e39,1,+1*hh", kLongitudeSigma | kAltitudeSigma, 0, 1, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sentence);
        ResetNmeaState();
        Gst(c.sentence);
        const FixAccuracy& a = Nav.accuracy;
        EXPECT_EQ(a.known, c.known);
        auto value = [&a](AccuracyValue bit, float v) { return (a.known & bit) != 0 ? v : 0.0f; };
        EXPECT_EQ(value(kLatitudeSigma, a.latitudeSigma), c.latitude);
        EXPECT_EQ(value(kLongitudeSigma, a.longitudeSigma), c.longitude);
        EXPECT_EQ(value(kAltitudeSigma, a.altitudeSigma), c.altitude);
    }
}

// Each GST replaces what the last one said, field by field; one cut short
// leaves the fields it lacks as they were, as every decoder does, and the
// estimates gpsd gives for a fix are no business of GST's.
TEST_F(FixDecoders, GstReplacesFieldByField) {
    Nav.accuracy.known = kHorizontalError | kVerticalError;
    Nav.accuracy.horizontalError = 4.0f;
    Gst("$GPGST,1,1,1,1,1,0.4,0.6,1.3*hh");
    Gst("$GPGST,2,,,,,0.8,*hh");
    const FixAccuracy& a = Nav.accuracy;
    EXPECT_EQ(a.known, kHorizontalError | kVerticalError | kLatitudeSigma | kAltitudeSigma);
    EXPECT_EQ(a.latitudeSigma, 0.8f);
    EXPECT_EQ(a.altitudeSigma, 1.3f);
    EXPECT_EQ(a.horizontalError, 4.0f);
}

TEST_F(FixDecoders, GnsModeAndSatellitesUsed) {
    const struct {
        const char* sentence;
        char mode;
        bool usedKnown;
        uint8_t used;
    } cases[] = {
        {"$GNGNS,074150.799,,,,,NNNN,00,,,0.0,,0000*63", 'N', true, 0},
        {"$GNGNS,191434.96,,,,,NNN,,,,,,*36", 'N', false, 0},
        // The best-corrected system speaks for the solution.
        {"$GNGNS,1,4807.0,N,01131.0,E,AADN,23,0.6,545.4,46.9,,*hh", 'D', true, 23},
        {"$GNGNS,1,4807.0,N,01131.0,E,RFAA,31,0.6,545.4,46.9,,*hh", 'R', true, 31},
        {"$GNGNS,1,4807.0,N,01131.0,E,NFNN,31,0.6,545.4,46.9,,*hh", 'F', true, 31},
        {"$GNGNS,1,4807.0,N,01131.0,E,ENNNNN,5,*hh", 'E', true, 5},
        // Not capped at twelve as GGA's count is; beyond a byte it saturates.
        {"$GNGNS,1,,,,,AAAA,42,*hh", 'A', true, 42},
        {"$GNGNS,1,,,,,AAAA,9999,*hh", 'A', true, 255},
        {"$GNGNS,1,,,,,XYZ,x,*hh", '\0', false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sentence);
        ResetNmeaState();
        Gns(c.sentence);
        EXPECT_EQ(Nav.gnsMode, c.mode);
        EXPECT_EQ(Nav.gnsUsedKnown != 0, c.usedKnown);
        EXPECT_EQ(Nav.gnsSatellitesUsed, c.used);
    }
    // GNS leaves GGA's fields to GGA.
    EXPECT_EQ(Nav.ggaLatitude, 0.0f);
    EXPECT_EQ(Nav.satellitesUsed, 0);
}

TEST_F(FixDecoders, RmcModeIndicatorAndPosition) {
    const struct {
        const char* sentence;
        char mode;
        bool position;
    } cases[] = {
        {"$GNRMC,223745.00,A,3806.62964,N,12237.61382,W,0.040,,110720,,,D,V*0E", 'D', true},
        {"$GPRMC,213121.000,A,4404.1295864,N,12118.8685453,W,000.0,122.7,070416,,,D*72", 'D', true},
        {"$GNRMC,074150.799,V,,,,,,,250215,,,N*52", 'N', false},
        // NMEA 2.2 stops at field 11: no mode is known.
        {"$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A", '\0', true},
        {"$GPRMC,1,A,4807.038,N,,E,,,,,,A*hh", 'A', false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sentence);
        ResetNmeaState();
        Rmc(c.sentence);
        EXPECT_EQ(Nav.rmcMode, c.mode);
        EXPECT_EQ(Nav.rmcPosition != 0, c.position);
    }
}

TEST(FixQuality, ShownQualityFromGgaAndTheModeIndicators) {
    const struct {
        uint8_t gga;
        char rmc, gns;
        uint8_t shown;
    } cases[] = {
        {0, '\0', '\0', kNoFixQuality},
        {1, 'A', 'A', kAutonomous},
        {2, 'D', '\0', kDifferential},
        // GGA says plain, the mode indicators more: they are heard.
        {1, 'D', '\0', kDifferential},
        {1, '\0', 'D', kDifferential},
        {1, 'D', 'R', kRtkFixed},
        {1, 'F', 'A', kRtkFloat},
        // An NMEA 2.3 RMC calls RTK 'D': GGA's number says more.
        {4, 'D', '\0', kRtkFixed},
        {5, 'D', 'F', kRtkFloat},
        {6, 'E', '\0', kDeadReckoning},
        {1, 'E', '\0', kDeadReckoning},
        {3, 'P', 'P', kPpsFix},
        {7, 'M', '\0', kManualInput},
        {8, 'S', '\0', kSimulated},
        // An RMC-only receiver: its mode letter is all there is.
        {0, 'D', '\0', kDifferential},
        {0, 'A', '\0', kNoFixQuality},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << int{c.gga} << " '" << c.rmc << "' '" << c.gns << "'");
        EXPECT_EQ(ShownFixQuality(c.gga, c.rmc, c.gns), c.shown);
    }
}

// Only GST and GNS by all three letters of their type: other sentences end
// in the same two.
TEST(FixSentences, RouterTypesGstAndGns) {
    const struct {
        std::string sentence;
        SentenceKind kind;
    } cases[] = {
        {"$GPGST,213121.000,16.1,22.2,10.2,2.0,0.4,0.6,1.4*57", SentenceKind::kGst},
        {"$GNGST,223745.00,228650,2.5,2.4,126,0.98,1.0,3.1*41", SentenceKind::kGst},
        {"$GNGNS,074150.799,,,,,NNNN,00,,,0.0,,0000*63", SentenceKind::kGns},
        {"$SNRSTAT,1,1,0,0*5D", SentenceKind::kOther},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sentence);
        std::string text = c.sentence;
        EXPECT_EQ(ClassifySentence(text.c_str(), static_cast<int32_t>(text.size())), c.kind);
    }
}

// The first verified sentence starts the wait for a fix and the first fix
// ends it; later sentences move only the latest time heard.
TEST_F(FixDecoders, FirstHeardAndFirstFix) {
    NoteHeard(Nav, 1000);
    Gga("$GPGGA,000001,,,,,0,00,,,M,,M,,*hh");
    NoteFixIfAny(Nav, 1000);
    Rmc("$GPRMC,000002,A,,,,,,,,,,N*hh");
    NoteHeard(Nav, 2000);
    NoteFixIfAny(Nav, 2000);
    EXPECT_EQ(Nav.reception.fixed, 0) << "status A without a position is no fix";
    Rmc("$GPRMC,000003,A,4807.038,N,01131.000,E,,,,,,A*hh");
    NoteHeard(Nav, 3000);
    NoteFixIfAny(Nav, 3000);
    Gga("$GPGGA,000004,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*hh");
    NoteHeard(Nav, 4000);
    NoteFixIfAny(Nav, 4000);
    const Reception& r = Nav.reception;
    EXPECT_EQ(r.heard, 1);
    EXPECT_EQ(r.firstHeardMs, 1000u);
    EXPECT_EQ(r.lastHeardMs, 4000u);
    EXPECT_EQ(r.fixed, 1);
    EXPECT_EQ(r.firstFixMs, 3000u);
}

}  // namespace
