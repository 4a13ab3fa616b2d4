#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "nmea/nav_record.h"
#include "nmea/nmea_state.h"
#include "nmea/sentence_assembler.h"
#include "nmea/sentence_router.h"
#include "tests/support/nmea_text.h"

namespace {

struct Tally {
    int sentences = 0;  // sentences that start with '$'
    int verified = 0;
    int gga = 0, gsa = 0, gsv = 0, rmc = 0, gst = 0, gns = 0;
    bool operator==(const Tally&) const = default;
    friend void PrintTo(const Tally& t, std::ostream* out) {
        *out << t.sentences << " sentences, " << t.verified << " verified, GGA " << t.gga
             << ", GSA " << t.gsa << ", GSV " << t.gsv << ", RMC " << t.rmc << ", GST " << t.gst
             << ", GNS " << t.gns;
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
        tally.gst += kind == SentenceKind::kGst;
        tally.gns += kind == SentenceKind::kGns;
    };
    AssembleBytes(Assembler, reinterpret_cast<const uint8_t*>(bytes.data()),
                  static_cast<int32_t>(bytes.size()), handle);
    AssembleBytes(Assembler, reinterpret_cast<const uint8_t*>("$"), 1, handle);
    return tally;
}

TEST(SampleLogs, CountsOfVerifiedAndDecodedSentences) {
    // Every checksum is good except in the cold-boot log (bad, missing, and
    // sentences glued together). The quectel log's $PQGSV lines end in "SV"
    // and so go to the GSV decoder. GST and GNS go by all three letters: the
    // unicore log's $SNRSTAT is neither.
    const struct {
        const char* file;
        Tally tally;  // sentences, verified, GGA, GSA, GSV, RMC, GST, GNS
    } cases[] = {{"gp-320fw-2019-04-07-coldboot.nmea", {137, 96, 10, 18, 27, 16, 0, 0}},
                 {"magellan-ec10.nmea", {76, 76, 0, 0, 0, 38, 0, 0}},
                 {"quectel-eg25-g.nmea", {861, 861, 60, 162, 459, 60, 0, 60}},
                 {"skytraq-dgps.nmea", {1024, 1024, 96, 192, 160, 96, 96, 0}},
                 {"tn200.nmea", {63, 63, 19, 19, 6, 19, 0, 0}},
                 {"ublox-neo-m9n-nmea.nmea", {1403, 1403, 61, 244, 732, 61, 61, 0}},
                 {"beidou-bd.nmea", {79, 79, 10, 20, 17, 10, 0, 10}},
                 {"unicore-um621.nmea", {882, 882, 20, 100, 480, 20, 0, 0}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string bytes = test_support::SampleLog(c.file);
        ASSERT_FALSE(bytes.empty()) << "missing sample log in " << SKYMARK_DATA_DIR;
        ResetNmeaState();
        EXPECT_EQ(RunLog(bytes), c.tally);
    }
}

}  // namespace
