// The assembler and the router together, as the screen drives them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "nmea/nmea_state.h"
#include "nmea/sentence_assembler.h"
#include "nmea/sentence_router.h"
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

TEST(SentenceAssembler, EachDollarClosesTheSentenceBeforeIt) {
    ResetNmeaState();
    const std::string gsa = test_support::Sentence("GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1");
    const struct {
        const char* name;
        std::string chunk;
        std::vector<Closed> closed;
    } steps[] = {
        {"the first '$' closes an empty sentence", gsa.substr(0, 20), {{"", SentenceKind::kOther}}},
        {"a split sentence, closed by the next '$'",
         gsa.substr(20) + "$",
         {{gsa, SentenceKind::kGsa}}},
        // "SA" still stands at positions 4 and 5 of the buffer.
        {"a lone '$' is no GSA", "$", {{"$", SentenceKind::kOther}}},
        // 510 letters XOR to zero: only the length fails the sentence.
        {"a runaway keeps its head and fails",
         std::string(600, 'A') + "$",
         {{"$" + std::string(kMaxSentenceLength - 1, 'A'), SentenceKind::kFailed}}},
        {"the next sentence is whole again", gsa.substr(1) + "$", {{gsa, SentenceKind::kGsa}}},
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

TEST(SentenceAssembler, BytesWidenBySignExtension) {
    ResetNmeaState();
    Feed("$GP\x80\xff\x7f");
    EXPECT_EQ(Assembler.sentenceLength, 6);
    EXPECT_EQ(Assembler.sentenceEcho[3], u'\xff80');
    EXPECT_EQ(Assembler.sentenceEcho[4], u'\xffff');
    EXPECT_EQ(Assembler.sentenceEcho[5], u'\x7f');
    EXPECT_EQ(static_cast<unsigned char>(Assembler.sentenceText[3]), 0x80);
}

}  // namespace
