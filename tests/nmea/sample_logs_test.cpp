#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <tuple>

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
    bool operator==(const Tally&) const = default;
    friend void PrintTo(const Tally& t, std::ostream* out) {
        *out << t.sentences << " sentences, " << t.verified << " verified, GGA " << t.gga
             << ", GSA " << t.gsa << ", GSV " << t.gsv << ", RMC " << t.rmc;
    }
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
        DecodeSentence(Nav, kind, text, a.sentenceLength, 0);
    };
    AssembleBytes(Assembler, reinterpret_cast<const uint8_t*>(bytes.data()),
                  static_cast<int32_t>(bytes.size()), handle);
    AssembleBytes(Assembler, reinterpret_cast<const uint8_t*>("$"), 1, handle);
    return tally;
}

TEST(SampleLogs, CountsOfVerifiedAndDecodedSentences) {
    // Every checksum is good except in the cold-boot log (bad, missing, and
    // sentences glued together). The quectel log's $PQGSV lines end in "SV"
    // and so go to the GSV decoder.
    const struct {
        const char* file;
        Tally tally;  // sentences, verified, GGA, GSA, GSV, RMC
    } cases[] = {{"gp-320fw-2019-04-07-coldboot.nmea", {137, 96, 10, 18, 27, 16}},
                 {"magellan-ec10.nmea", {76, 76, 0, 0, 0, 38}},
                 {"quectel-eg25-g.nmea", {861, 861, 60, 162, 459, 60}},
                 {"skytraq-dgps.nmea", {1024, 1024, 96, 192, 160, 96}},
                 {"tn200.nmea", {63, 63, 19, 19, 6, 19}},
                 {"ublox-neo-m9n-nmea.nmea", {1403, 1403, 61, 244, 732, 61}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string bytes = test_support::SampleLog(c.file);
        ASSERT_FALSE(bytes.empty()) << "missing sample log in " << SKYMARK_DATA_DIR;
        ResetNmeaState();
        EXPECT_EQ(RunLog(bytes), c.tally);
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
    // 122 degrees west: UTC - 8.
    EXPECT_EQ(std::tuple(year, month, day, hour, minute, second),
              std::tuple(2020, 7, 11, 14, 38, 45));
}

}  // namespace
