// Decoding allocates nothing: operator new is counted while every sample log
// goes through the assembler, the router, the decoders and the sky view.
#include <gtest/gtest.h>

#include <string>

#include "nmea/nav_record.h"
#include "nmea/nmea_state.h"
#include "nmea/sentence_assembler.h"
#include "nmea/sentence_router.h"
#include "nmea/sky_view.h"
#include "tests/support/allocation_counter.h"
#include "tests/support/nmea_text.h"

namespace {

TEST(NmeaAllocation, DecodingAllocatesNothing) {
    static SkyView view;
    for (const char* log : {"unicore-um621.nmea", "st-teseo-liv4f.nmea", "quectelLC79D.nmea",
                            "gp-320fw-2019-04-07-coldboot.nmea", "ublox-neo-m9n-nmea.nmea"}) {
        SCOPED_TRACE(log);
        const std::string bytes = test_support::SampleLog(log);
        ASSERT_FALSE(bytes.empty());
        ResetNmeaState();
        uint32_t tickMs = 0;
        int groups = 0;
        const int allocations = test_support::AllocationsDuring([&] {
            AssembleBytes(
                Assembler, reinterpret_cast<const uint8_t*>(bytes.data()),
                static_cast<int32_t>(bytes.size()), [&](const SentenceAssembler& a) {
                    tickMs += 50;
                    const SentenceKind kind = ClassifySentence(a.sentenceText, a.sentenceLength);
                    if (DecodeSentence(Nav, kind, a.sentenceText, a.sentenceLength, tickMs)) {
                        BuildSkyView(Nav, &view);
                        ++groups;
                    }
                });
        });
        EXPECT_EQ(allocations, 0);
        EXPECT_GT(groups, 0);
    }
}

}  // namespace
