#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "nmea/nav_record.h"
#include "nmea/nmea_state.h"
#include "nmea/sentence_assembler.h"
#include "nmea/sentence_router.h"
#include "tests/support/nmea_text.h"

namespace {

struct Tally {
    int sentences = 0;  // sentences that start with '$'
    int verified = 0;
    int gga = 0, gsa = 0, gsv = 0, rmc = 0;
    int groupsEnded = 0;
};

// The log through the assembler and the router, as the program runs it; a
// final '$' closes the last sentence.
Tally RunLog(const std::string& bytes) {
    Tally tally;
    auto handle = [&tally](const SentenceAssembler& a) {
        const char* text = a.sentenceText;
        const bool started = text[0] == '$';
        if (started) ++tally.sentences;
        const SentenceKind kind = ClassifySentence(text, a.sentenceLength);
        if (kind == SentenceKind::kFailed) return;
        if (started) ++tally.verified;
        tally.gga += kind == SentenceKind::kGga;
        tally.gsa += kind == SentenceKind::kGsa;
        tally.gsv += kind == SentenceKind::kGsv;
        tally.rmc += kind == SentenceKind::kRmc;
        if (DecodeSentence(Nav, kind, text, a.sentenceLength, 0)) ++tally.groupsEnded;
    };
    AssembleBytes(Assembler, reinterpret_cast<const uint8_t*>(bytes.data()),
                  static_cast<int32_t>(bytes.size()), handle);
    AssembleBytes(Assembler, reinterpret_cast<const uint8_t*>("$"), 1, handle);
    return tally;
}

struct LogCase {
    const char* file;
    int sentences, verified, gga, gsa, gsv, rmc;
};

TEST(SampleLogs, CountsOfVerifiedAndDecodedSentences) {
    // Every checksum is good except in the cold-boot log (bad, missing, and
    // sentences glued together). The quectel log's $PQGSV lines end in "SV"
    // and so go to the GSV decoder.
    const LogCase cases[] = {{"gp-320fw-2019-04-07-coldboot.nmea", 137, 96, 10, 18, 27, 16},
                             {"magellan-ec10.nmea", 76, 76, 0, 0, 0, 38},
                             {"quectel-eg25-g.nmea", 861, 861, 60, 162, 459, 60},
                             {"skytraq-dgps.nmea", 1024, 1024, 96, 192, 160, 96},
                             {"tn200.nmea", 63, 63, 19, 19, 6, 19},
                             {"ublox-neo-m9n-nmea.nmea", 1403, 1403, 61, 244, 732, 61}};
    for (const LogCase& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string bytes = test_support::SampleLog(c.file);
        ASSERT_FALSE(bytes.empty()) << "missing sample log in " << SKYMARK_DATA_DIR;
        ResetNmeaState();
        const Tally tally = RunLog(bytes);
        EXPECT_EQ(tally.sentences, c.sentences);
        EXPECT_EQ(tally.verified, c.verified);
        EXPECT_EQ(tally.gga, c.gga);
        EXPECT_EQ(tally.gsa, c.gsa);
        EXPECT_EQ(tally.gsv, c.gsv);
        EXPECT_EQ(tally.rmc, c.rmc);
    }
}

TEST(SampleLogs, TripNavWithoutFix) {
    ResetNmeaState();
    const Tally tally = RunLog(test_support::SampleLog("tn200.nmea"));
    EXPECT_EQ(tally.groupsEnded, 2);
    EXPECT_EQ(Nav.fixQuality, 0);
    EXPECT_EQ(Nav.ggaLatitude, 0.0f);
    EXPECT_EQ(Nav.ggaHdop, 50.0f);
    EXPECT_EQ(Nav.rmcStatus, 'V');
    EXPECT_EQ(Nav.rmcLatitude, 36000.0f);
    EXPECT_EQ(Nav.rmcDate, 290120.0f);
    EXPECT_EQ(Nav.fixType, 1);
    EXPECT_EQ(Nav.pdop, 50.0f);
    for (const auto& set : Nav.usedSatellites) {
        for (const uint64_t word : set)
            EXPECT_EQ(word, 0u);
    }
}

TEST(SampleLogs, UbloxLastFix) {
    ResetNmeaState();
    RunLog(test_support::SampleLog("ublox-neo-m9n-nmea.nmea"));
    // $GNGGA,223845.00,3806.63006,N,12237.61538,W,2,12,0.56,81.8,M,-29.5,M,,0000*49
    EXPECT_EQ(Nav.ggaTime, 223845.0f);
    EXPECT_EQ(Nav.ggaLatitude, 3806.63006f);
    EXPECT_EQ(Nav.ggaLongitude, 12237.61538f);
    EXPECT_EQ(Nav.fixQuality, 2);
    EXPECT_EQ(Nav.satellitesUsed, 12);
    EXPECT_EQ(Nav.displayAltitude, 81.8f + -29.5f);
    // $GNGSA,A,3,32,28,30,33,27,,,,,,,,1.05,0.56,0.88,4*0E
    EXPECT_EQ(Nav.fixType, 3);
    EXPECT_EQ(Nav.hdop, 0.56f);
    EXPECT_EQ(Nav.vdop, 0.88f);
    int32_t year, month, day, hour, minute, second, shift;
    Nav.DecodeDate(Nav.rmcDate, &year, &month, &day);
    Nav.DecodeLocalTime(Nav.rmcTime, &hour, &minute, &second, &shift);
    ShiftDate(&year, &month, &day, shift);
    EXPECT_EQ(year, 2020);
    EXPECT_EQ(month, 7);
    EXPECT_EQ(day, 11);
    EXPECT_EQ(hour, 14);  // 122 degrees west: UTC - 8
    EXPECT_EQ(minute, 38);
    EXPECT_EQ(second, 45);
}

TEST(SampleLogs, SkytraqLongMinutesAndQuectelNegativeAltitude) {
    ResetNmeaState();
    RunLog(test_support::SampleLog("skytraq-dgps.nmea"));
    EXPECT_EQ(Nav.ggaLatitude, 4404.1291692f);
    EXPECT_EQ(Nav.altitude, 1105.001f);
    EXPECT_EQ(Nav.pdop, 2.1f);

    ResetNmeaState();
    RunLog(test_support::SampleLog("quectel-eg25-g.nmea"));
    EXPECT_EQ(Nav.altitude, -80.3f);
    EXPECT_EQ(Nav.displayAltitude, -80.3f + 32.0f);
    EXPECT_EQ(Nav.magneticVariation, 3.6f);
    EXPECT_EQ(Nav.magVarEastWest, 'E');
}

// Every sample log, cut at every byte offset, still decodes without a report
// from the sanitizers.
TEST(SampleLogs, ShiftedStartsStaySafe) {
    const std::string bytes = test_support::SampleLog("gp-320fw-2019-04-07-coldboot.nmea");
    ASSERT_FALSE(bytes.empty());
    for (size_t start = 0; start < 200; ++start) {
        ResetNmeaState();
        RunLog(bytes.substr(start));
    }
}

}  // namespace
