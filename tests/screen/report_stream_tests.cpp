// gpsd's reports on the screen: the fields they fill, the sky they place, the status line that
// names the report, the receiver and gpsd's driver, and the mark for what is no report.
#include <string>
#include <vector>

#include "host/host.h"
#include "nmea/gpsd_reports.h"
#include "nmea/nav_record.h"
#include "screen/drawing_resources.h"
#include "screen/fix_panel.h"
#include "screen/report_stream.h"
#include "screen/sky_plot.h"
#include "screen_fixture.h"
#include "tests/support/linked_gpsd_reader.h"

namespace {

const std::string kDevices =
    R"({"class":"DEVICES","devices":[{"class":"DEVICE","path":"/dev/ttyACM0","driver":"u-blox",)"
    R"("activated":"2026-12-07T14:30:37.020Z","native":1}]})"
    "\r\n";
const std::string kFix =
    R"({"class":"TPV","device":"/dev/ttyACM0","status":2,"mode":3,)"
    R"("time":"2022-05-24T23:40:42.000Z","lat":44.068811300,"lon":-121.314090100,)"
    R"("altMSL":1131.2260,"geoidSep":-22.155,"speed":0.009})"
    "\r\n";
// GPS 5 used and Galileo 2 in view, each on two signals, one of them without a place.
const std::string kSky =
    R"({"class":"SKY","device":"/dev/ttyACM0","hdop":0.49,"pdop":1.08,"nSat":4,"uSat":1,)"
    R"("satellites":[{"PRN":5,"gnssid":0,"svid":5,"az":90.0,"el":0.0,"ss":44.0,"used":true},)"
    R"({"PRN":5,"gnssid":0,"svid":5,"sigid":3,"ss":47.0,"used":false},)"
    R"({"PRN":302,"gnssid":2,"svid":2,"sigid":6,"ss":20.0,"used":false},)"
    R"({"PRN":302,"gnssid":2,"svid":2,"az":270.0,"el":0.0,"ss":41.0,"used":false}]})"
    "\r\n";

class ReportStreamTest : public ScreenTest {
  protected:
    void SetUp() override {
        ScreenTest::SetUp();
        test_support::UseLinkedGpsdReportReader();
        FollowGpsdReceiver("");
    }
    static int32_t FeedReports(const std::string& bytes) {
        return ProcessReportChunk(nullptr, window, reinterpret_cast<const uint8_t*>(bytes.data()),
                                  static_cast<int32_t>(bytes.size()));
    }
    static COLORREF Mark() { return Px(7, 32); }
    // The marker's outline at the top of a satellite placed by azimuth and elevation, and the
    // inside just below it.
    static void ExpectMarker(int azimuth, int elevation, COLORREF inside) {
        int32_t cx = 0, cy = 0;
        SkyMarkerCentre(static_cast<uint16_t>(azimuth), static_cast<uint16_t>(elevation), &cx, &cy);
        EXPECT_EQ(Px(cx, cy + 100 - 10), kBlack) << azimuth;
        EXPECT_EQ(Px(cx, cy + 100 - 8), inside) << azimuth;
    }
};

// A receiver's fix, sky and DOPs as a serial receiver's sentences would show them.
TEST_F(ReportStreamTest, FieldsAndSkyFromOneSecondOfReports) {
    EXPECT_EQ(FeedReports(kDevices + kFix + kSky), 3);
    EXPECT_EQ(Mark(), kBlue);
    EXPECT_TRUE(FieldShows(kLatitude, u"Latitude:44'4.13 N"));
    EXPECT_TRUE(FieldShows(kLongitude, u"Longitude:121'18.85 W"));
    EXPECT_TRUE(FieldShows(kAltitude, u"Altitude:1109.07     "));
    EXPECT_TRUE(FieldShows(kDate, u"2022/ 5/24   "));
    EXPECT_TRUE(FieldShows(kTime, u"15:40:42   "));
    EXPECT_TRUE(FieldShows(kSpeed, u"Speed:0.0  "));
    EXPECT_TRUE(FieldShows(kHdop, u"HDOP:0.49   "));
    EXPECT_TRUE(FieldShows(kPdop, u"PDOP:1.08   "));
    EXPECT_TRUE(StatusShows("SKY /dev/ttyACM0 u-blox"));
    // GPS 5 used (blue circle) in the east, Galileo 2 in view (white square) in the west, each
    // placed by the signal that has a place; two bars, each with the better signal's SNR.
    ExpectMarker(90, 0, kBlue);
    ExpectMarker(270, 0, kWhite);
    EXPECT_EQ(Px(17, 259), kBlack);
    EXPECT_EQ(Px(37, 259), kBlack);
    EXPECT_EQ(Px(57, 259), kWhite);
}

// The mark turns red for a line that is no report and for a command gpsd refused, whose message
// the status line shows; reports of another receiver and gpsd's answers change nothing.
TEST_F(ReportStreamTest, MarkAndStatusLine) {
    FeedReports(kDevices + kFix);
    const auto before = Pixels();
    const struct {
        const char* name;
        std::string bytes;
        COLORREF mark;
        const char* status;  // nullptr: as it was
    } cases[] = {
        {"another receiver",
         R"({"class":"TPV","device":"/dev/ttyUSB1","mode":3,"lat":1.0,)"
         R"("lon":2.0})"
         "\r\n",
         kBlue, nullptr},
        {"answers",
         R"({"class":"VERSION","release":"3.22"})"
         "\r\n"
         R"({"class":"WATCH"})"
         "\r\n",
         kBlue, nullptr},
        {"a line in pieces", R"({"class":"TPV","dev)", kBlue, nullptr},
        {"its end",
         R"(ice":"/dev/ttyUSB1","mode":2})"
         "\r\n",
         kBlue, nullptr},
        {"corrections",
         R"({"class":"RTCM3","device":"/dev/ttyACM0","type":1005})"
         "\r\n",
         kBlue, nullptr},
        {"no report", "b56201011400f8aa610ffc2ac7f1fb329fe884c74f1a3f000000ad3c\r\n", kRed,
         nullptr},
        {"a blank line", "\r\n", kBlue, nullptr},
        {"a refusal",
         R"({"class":"ERROR","message":"No such device as /dev/ttyACM9"})"
         "\r\n",
         kRed, "gpsd: No such device as /dev/ttyACM9"},
        {"the receiver closed",
         R"({"class":"DEVICE","path":"/dev/ttyACM0","activated":0})"
         "\r\n",
         kBlue, "DEVICE /dev/ttyACM0 closed"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FeedReports(c.bytes);
        EXPECT_EQ(Mark(), c.mark);
        if (c.status != nullptr) {
            EXPECT_TRUE(StatusShows(c.status));
        } else {
            EXPECT_EQ(ChangedOutside(before, {kMark}), 0);
        }
    }
    EXPECT_TRUE(FieldShows(kLatitude, u"Latitude:44'4.13 N"));
}

// Until gpsd holds the receiver named, the status line says so.
TEST_F(ReportStreamTest, NamedReceiverNotHeld) {
    FollowGpsdReceiver("/dev/ttyUSB3");
    FeedReports(kDevices);
    EXPECT_TRUE(StatusShows("DEVICES /dev/ttyUSB3 not held"));
    FollowGpsdReceiver("");
    FeedReports(R"({"class":"DEVICES","devices":[]})"
                "\r\n");
    EXPECT_TRUE(StatusShows("DEVICES none held"));
}

// The fix panel from gpsd's reports, on the virtual clock: the wait for a
// fix counts from the first report of the receiver (not from gpsd's list of
// receivers) to the first TPV with a fix; the quality is TPV's status, the
// error gpsd's GST, else TPV's eph and epv; the satellites per system come
// from SKY, each once over its signals; a silence shows on the fix line.
TEST_F(ReportStreamTest, FixPanelFromReports) {
    const RECT fixLine{104, 100, 320, 115}, error{104, 115, 320, 130}, firstFix{104, 130, 212, 145};
    const RECT total{212, 130, 320, 145}, gps{104, 145, 176, 160}, galileo{176, 145, 248, 160};
    host::UseVirtualClock(0);
    FeedReports(kDevices);
    DrawFixPanel(window);
    EXPECT_TRUE(FieldShows(firstFix, u""));
    host::AdvanceVirtualClock(1000);
    FeedReports(R"({"class":"TPV","device":"/dev/ttyACM0","status":0,"mode":1})"
                "\r\n");
    host::AdvanceVirtualClock(4000);
    DrawFixPanel(window);
    EXPECT_TRUE(FieldShows(firstFix, u"TTFF 4 s..."));
    EXPECT_TRUE(FieldShows(fixLine, u"No data 4 s"));
    FeedReports(kFix + kSky);
    DrawFixPanel(window);
    EXPECT_TRUE(FieldShows(fixLine, u"Fix 3D DGPS"));
    EXPECT_TRUE(FieldShows(firstFix, u"TTFF 4 s"));
    EXPECT_TRUE(FieldShows(error, u"No error estimate"));
    EXPECT_TRUE(FieldShows(total, u"Sats 1/2"));
    EXPECT_TRUE(FieldShows(gps, u"GPS 1/1"));
    EXPECT_TRUE(FieldShows(galileo, u"GAL 0/1"));
    FeedReports(R"({"class":"TPV","device":"/dev/ttyACM0","status":3,"mode":3,"eph":0.347,)"
                R"("epv":0.517})"
                "\r\n");
    DrawFixPanel(window);
    EXPECT_TRUE(FieldShows(fixLine, u"Fix 3D RTK fixed"));
    EXPECT_TRUE(FieldShows(error, u"Error eph 0.3 m epv 0.5 m"));
    FeedReports(R"({"class":"GST","device":"/dev/ttyACM0","rms":2.1,"major":1.0,"minor":0.5,)"
                R"("orient":30.0,"lat":0.3,"lon":0.4,"alt":1.25})"
                "\r\n");
    DrawFixPanel(window);
    EXPECT_TRUE(FieldShows(error, u"Error H 0.5 m V 1.2 m"));
    host::UseRealClock();
}

}  // namespace
