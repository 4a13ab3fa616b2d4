// The assembler and the router together, as the screen drives them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "nmea/nmea_state.h"
#include "nmea/sentence_assembler.h"
#include "nmea/sentence_router.h"
#include "nmea/sky_view.h"
#include "tests/nmea/sky_test_helpers.h"
#include "tests/support/nmea_text.h"

namespace {

struct Closed {
    std::string text;
    SentenceKind kind;
};

std::vector<Closed> Feed(const std::string& bytes) {
    std::vector<Closed> closed;
    AssembleBytes(Assembler, reinterpret_cast<const uint8_t*>(bytes.data()),
                  static_cast<int32_t>(bytes.size()), [&closed](const SentenceAssembler& a) {
                      EXPECT_EQ(a.sentenceText[a.sentenceLength], '\0');
                      closed.push_back({std::string(a.sentenceText, a.sentenceLength),
                                        ClassifySentence(a.sentenceText, a.sentenceLength)});
                  });
    return closed;
}

// A sentence is handed on in the chunk that brings its line end; the next '$'
// closes one whose line end never came.
TEST(SentenceAssembler, ALineEndOrTheNextDollarClosesTheSentence) {
    ResetNmeaState();
    const std::string gsa = test_support::Sentence("GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1");
    const std::string line = gsa.substr(0, gsa.size() - 2);  // without CR LF
    const struct {
        const char* name;
        std::string chunk;
        std::vector<Closed> closed;
    } steps[] = {
        {"the first '$' closes an empty sentence", gsa.substr(0, 20), {{"", SentenceKind::kOther}}},
        {"a split sentence, closed by its line end", gsa.substr(20), {{gsa, SentenceKind::kGsa}}},
        {"the next '$' then closes nothing", "$", {}},
        // "SA" still stands at positions 4 and 5 of the buffer.
        {"a lone '$' is no GSA", "$", {{"$", SentenceKind::kOther}}},
        {"a LF alone ends a line", line.substr(1) + "\n", {{line + "\n", SentenceKind::kGsa}}},
        {"what follows a line end belongs to no sentence", ",07,45,200,40*7E\r\nnoise\r\n", {}},
        {"a CR alone ends no line", line + "\r", {}},
        {"the next '$' closes it", "$", {{line + "\r", SentenceKind::kGsa}}},
        {"a '$' before the line end closes the sentence cut short",
         "GPGGA,12" + gsa,
         {{"$GPGGA,12", SentenceKind::kFailed}, {gsa, SentenceKind::kGsa}}},
        // 510 letters XOR to zero: only the length fails the sentence.
        {"a runaway keeps its head and fails at its line end",
         "$" + std::string(600, 'A') + "\r\n",
         {{"$" + std::string(kMaxSentenceLength - 1, 'A'), SentenceKind::kFailed}}},
        {"the next sentence is whole again", gsa, {{gsa, SentenceKind::kGsa}}},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.name);
        const std::vector<Closed> closed = Feed(step.chunk);
        ASSERT_EQ(closed.size(), step.closed.size());
        for (std::size_t i = 0; i < closed.size(); ++i) {
            EXPECT_EQ(closed[i].text, step.closed[i].text);
            EXPECT_EQ(closed[i].kind, step.closed[i].kind);
        }
    }
}

// A line counts only with a checksum that vouches for it; what carries nothing
// passes silently.
TEST(SentenceRouter, OnlyAChecksumVouchesForALine) {
    const std::string gga =
        test_support::Sentence("GPGGA,1,0100.00,N,00100.00,E,1,08,0.9,1,M,1,M,,");
    const struct {
        const char* name;
        std::string text;
        SentenceKind kind;
    } cases[] = {
        {"a good GGA", gga, SentenceKind::kGga},
        {"no checksum, the bytes summing to zero",
         "$GPGGA,000000,0100.00,N,00100.00,E,1,08,0.9,1.0,M,1.0,M,,t\r\n", SentenceKind::kFailed},
        {"no checksum, an empty line", "$\r\n", SentenceKind::kFailed},
        {"a fragment before the first '$'", gga.substr(1), SentenceKind::kFailed},
        {"a lone '$'", "$", SentenceKind::kOther},
        {"nothing before the first '$'", "", SentenceKind::kOther},
        {"only a line end before the first '$'", "\r\n", SentenceKind::kOther},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ClassifySentence(c.text.c_str(), static_cast<int32_t>(c.text.size())), c.kind);
    }
}

// Bytes after the checksum digits and their line end are accepted, but the
// status line does not show them and the decoders never see them.
TEST(SentenceRouter, TextAfterTheChecksumIsNeitherShownNorDecoded) {
    using namespace std::string_literals;
    // One satellite, 5; the tails would add satellite 7 if they were decoded.
    const std::string gsv = test_support::Sentence("GPGSV,1,1,01,05,40,083,46");
    const std::string line = gsv.substr(0, gsv.size() - 2);  // without CR LF
    const struct {
        const char* name;
        std::string tail;
        std::size_t shownAfterDigits;
    } cases[] = {
        {"the line end", "\r\n", 2},
        {"nothing", "", 0},
        {"a line end, then the fields of a line that lost its '$'", "\r\n,07,45,200,40*7E\r\n", 2},
        {"glued to such fields", "0,07,45,200,40*4E\r\n", 0},
        {"a space before the line end", " \r\n", 0},
        {"a NUL", "\0,07,45,200,40\r\n"s, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string text = line + c.tail;
        const int32_t length = static_cast<int32_t>(text.size());
        ASSERT_EQ(ClassifySentence(text.c_str(), length), SentenceKind::kGsv);
        EXPECT_EQ(EchoLength(text.c_str(), length),
                  static_cast<int32_t>(line.size() + c.shownAfterDigits));
        ResetNmeaState();
        EXPECT_TRUE(DecodeSentence(Nav, SentenceKind::kGsv, text.c_str(), length, 0));
        EXPECT_EQ(sky_test::Names(sky_test::InView()), "G5 ");
    }
}

// High bytes reach the echo sign-extended, as a signed char widens.
TEST(SentenceAssembler, BytesWidenBySignExtension) {
    ResetNmeaState();
    Feed("$GP\x80\xff\x7f");
    EXPECT_EQ(std::u16string(Assembler.sentenceEcho + 3, 3), u"\xff80\xffff\x7f");
    EXPECT_EQ(static_cast<unsigned char>(Assembler.sentenceText[3]), 0x80);
}

}  // namespace
