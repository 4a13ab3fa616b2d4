// gpsd's reports into the decoded-state record, with gpsd's own lines from the
// expected output of real receiver logs (the .chk files).
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "nmea/gpsd_reports.h"
#include "nmea/nav_record.h"
#include "nmea/nmea_state.h"
#include "nmea/report_lines.h"
#include "nmea/sky_view.h"
#include "tests/support/gpsd_sky.h"
#include "tests/support/linked_gpsd_reader.h"
#include "tests/support/nmea_text.h"

namespace {

ReportKind Decode(std::string line) {
    return DecodeGpsdReport(Nav, line.data(), static_cast<int32_t>(line.size()), false);
}

// The lines of a .chk file, without their CR LF.
std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

// The first line of the text holding every one of the parts.
std::string LineWith(const std::string& text, const std::vector<std::string>& parts) {
    for (const std::string& line : Lines(text)) {
        bool all = true;
        for (const std::string& part : parts)
            all = all && line.find(part) != std::string::npos;
        if (all) return line;
    }
    return "";
}

class GpsdReports : public testing::Test {
  protected:
    void SetUp() override {
        test_support::UseLinkedGpsdReportReader();
        ResetNmeaState();
    }
};

// A DGPS fix of a u-blox ZED-F9P in the northern and western hemispheres, and
// a 2D fix in the southern and eastern, as NMEA would have carried them.
TEST_F(GpsdReports, FixAsGgaAndRmcCarryIt) {
    const std::string f9p = LineWith(test_support::GpsdLog("ublox-f9p-rtcm.log.chk"),
                                     {"\"class\":\"TPV\"", "23:40:42"});
    ASSERT_FALSE(f9p.empty());
    EXPECT_EQ(Decode(f9p), ReportKind::kFix);
    EXPECT_EQ(Nav.fixType, 3);
    EXPECT_EQ(Nav.fixQuality, 2);
    EXPECT_EQ(Nav.rmcStatus, 'A');
    EXPECT_NEAR(Nav.ggaLatitude, 4404.12868f, 0.0005f);
    EXPECT_EQ(Nav.ggaNorthSouth, 'N');
    EXPECT_EQ(Nav.rmcNorthSouth, 'N');
    EXPECT_NEAR(Nav.ggaLongitude, 12118.84541f, 0.001f);
    EXPECT_EQ(Nav.ggaEastWest, 'W');
    EXPECT_EQ(Nav.rmcEastWest, 'W');
    EXPECT_EQ(Nav.rmcLatitude, Nav.ggaLatitude);
    EXPECT_EQ(Nav.rmcLongitude, Nav.ggaLongitude);
    EXPECT_NEAR(Nav.altitude, 1131.226f, 0.001f);
    EXPECT_NEAR(Nav.geoidSeparation, -22.155f, 0.001f);
    EXPECT_NEAR(Nav.displayAltitude, 1109.071f, 0.001f);
    EXPECT_NEAR(Nav.speedKnots, 0.009f * 3600 / 1852, 1e-5f);
    EXPECT_NEAR(Nav.magneticVariation, 14.4f, 1e-4f);
    EXPECT_EQ(Nav.magVarEastWest, 'E');
    EXPECT_NEAR(Nav.rmcTime, 234042.0f, 0.01f);
    EXPECT_EQ(Nav.ggaTime, Nav.rmcTime);
    EXPECT_EQ(Nav.rmcDate, 240522.0f);
    EXPECT_EQ(Nav.accuracy.known, kHorizontalError | kVerticalError);
    EXPECT_NEAR(Nav.accuracy.horizontalError, 0.347f, 1e-4f);
    EXPECT_NEAR(Nav.accuracy.verticalError, 0.517f, 1e-4f);

    const std::string south = LineWith(test_support::SampleLog("jl-micro-jlt.chk"),
                                       {"\"class\":\"TPV\"", "\"lat\":-34.908203333"});
    ASSERT_FALSE(south.empty());
    EXPECT_EQ(Decode(south), ReportKind::kFix);
    EXPECT_EQ(Nav.fixType, 2);
    EXPECT_NEAR(Nav.ggaLatitude, 3454.4922f, 0.0005f);
    EXPECT_EQ(Nav.ggaNorthSouth, 'S');
    EXPECT_NEAR(Nav.ggaLongitude, 13835.7617f, 0.001f);
    EXPECT_EQ(Nav.ggaEastWest, 'E');
    EXPECT_NEAR(Nav.rmcTime, 12238.0f, 0.01f);
    EXPECT_EQ(Nav.rmcDate, 120821.0f);
    // Left out of the report: the altitude stays, and no error estimate is known.
    EXPECT_NEAR(Nav.altitude, 1131.226f, 0.001f);
    EXPECT_EQ(Nav.accuracy.known, 0);

    // No fix: the position stays where it was.
    EXPECT_EQ(Decode("{\"class\":\"TPV\",\"device\":\"/dev/ttyACM0\",\"mode\":1}"),
              ReportKind::kFix);
    EXPECT_EQ(Nav.fixType, 1);
    EXPECT_EQ(Nav.fixQuality, 0);
    EXPECT_EQ(Nav.rmcStatus, 'V');
    EXPECT_NEAR(Nav.ggaLatitude, 3454.4922f, 0.0005f);
}

// gpsd's status in GGA's numbers: a fix without a status is a plain one.
TEST_F(GpsdReports, FixQualityFromGpsdStatus) {
    const struct {
        const char* line;
        int quality;
    } cases[] = {
        {R"({"class":"TPV","mode":3})", 1},
        {R"({"class":"TPV","status":2,"mode":3})", 2},
        {R"({"class":"TPV","status":3,"mode":3})", 4},
        {R"({"class":"TPV","status":4,"mode":3})", 5},
        {R"({"class":"TPV","status":5,"mode":2})", 6},
        {R"({"class":"TPV","status":8,"mode":3})", 8},
        {R"({"class":"TPV","status":9,"mode":3})", 3},
        {R"({"class":"TPV","status":2,"mode":1})", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(Decode(c.line), ReportKind::kFix);
        EXPECT_EQ(Nav.fixQuality, c.quality);
    }
}

// Every report of each log's expected output, in order: the sky at the end is
// gpsd's last SKY, each satellite once over its signals, at gpsd's place, used
// as gpsd marks it (and, as for NMEA, drawn unused without a fix).
TEST_F(GpsdReports, SkyOfEveryLogIsGpsdsLastSky) {
    const struct {
        const char* chk;
        bool binary;
    } logs[] = {
        {"ublox-f9p-rtcm.log.chk", true},
        {"ublox-8.log.chk", true},
        {"ublox-aek-4t.log.chk", true},
        {"u-blox-m8t-time.log.chk", true},
        {"ublox-glo.log.chk", true},
        {"quectelLC79D.chk", false},
        {"unicore-um621.chk", false},
        {"st-teseo-liv4f.chk", false},
        {"ublox-f9p-hpnmea.chk", false},
        {"skytraq-dgps.chk", false},
        {"gp-320fw-2019-04-07-coldboot.chk", false},
    };
    static SkyView view;
    for (const auto& log : logs) {
        SCOPED_TRACE(log.chk);
        ResetNmeaState();
        const std::string chk =
            log.binary ? test_support::GpsdLog(log.chk) : test_support::SampleLog(log.chk);
        ASSERT_FALSE(chk.empty());
        int lastMode = 0;
        for (const std::string& line : Lines(chk)) {
            if (line.empty() || line[0] != '{') continue;
            EXPECT_NE(Decode(line), ReportKind::kUnreadable) << line;
            if (line.find("\"class\":\"TPV\"") != std::string::npos) {
                lastMode = test_support::JsonValue(line, "mode");
            }
        }
        EXPECT_EQ(Nav.fixType, lastMode);
        const test_support::GpsdSky gpsd = test_support::LastGpsdSky(chk);
        ASSERT_FALSE(gpsd.empty());
        BuildSkyView(Nav, &view);
        test_support::GpsdSky ours;
        for (int32_t i = 0; i < view.count; ++i) {
            const SkySatellite& s = view.satellites[i];
            test_support::GpsdSatellite& seen = ours[{s.system, s.number}];
            if (s.located) {
                seen.elevation = s.elevation;
                seen.azimuth = s.azimuth;
            }
            seen.used = s.used;
        }
        ASSERT_EQ(ours.size(), gpsd.size());
        for (const auto& [key, theirs] : gpsd) {
            SCOPED_TRACE("system " + std::to_string(static_cast<int>(key.first)) + " number " +
                         std::to_string(key.second));
            ASSERT_EQ(ours.count(key), 1u);
            const test_support::GpsdSatellite& mine = ours[key];
            EXPECT_EQ(mine.elevation, theirs.elevation < 0 ? -1 : theirs.elevation);
            EXPECT_EQ(mine.azimuth, theirs.elevation < 0 ? -1 : theirs.azimuth);
            EXPECT_EQ(mine.used, theirs.used && lastMode != 1);
        }
    }
}

// SKY: the signals as gpsd lists them, the counts and the DOPs; a SKY that
// carries only DOPs keeps the satellites.
TEST_F(GpsdReports, SkySignalsCountsAndDops) {
    const std::string sky = LineWith(test_support::GpsdLog("ublox-f9p-rtcm.log.chk"),
                                     {"\"class\":\"SKY\"", "23:40:42", "\"satellites\""});
    ASSERT_FALSE(sky.empty());
    EXPECT_EQ(Decode(sky), ReportKind::kSky);
    EXPECT_EQ(Nav.satellitesInView, 45);
    EXPECT_EQ(Nav.satellitesUsed, 30);
    EXPECT_EQ(Nav.reportedSky.count, 45);
    EXPECT_NEAR(Nav.hdop, 0.49f, 1e-5f);
    EXPECT_NEAR(Nav.pdop, 1.08f, 1e-5f);
    EXPECT_NEAR(Nav.vdop, 0.96f, 1e-5f);
    EXPECT_EQ(Nav.ggaHdop, Nav.hdop);
    // {"PRN":5,"gnssid":0,"svid":5,"az":50.0,"el":29.0,...,"ss":45.0,"used":true}
    const ReportedSignal& first = Nav.reportedSky.signals[0];
    EXPECT_EQ(first.system, GnssSystem::kGps);
    EXPECT_EQ(first.number, 5);
    EXPECT_EQ(first.elevation, 29);
    EXPECT_EQ(first.azimuth, 50);
    EXPECT_EQ(first.snr, 45.0f);
    EXPECT_EQ(first.used, 1);
    EXPECT_EQ(first.located, 1);

    EXPECT_EQ(Decode(R"({"class":"SKY","hdop":1.01,"uSat":12})"), ReportKind::kSky);
    EXPECT_NEAR(Nav.hdop, 1.01f, 1e-5f);
    EXPECT_NEAR(Nav.pdop, 1.08f, 1e-5f);
    EXPECT_EQ(Nav.reportedSky.count, 45);
    EXPECT_EQ(Nav.satellitesUsed, 30);
}

// Each satellite by its system and own number; without gnssid and svid by
// gpsd's PRN ranges. Not placed: below the horizon or not located; outside
// 0-99 dB-Hz not tracked, as for a GSV.
TEST_F(GpsdReports, SatelliteIdentityPlaceAndSignal) {
    const struct {
        const char* satellite;
        int count;
        GnssSystem system;
        int number;
        bool located;
        float snr;
    } cases[] = {
        {R"({"PRN":66,"gnssid":6,"svid":2,"az":63.0,"el":27.0,"ss":33.0,"used":true})", 1,
         GnssSystem::kGlonass, 2, true, 33},
        {R"({"PRN":131,"gnssid":1,"svid":131,"az":174.0,"el":39.0,"ss":47.0})", 1,
         GnssSystem::kSbas, 131, true, 47},
        {R"({"PRN":302,"gnssid":2,"svid":2,"az":258.0,"el":34.0,"ss":41.0})", 1,
         GnssSystem::kGalileo, 2, true, 41},
        {R"({"PRN":419,"gnssid":3,"svid":19,"az":359.6,"el":29.0,"ss":46.0})", 1,
         GnssSystem::kBeidou, 19, true, 46},
        {R"({"PRN":194,"gnssid":5,"svid":2,"el":-9.0,"az":304.0,"ss":0.0})", 1, GnssSystem::kQzss,
         2, false, 0},
        {R"({"PRN":5,"gnssid":7,"svid":5,"az":10.0,"el":20.0,"ss":62.0})", 1, GnssSystem::kNavic, 5,
         true, 62},
        {R"({"PRN":6,"gnssid":7,"svid":6,"az":10.0,"el":20.0,"ss":104.0})", 1, GnssSystem::kNavic,
         6, true, 0},
        {R"({"PRN":77,"el":20.0,"az":280.0,"ss":11.0})", 1, GnssSystem::kGlonass, 13, true, 11},
        {R"({"PRN":430,"ss":47.0})", 1, GnssSystem::kBeidou, 30, false, 47},
        {R"({"PRN":44,"el":39.0,"az":174.0,"ss":47.0})", 1, GnssSystem::kSbas, 131, true, 47},
        {R"({"PRN":173,"gnssid":4,"svid":1,"ss":30.0})", 0, GnssSystem::kGps, 0, false, 0},
        {R"({"PRN":255,"gnssid":6,"svid":255,"ss":30.0})", 0, GnssSystem::kGps, 0, false, 0},
        {R"({"PRN":500,"ss":30.0})", 0, GnssSystem::kGps, 0, false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.satellite);
        ResetNmeaState();
        EXPECT_EQ(Decode(std::string(R"({"class":"SKY","satellites":[)") + c.satellite + "]}"),
                  ReportKind::kSky);
        ASSERT_EQ(Nav.reportedSky.count, c.count);
        if (c.count == 0) continue;
        const ReportedSignal& s = Nav.reportedSky.signals[0];
        EXPECT_EQ(s.system, c.system);
        EXPECT_EQ(s.number, c.number);
        EXPECT_EQ(s.located != 0, c.located);
        EXPECT_EQ(s.snr, c.snr);
    }
    ResetNmeaState();
    Decode(
        R"({"class":"SKY","satellites":[{"PRN":419,"gnssid":3,"svid":19,"az":359.6,"el":29.0}]})");
    EXPECT_EQ(Nav.reportedSky.signals[0].azimuth, 0) << "359.6 rounds to north";
}

TEST_F(GpsdReports, ErrorEstimates) {
    const std::string gst =
        LineWith(test_support::SampleLog("skytraq-dgps.chk"), {"\"class\":\"GST\"", "21:31:21"});
    ASSERT_FALSE(gst.empty());
    EXPECT_EQ(Decode(gst), ReportKind::kAccuracy);
    const FixAccuracy& a = Nav.accuracy;
    EXPECT_EQ(a.known, kRangeResidual | kEllipseMajor | kEllipseMinor | kEllipseOrientation |
                           kLatitudeSigma | kLongitudeSigma | kAltitudeSigma);
    EXPECT_NEAR(a.rangeResidual, 16.1f, 1e-4f);
    EXPECT_NEAR(a.ellipseMajor, 22.2f, 1e-4f);
    EXPECT_NEAR(a.ellipseMinor, 10.2f, 1e-4f);
    EXPECT_NEAR(a.ellipseOrientation, 2.0f, 1e-4f);
    EXPECT_NEAR(a.latitudeSigma, 0.4f, 1e-4f);
    EXPECT_NEAR(a.longitudeSigma, 0.6f, 1e-4f);
    EXPECT_NEAR(a.altitudeSigma, 1.4f, 1e-4f);

    // A fix's own estimates stand beside the error report's.
    Decode(R"({"class":"TPV","mode":3,"eph":5.7})");
    EXPECT_EQ(a.known & (kHorizontalError | kVerticalError | kLatitudeSigma),
              kHorizontalError | kLatitudeSigma);
    Decode(R"({"class":"GST","lat":0.5,"lon":0.7})");
    EXPECT_EQ(a.known & (kLatitudeSigma | kAltitudeSigma | kHorizontalError),
              kLatitudeSigma | kHorizontalError);
}

// Which receiver a source follows: the one named, or the first gpsd reports;
// reports of the others are left alone. gpsd closing it means it went away.
TEST_F(GpsdReports, FollowsOneReceiver) {
    const std::string devices =
        R"({"class":"DEVICES","devices":[{"class":"DEVICE","path":"/dev/pts/1",)"
        R"("driver":"NMEA0183","activated":"2026-12-07T14:30:36.930Z","native":0},)"
        R"({"class":"DEVICE","path":"/dev/pts/2","driver":"u-blox",)"
        R"("activated":"2026-12-07T14:30:37.020Z","native":1}]})";
    const std::string tpv1 = R"({"class":"TPV","device":"/dev/pts/1","mode":3,"lat":1.5,"lon":2})";
    const std::string tpv2 = R"({"class":"TPV","device":"/dev/pts/2","mode":3,"lat":20.5,"lon":3})";

    FollowGpsdReceiver("");
    EXPECT_EQ(Decode(devices), ReportKind::kDevice);
    EXPECT_STREQ(Receiver.device, "/dev/pts/1");
    EXPECT_STREQ(Receiver.driver, "NMEA0183");
    EXPECT_TRUE(Receiver.held);
    EXPECT_EQ(Decode(tpv2), ReportKind::kOtherDevice);
    EXPECT_EQ(Decode(tpv1), ReportKind::kFix);
    EXPECT_NEAR(Nav.ggaLatitude, 130.0f, 0.001f);
    EXPECT_STREQ(Receiver.lastClass, "TPV");

    FollowGpsdReceiver("/dev/pts/2");
    EXPECT_FALSE(Receiver.held);
    EXPECT_EQ(Decode(devices), ReportKind::kDevice);
    EXPECT_STREQ(Receiver.driver, "u-blox");
    EXPECT_TRUE(Receiver.held);
    EXPECT_EQ(Decode(tpv1), ReportKind::kOtherDevice);
    EXPECT_EQ(Decode(tpv2), ReportKind::kFix);
    EXPECT_NEAR(Nav.ggaLatitude, 2030.0f, 0.001f);
    EXPECT_EQ(Decode(R"({"class":"DEVICE","path":"/dev/pts/1","activated":0})"),
              ReportKind::kOtherDevice);
    EXPECT_FALSE(Receiver.gone);
    EXPECT_EQ(Decode(R"({"class":"DEVICE","path":"/dev/pts/2","activated":0})"),
              ReportKind::kDevice);
    EXPECT_TRUE(Receiver.gone);
    EXPECT_FALSE(Receiver.held);
    EXPECT_EQ(Decode(R"({"class":"DEVICE","path":"/dev/pts/2","driver":"u-blox",)"
                     R"("activated":"2026-12-07T14:31:00.000Z"})"),
              ReportKind::kDevice);
    EXPECT_FALSE(Receiver.gone);
    EXPECT_TRUE(Receiver.held);

    // Named but not held: the list says so, and nothing else is followed.
    FollowGpsdReceiver("/dev/ttyACM0");
    EXPECT_EQ(Decode(devices), ReportKind::kDevice);
    EXPECT_FALSE(Receiver.held);
    EXPECT_STREQ(Receiver.device, "/dev/ttyACM0");
    EXPECT_EQ(Decode(tpv1), ReportKind::kOtherDevice);

    // Nothing held yet: the first receiver gpsd opens is followed.
    FollowGpsdReceiver("");
    EXPECT_EQ(Decode(R"({"class":"DEVICES","devices":[]})"), ReportKind::kDevice);
    EXPECT_STREQ(Receiver.device, "");
    EXPECT_EQ(Decode(R"({"class":"DEVICE","path":"/dev/pts/2","activated":0})"),
              ReportKind::kOtherDevice);
    EXPECT_EQ(Decode(R"({"class":"DEVICE","path":"/dev/pts/2","driver":"u-blox",)"
                     R"("activated":"2026-12-07T14:31:00.000Z"})"),
              ReportKind::kDevice);
    EXPECT_STREQ(Receiver.device, "/dev/pts/2");
}

// gpsd's answers, its refusals, and lines that are no report.
TEST_F(GpsdReports, RepliesRefusalsAndUnreadableLines) {
    // Until the program has loaded libgps, nothing is read.
    UseGpsdReportReader(nullptr);
    EXPECT_EQ(Decode(R"({"class":"TPV","mode":3,"lat":1.5,"lon":2.5})"), ReportKind::kUnreadable);
    test_support::UseLinkedGpsdReportReader();
    const struct {
        const char* line;
        ReportKind kind;
    } cases[] = {
        {R"({"class":"VERSION","release":"3.22","rev":"3.22","proto_major":3,"proto_minor":14})",
         ReportKind::kReply},
        {R"({"class":"WATCH","enable":true,"json":true,"nmea":false,"raw":0})", ReportKind::kReply},
        {R"({"class":"ERROR","message":"No such device as /dev/nonexistent"})",
         ReportKind::kRefusal},
        {R"({"class":"RTCM3","device":"/dev/pts/1","type":1230,"length":4})", ReportKind::kOther},
        {R"({"class":"NEWTHING","device":"/dev/pts/1"})", ReportKind::kOther},
        {"", ReportKind::kUnreadable},
        {"{", ReportKind::kUnreadable},
        {R"({"class":"TPV","mode":3)", ReportKind::kUnreadable},
        {R"({"mode":3,"class":"TPV"})", ReportKind::kUnreadable},
        {R"({"class":"tpv","mode":3})", ReportKind::kUnreadable},
        {R"({"class":"TPVTPVTPVTPVTPVTPV","mode":3})", ReportKind::kUnreadable},
        {"b56201011400f8aa610ffc2ac7f1fb329fe884c74f1a3f000000ad3c", ReportKind::kUnreadable},
        // Not as libgps reads the class; on these gps_unpack() would parse for ever.
        {R"({"class":"SKY","satellites":[{"PRN":66,"used":{"class":"SKY","pdop":2.60}}]})",
         ReportKind::kUnreadable},
        {R"({"class":"SKY","satellites":[{"PRN":66,"used":true}{"class":"SKY"})",
         ReportKind::kUnreadable},
        {R"({"class":"DEVICES","devices":[{"class":"DEVICE","path":"/a","x":{"class":"DEVICES"}}]})",
         ReportKind::kUnreadable},
        {R"({"class":"DEVICES","devices":[{"class":"DEVICE","path":"/a","bps":"x"},)"
         R"({"class":"DEVICE","path":"/b"}]})",
         ReportKind::kUnreadable},
        {R"({"class":"DEVICES","devices":[{"class":"DEVICE","path":"/a"},{"class":"DEVICE",)"
         R"("path":"/b"},{"class":"DEVICE","path":"/c"},{"class":"DEVICE","path":"/d"},)"
         R"({"class":"DEVICE","path":"/e"}]})",
         ReportKind::kUnreadable},
        {R"({"class":"TPV","mode":"3"})", ReportKind::kUnreadable},
        {R"({"class":"POLL","time":"2022-05-24T23:40:42.000Z","active":1,"tpv":[{"class":"TPV"}]})",
         ReportKind::kReply},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(Decode(c.line), c.kind);
    }
    Decode(R"({"class":"ERROR","message":"No such device as /dev/nonexistent"})");
    EXPECT_STREQ(Receiver.refusal, "No such device as /dev/nonexistent");

    // A NUL inside, or a line cut short by the buffer, is no report either.
    std::string withNul = R"({"class":"TPV","mode":3,"lat":10.0,"lon":20.0})";
    withNul[20] = '\0';
    EXPECT_EQ(Decode(withNul), ReportKind::kUnreadable);
    std::string whole = R"({"class":"TPV","mode":3})";
    EXPECT_EQ(DecodeGpsdReport(Nav, whole.data(), static_cast<int32_t>(whole.size()), true),
              ReportKind::kUnreadable);
    EXPECT_EQ(Nav.fixType, 0);
}

// Lines in pieces as a connection delivers them: each handed on at its LF,
// without its CR, and an overlong one cut with its head kept.
TEST_F(GpsdReports, LinesAssembleAcrossPieces) {
    std::vector<std::string> lines;
    std::vector<bool> cuts;
    auto feed = [&](const std::string& bytes) {
        AssembleReportLines(ReportLines, reinterpret_cast<const uint8_t*>(bytes.data()),
                            static_cast<int32_t>(bytes.size()),
                            [&](char* text, int32_t length, bool cut) {
                                lines.emplace_back(text, static_cast<std::size_t>(length));
                                cuts.push_back(cut);
                            });
    };
    feed("{\"class\":\"VERSION\"}\r\n{\"cla");
    feed("ss\":\"TPV\"}\r");
    feed("\n\n{\"a\":1}\n");
    EXPECT_EQ(lines, (std::vector<std::string>{"{\"class\":\"VERSION\"}", "{\"class\":\"TPV\"}", "",
                                               "{\"a\":1}"}));
    lines.clear();
    cuts.clear();
    feed(std::string(kReportLineCapacity + 100, 'x') + "\r\nnext\r\n");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].size(), static_cast<std::size_t>(kReportLineCapacity - 1));
    EXPECT_TRUE(cuts[0]);
    EXPECT_EQ(lines[1], "next");
    EXPECT_FALSE(cuts[1]);
}

}  // namespace
