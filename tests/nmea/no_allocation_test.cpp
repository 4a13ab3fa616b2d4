// Decoding allocates nothing: operator new is counted while every sample log
// goes through the assembler, the router, the decoders and the sky view, and
// malloc as well (libgps is C) while gpsd's reports of every log go through
// the line assembler, the report decoder and the sky view.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "nmea/gpsd_reports.h"
#include "nmea/nav_record.h"
#include "nmea/nmea_state.h"
#include "nmea/report_lines.h"
#include "nmea/sentence_assembler.h"
#include "nmea/sentence_router.h"
#include "nmea/sky_view.h"
#include "tests/support/allocation_counter.h"
#include "tests/support/linked_gpsd_reader.h"
#include "tests/support/nmea_text.h"

namespace {

TEST(NmeaAllocation, DecodingAllocatesNothing) {
    static SkyView view;
    for (const char* log : {"unicore-um621.nmea", "st-teseo-liv4f.nmea", "quectelLC79D.nmea",
                            "gp-320fw-2019-04-07-coldboot.nmea", "ublox-neo-m9n-nmea.nmea",
                            "skytraq-dgps.nmea", "quectel-eg25-g.nmea"}) {
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

TEST(NmeaAllocation, GpsdReportsAllocateNothingAfterTheFirst) {
    // The counter sees a C allocation at all.
    void* volatile block = nullptr;
    EXPECT_EQ(test_support::MallocsDuring([&] { block = std::malloc(16); }), 1);
    std::free(block);

    static SkyView view;
    test_support::UseLinkedGpsdReportReader();
    for (const char* chk : {"ublox-f9p-rtcm.log.chk", "ublox-8.log.chk", "ublox-aek-4t.log.chk",
                            "u-blox-m8t-time.log.chk", "ublox-glo.log.chk"}) {
        SCOPED_TRACE(chk);
        const std::string bytes = test_support::GpsdLog(chk);
        ASSERT_FALSE(bytes.empty());
        ResetNmeaState();
        FollowGpsdReceiver("");
        // Start-up: whatever libgps sets up once is not counted.
        std::string first = R"({"class":"TPV","mode":3,"time":"2022-05-24T23:40:41.000Z"})";
        DecodeGpsdReport(Nav, first.data(), static_cast<int32_t>(first.size()), false);
        int reports = 0;
        int skies = 0;
        auto decode = [&] {
            AssembleReportLines(
                ReportLines, reinterpret_cast<const uint8_t*>(bytes.data()),
                static_cast<int32_t>(bytes.size()), [&](char* line, int32_t length, bool cut) {
                    const ReportKind kind = DecodeGpsdReport(Nav, line, length, cut);
                    if (kind != ReportKind::kUnreadable) ++reports;
                    if (kind == ReportKind::kSky) {
                        BuildSkyView(Nav, &view);
                        ++skies;
                    }
                });
        };
        const int mallocs = test_support::MallocsDuring(decode);
        EXPECT_EQ(mallocs, 0);
        EXPECT_GT(skies, 0);
        EXPECT_GT(reports, skies);
    }
}

}  // namespace
