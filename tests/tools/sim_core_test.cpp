#include "sim_core.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "nmea/nav_record.h"
#include "nmea/nmea_state.h"
#include "nmea/sentence_assembler.h"
#include "nmea/sentence_router.h"
#include "nmea/sky_view.h"
#include "tests/support/nmea_text.h"

namespace {

using test_support::ChecksumMatches;

// The burst's lines without their CR LF.
std::vector<std::string> Lines(const sim::Burst& burst) {
    std::vector<std::string> lines;
    const std::string text(burst.bytes, burst.size);
    for (std::size_t from = 0, end = 0; from < text.size(); from = end + 2) {
        end = std::min(text.find("\r\n", from), text.size());
        lines.push_back(text.substr(from, end - from));
    }
    return lines;
}

// The comma-separated fields between '$' and '*', the address first.
std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> fields;
    const std::string body = line.substr(1, line.rfind('*') - 1);
    for (std::size_t from = 0, comma = 0; comma != std::string::npos; from = comma + 1) {
        comma = body.find(',', from);
        fields.push_back(body.substr(from, comma - from));
    }
    return fields;
}

std::vector<std::string> FieldsOf(const sim::Burst& burst, const char* type) {
    for (const std::string& line : Lines(burst)) {
        if (line.compare(3, 3, type) == 0) return Fields(line);
    }
    return {};
}

// The default receiver in NMEA 4.11 form (GN talker for GGA, RMC and GSA, a
// GSA per system with its system ID, a GSV group per system with its signal
// ID after the last block), and the GPS-only one of twenty years ago.
TEST(Synthesised, EachSecondOfADayFitsItsLineInWholeGroups) {
    struct Case {
        sim::Gnss gnss;
        char talker;  // of the GPS-only receiver
        const char *main, *gsvTalkers, *systemIds, *signalIds;
        int fewestGps, mostGps;
    };
    const Case cases[] = {
        {sim::Gnss::kFourSystems, 'P', "GN", "GP GL GA GB ", "1234", "1171", 10, 12},
        {sim::Gnss::kGpsOnly, 'P', "GP", "GP ", "", "", 10, 14},
        {sim::Gnss::kGpsOnly, 'N', "GN", "GN ", "", "", 10, 14}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.gsvTalkers);
        sim::ReceiverConfig config;
        config.gnss = c.gnss;
        config.talker[1] = c.talker;
        config.latitude = -89.99;  // the widest position fields
        config.longitude = -179.99;
        sim::Burst burst;
        int fewest = 99, most = 0;
        for (std::uint32_t second = 0; second < 86400; second += 17) {
            sim::SynthesizeSecond(config, second, &burst);
            ASSERT_LE(burst.size, sim::LineBytesPerSecond(config)) << "second " << second;
            ASSERT_EQ(std::string(burst.bytes + burst.size - 2, 2), "\r\n");
            const auto lines = Lines(burst);
            std::string gsvTalkers, systemIds, signalIds;
            int entries = 0, gsas = 0;
            for (const std::string& line : lines) {
                ASSERT_TRUE(ChecksumMatches(line)) << line;
                const auto f = Fields(line);
                const std::string type = f[0].substr(2);
                if (type == "GSA") {
                    ++gsas;
                    if (f.size() == 19) systemIds += f[18];
                }
                if (type != "GSV") {
                    ASSERT_EQ(f[0].substr(0, 2), c.main) << line;
                    continue;
                }
                // A message lost to the budget would show as a short group.
                ASSERT_EQ(std::atoi(f[2].c_str()), entries / 4 + 1) << line;
                entries += static_cast<int>(f.size() - 4) / 4;
                ASSERT_EQ((f.size() - 4) % 4, *c.signalIds != 0 ? 1u : 0u) << line;
                if (f[2] == "1") {
                    gsvTalkers += f[0].substr(0, 2) + " ";
                    if (*c.signalIds != 0) signalIds += f.back();
                }
                if (f[1] != f[2]) continue;
                ASSERT_EQ(entries, std::atoi(f[3].c_str())) << line;
                if (gsvTalkers.size() == 3) {
                    fewest = std::min(fewest, entries);
                    most = std::max(most, entries);
                }
                entries = 0;
            }
            ASSERT_EQ(entries, 0) << "an unfinished group";
            ASSERT_EQ(lines.front().compare(3, 3, "GGA"), 0);
            ASSERT_EQ(lines.back().compare(3, 3, "RMC"), 0);
            ASSERT_EQ(gsas, static_cast<int>(gsvTalkers.size() / 3));
            ASSERT_EQ(gsvTalkers, c.gsvTalkers);
            ASSERT_EQ(systemIds, c.systemIds);
            ASSERT_EQ(signalIds, c.signalIds);
        }
        EXPECT_EQ(fewest, c.fewestGps);
        EXPECT_EQ(most, c.mostGps);
    }
}

// The program's own decoder reads a second as the receiver meant it: each
// satellite once, of its system, used as its GSA says, and its error report.
TEST(Synthesised, FourSystemsDecodeAsFourSystems) {
    sim::ReceiverConfig config;
    sim::Burst burst;
    static SkyView view;
    int mostFives = 0;
    for (const std::uint32_t second : {1u, 10u, 300u, 777u}) {
        SCOPED_TRACE(second);
        sim::SynthesizeSecond(config, second, &burst);
        ResetNmeaState();
        const std::string bytes = std::string(burst.bytes, burst.size) + "$";
        AssembleBytes(Assembler, reinterpret_cast<const uint8_t*>(bytes.data()),
                      static_cast<int32_t>(bytes.size()), [](const SentenceAssembler& a) {
                          DecodeSentence(Nav, ClassifySentence(a.sentenceText, a.sentenceLength),
                                         a.sentenceText, a.sentenceLength, 0);
                      });
        BuildSkyView(Nav, &view);
        const auto key = [](GnssSystem system, int number, bool used) {
            return std::to_string(static_cast<int>(system)) + ":" + std::to_string(number) +
                   (used ? "u" : "");
        };
        std::set<std::string> decoded, sent;
        int fives = 0;
        for (int32_t i = 0; i < view.count; ++i) {
            const SkySatellite& s = view.satellites[i];
            decoded.insert(key(s.system, s.number, s.used));
            fives += s.number == 5;
        }
        sim::SystemSky skies[sim::kSystems];
        sim::FourSystemSkyAt(second, skies);
        const GnssSystem systems[] = {GnssSystem::kGps, GnssSystem::kGlonass, GnssSystem::kGalileo,
                                      GnssSystem::kBeidou};
        for (int k = 0; k < sim::kSystems; ++k) {
            for (int i = 0; i < skies[k].count; ++i) {
                const sim::SatelliteView& s = skies[k].satellites[i];
                // The GPS talker lists the SBAS satellite too.
                sent.insert(
                    key(k == 0 && s.prn > 32 ? GnssSystem::kSbas : systems[k], s.prn, s.used));
            }
        }
        EXPECT_EQ(decoded, sent);
        mostFives = std::max(mostFives, fives);
        // An error report with every value while there is a fix, none before.
        const uint16_t sigmas = kLatitudeSigma | kLongitudeSigma | kAltitudeSigma;
        EXPECT_EQ(Nav.accuracy.known & sigmas, second < 3 ? 0 : sigmas);
    }
    EXPECT_EQ(mostFives, 3) << "GPS 5, Galileo 5 and BeiDou 5 at once";
}

// ddmm.mmmm (or dddmm.mmmm) with its hemisphere letter to signed degrees.
double Degrees(const std::string& text, const std::string& hemisphere) {
    const double raw = std::atof(text.c_str());
    const double whole = static_cast<int>(raw / 100);
    const double value = whole + (raw - whole * 100) / 60.0;
    return hemisphere == "S" || hemisphere == "W" ? -value : value;
}

TEST(Synthesised, FixGoesFromNoneTo2DTo3DAndThePositionStaysNearTheStart) {
    const struct {
        std::uint32_t second;
        const char *mode, *quality, *status;
    } fixes[] = {{0, "1", "0", "V"}, {2, "1", "0", "V"}, {3, "2", "1", "A"},
                 {5, "2", "1", "A"}, {6, "3", "1", "A"}, {900, "3", "1", "A"}};
    // The hemisphere letters give the sign.
    const struct { double lat, lon; } starts[] = {{47.5, 8.25}, {-33.75, -70.5}, {0.5, 120.25}};
    for (const auto& start : starts) {
        sim::ReceiverConfig config;
        config.latitude = start.lat;
        config.longitude = start.lon;
        std::set<std::string> latitudes;
        for (const auto& fix : fixes) {
            SCOPED_TRACE(::testing::Message() << start.lat << " at " << fix.second);
            sim::Burst burst;
            sim::SynthesizeSecond(config, fix.second, &burst);
            const auto gsa = FieldsOf(burst, "GSA");
            EXPECT_EQ(gsa[2], fix.mode);
            // With a fix, the used set is listed; without one it is empty.
            EXPECT_EQ(gsa[3].empty(), std::string(fix.mode) == "1");
            EXPECT_EQ(FieldsOf(burst, "RMC")[2], fix.status);
            const auto gga = FieldsOf(burst, "GGA");
            EXPECT_EQ(gga[6], fix.quality);
            if (gga[2].empty()) continue;
            EXPECT_EQ(gga[2].size(), 9u);
            EXPECT_EQ(gga[4].size(), 10u);
            // Within a few hundred metres of the start, and moving.
            EXPECT_NEAR(Degrees(gga[2], gga[3]), start.lat, 0.005);
            EXPECT_NEAR(Degrees(gga[4], gga[5]), start.lon, 0.01);
            latitudes.insert(gga[2]);
        }
        EXPECT_GT(latitudes.size(), 2u);
    }
}

TEST(Synthesised, CorruptShareIsRoughlyAsAskedAndTheSameSecondGivesTheSameBytes) {
    for (int percent : {0, 10, 50, 100}) {
        SCOPED_TRACE(percent);
        sim::ReceiverConfig config;
        config.corruptPercent = percent;
        sim::Burst burst;
        int bad = 0, total = 0;
        for (std::uint32_t second = 0; second < 1000; ++second) {
            sim::SynthesizeSecond(config, second, &burst);
            for (const std::string& line : Lines(burst)) {
                ++total;
                bad += !ChecksumMatches(line);
            }
        }
        EXPECT_NEAR(100.0 * bad / total, percent, 2.0);
        sim::SynthesizeSecond(config, 77, &burst);
        sim::Burst again;
        sim::SynthesizeSecond(config, 77, &again);
        EXPECT_EQ(std::string(burst.bytes, burst.size), std::string(again.bytes, again.size));
    }
}

TEST(Replay, LoopsEachRecordedLogInBurstsCutAtSentenceStarts) {
    for (const char* name : {"gp-320fw-2019-04-07-coldboot", "magellan-ec10", "quectel-eg25-g",
                             "skytraq-dgps", "tn200", "ublox-neo-m9n-nmea"}) {
        SCOPED_TRACE(name);
        const std::string path = std::string(SKYMARK_DATA_DIR) + "/" + name + ".nmea";
        sim::Replay replay;
        ASSERT_TRUE(replay.Load(path.c_str()));
        const std::string file = test_support::ReadWholeFile(path);
        ASSERT_FALSE(file.empty());
        std::string sent;
        sim::Burst burst;
        while (sent.size() < 2 * file.size()) {
            replay.NextBurst(&burst);
            ASSERT_GT(burst.size, 0u);
            ASSERT_LE(burst.size, sim::kLineBytesPerSecond);
            // Only the log's own first bytes may come before a '$'.
            if (sent.size() % file.size() != 0 || file[0] == '$') {
                EXPECT_EQ(burst.bytes[0], '$') << "at " << sent.size();
            }
            sent.append(burst.bytes, burst.size);
        }
        // Twice round the loop, byte for byte.
        EXPECT_EQ(sent, file + file);
    }
}

TEST(Replay, PiecesLongerThanASecondAreSplitAndLoopStartsANewBurst) {
    sim::Replay replay;
    replay.LoadBytes("junk" + std::string(1000, 'x') + "$GPGGA,1*00\r\n$GPRMC*00\r\n");
    std::vector<std::size_t> sizes;
    sim::Burst burst;
    for (int i = 0; i < 5; ++i) {
        replay.NextBurst(&burst);
        sizes.push_back(burst.size);
    }
    EXPECT_EQ(sizes, (std::vector<std::size_t>{480, 480, 68, 480, 480}));

    sim::Replay empty;
    empty.NextBurst(&burst);
    EXPECT_EQ(burst.size, 0u);
    EXPECT_FALSE(empty.Load("/nonexistent/skymark/replay.nmea"));
}

TEST(Position, ParsesDecimalDegreesAndRejectsTheRest) {
    const struct {
        const char* text;
        double lat, lon;
    } good[] = {{"47.5,8.25", 47.5, 8.25}, {"-33.75,-70.5", -33.75, -70.5}, {"90,180", 90, 180}};
    for (const auto& row : good) {
        SCOPED_TRACE(row.text);
        double lat = 1234, lon = 1234;
        ASSERT_TRUE(sim::ParsePosition(row.text, &lat, &lon));
        EXPECT_DOUBLE_EQ(lat, row.lat);
        EXPECT_DOUBLE_EQ(lon, row.lon);
    }
    for (const char* bad :
         {"90.1,0", "0,-180.5", "47.5", "47.5,", ",8", "47.5,8.25x", "nan,0", ""}) {
        double lat = 1234, lon = 1234;
        EXPECT_FALSE(sim::ParsePosition(bad, &lat, &lon)) << bad;
        EXPECT_EQ(lat, 1234) << bad;
    }
}

}  // namespace
