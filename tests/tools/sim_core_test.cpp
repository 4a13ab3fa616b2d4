#include "sim_core.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
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

std::vector<std::string> Lines(const sim::Burst& burst) {
    std::vector<std::string> lines;
    std::string text(burst.bytes, burst.size);
    std::size_t from = 0;
    while (from < text.size()) {
        const std::size_t end = text.find("\r\n", from);
        if (end == std::string::npos) {
            lines.push_back(text.substr(from));
            break;
        }
        lines.push_back(text.substr(from, end - from));
        from = end + 2;
    }
    return lines;
}

using test_support::ChecksumMatches;

std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> fields;
    const std::size_t star = line.rfind('*');
    const std::string body = line.substr(1, star == std::string::npos ? line.npos : star - 1);
    std::size_t from = 0;
    for (;;) {
        const std::size_t comma = body.find(',', from);
        fields.push_back(body.substr(from, comma - from));
        if (comma == std::string::npos) break;
        from = comma + 1;
    }
    return fields;
}

const std::string* Find(const std::vector<std::string>& lines, const char* type) {
    for (const std::string& line : lines) {
        if (line.compare(3, 3, type) == 0) return &line;
    }
    return nullptr;
}

TEST(SynthesisedGps, EachSecondFitsTheLineBudgetWithGgaGsaGsvAndRmc) {
    struct Case {
        double lat, lon;
        const char* talker;
    };
    const Case cases[] = {{47.3769, 8.5417, "GP"},
                          {-89.99, -179.99, "GN"},
                          {-33.8688, 151.2093, "GN"},
                          {0.0, 0.0, "GP"}};
    std::size_t largest = 0;
    for (const Case& c : cases) {
        sim::ReceiverConfig config;
        config.gnss = sim::Gnss::kGpsOnly;
        config.latitude = c.lat;
        config.longitude = c.lon;
        config.talker[1] = c.talker[1];
        sim::Burst burst;
        // A whole day covers every satellite count and date width.
        for (std::uint32_t second = 0; second < 86400; second += 7) {
            sim::SynthesizeSecond(config, second, &burst);
            ASSERT_LE(burst.size, sim::kLineBytesPerSecond) << "second " << second;
            ASSERT_EQ(std::string(burst.bytes + burst.size - 2, 2), "\r\n");
            if (burst.size > largest) largest = burst.size;
            const auto lines = Lines(burst);
            for (const std::string& line : lines) {
                ASSERT_TRUE(ChecksumMatches(line)) << line;
                ASSERT_EQ(line.compare(1, 2, c.talker), 0) << line;
            }
            ASSERT_NE(Find(lines, "GGA"), nullptr);
            ASSERT_NE(Find(lines, "GSA"), nullptr);
            ASSERT_NE(Find(lines, "RMC"), nullptr);
            // Losing a sentence to the budget would show as a short group.
            const std::string* gsv = Find(lines, "GSV");
            ASSERT_NE(gsv, nullptr);
            const int messages = std::atoi(Fields(*gsv)[1].c_str());
            ASSERT_EQ(lines.size(), static_cast<std::size_t>(3 + messages));
        }
    }
    std::printf("largest burst: %zu bytes\n", largest);
}

// NMEA 4.11 form: GN talker for GGA, RMC and GSA, a GSA per system with its
// system ID, a GSV group per system with its signal ID after the last block.
TEST(SynthesisedFourSystems, EachSecondFitsItsLineInNmea411Form) {
    sim::ReceiverConfig config;
    sim::Burst burst;
    std::size_t largest = 0;
    for (std::uint32_t second = 0; second < 86400; second += 7) {
        SCOPED_TRACE(second);
        sim::SynthesizeSecond(config, second, &burst);
        ASSERT_LE(burst.size, sim::kFastLineBytesPerSecond);
        if (burst.size > largest) largest = burst.size;
        const auto lines = Lines(burst);
        std::string systemIds, signalIds, talkers;
        int groupsComplete = 0;
        for (const std::string& line : lines) {
            ASSERT_TRUE(ChecksumMatches(line)) << line;
            const auto f = Fields(line);
            const std::string type = f[0].substr(2);
            if (type != "GSV") {
                ASSERT_EQ(f[0].substr(0, 2), "GN") << line;
            }
            if (type == "GSA") {
                ASSERT_EQ(f.size(), 19u) << line;
                systemIds += f[18];
            }
            if (type == "RMC") {
                ASSERT_EQ(f.size(), 14u) << line;
            }
            if (type != "GSV") continue;
            ASSERT_EQ((f.size() - 4) % 4, 1u) << "a signal ID after the blocks: " << line;
            if (f[2] == "1") {
                talkers += f[0].substr(0, 2) + " ";
                signalIds += f.back();
            }
            if (f[1] == f[2]) ++groupsComplete;
        }
        EXPECT_EQ(lines.front().compare(1, 5, "GNGGA"), 0);
        EXPECT_EQ(lines.back().compare(1, 5, "GNRMC"), 0);
        EXPECT_EQ(systemIds, "1234");
        EXPECT_EQ(talkers, "GP GL GA GB ");
        EXPECT_EQ(signalIds, "1171");
        EXPECT_EQ(groupsComplete, 4);
    }
    std::printf("largest four-system burst: %zu bytes\n", largest);
}

// The program's own decoder reads a second as the receiver meant it: each
// satellite once, of its system, used as its GSA says.
TEST(SynthesisedFourSystems, DecodedAsFourSystems) {
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
        std::set<std::string> decoded, sent;
        int fives = 0;
        for (int32_t i = 0; i < view.count; ++i) {
            const SkySatellite& s = view.satellites[i];
            decoded.insert(std::to_string(static_cast<int>(s.system)) + ":" +
                           std::to_string(s.number) + (s.used ? "u" : ""));
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
                const GnssSystem system = k == 0 && s.prn > 32 ? GnssSystem::kSbas : systems[k];
                sent.insert(std::to_string(static_cast<int>(system)) + ":" + std::to_string(s.prn) +
                            (s.used ? "u" : ""));
            }
        }
        EXPECT_EQ(decoded, sent);
        mostFives = std::max(mostFives, fives);
    }
    EXPECT_EQ(mostFives, 3) << "GPS 5, Galileo 5 and BeiDou 5 at once";
}

TEST(Synthesised, FixGoesFromNoneTo2DTo3D) {
    sim::ReceiverConfig config;
    sim::Burst burst;
    const struct {
        std::uint32_t second;
        const char* mode;
        const char* quality;
        const char* status;
    } table[] = {{0, "1", "0", "V"}, {2, "1", "0", "V"}, {3, "2", "1", "A"},
                 {5, "2", "1", "A"}, {6, "3", "1", "A"}, {500, "3", "1", "A"}};
    for (const auto& row : table) {
        SCOPED_TRACE(row.second);
        sim::SynthesizeSecond(config, row.second, &burst);
        const auto lines = Lines(burst);
        EXPECT_EQ(Fields(*Find(lines, "GSA"))[2], row.mode);
        EXPECT_EQ(Fields(*Find(lines, "GGA"))[6], row.quality);
        EXPECT_EQ(Fields(*Find(lines, "RMC"))[2], row.status);
        // With a fix, the used set is listed; without one it is empty.
        const auto gsa = Fields(*Find(lines, "GSA"));
        EXPECT_EQ(gsa[3].empty(), std::string(row.mode) == "1");
    }
}

TEST(SynthesisedGps, ConstellationOfTenToFourteenMovesOverTime) {
    sim::ReceiverConfig config;
    config.gnss = sim::Gnss::kGpsOnly;
    sim::Burst burst;
    int fewest = 99;
    int most = 0;
    for (std::uint32_t second = 0; second < 1200; second += 5) {
        sim::SynthesizeSecond(config, second, &burst);
        const auto lines = Lines(burst);
        int messages = 0, listed = 0, inView = 0, entries = 0;
        for (const std::string& line : lines) {
            if (line.compare(3, 3, "GSV") != 0) continue;
            const auto f = Fields(line);
            messages = std::atoi(f[1].c_str());
            EXPECT_EQ(std::atoi(f[2].c_str()), ++listed);
            inView = std::atoi(f[3].c_str());
            entries += static_cast<int>(f.size() - 4) / 4;
        }
        EXPECT_EQ(entries, inView);
        EXPECT_EQ(listed, messages);
        EXPECT_GE(messages, 3);
        EXPECT_LE(messages, 4);
        fewest = std::min(fewest, inView);
        most = std::max(most, inView);
    }
    EXPECT_EQ(fewest, 10);
    EXPECT_EQ(most, 14);

    sim::SatelliteView early[sim::kMaxSatellites];
    sim::SatelliteView later[sim::kMaxSatellites];
    sim::SatellitesAt(10, early);
    sim::SatellitesAt(310, later);
    int moved = 0;
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(early[i].prn, later[i].prn);
        if (early[i].elevation != later[i].elevation || early[i].azimuth != later[i].azimuth) {
            ++moved;
        }
        EXPECT_GE(later[i].snr, 10);
    }
    EXPECT_EQ(moved, 10);
}

// ddmm.mmmm (or dddmm.mmmm) with its hemisphere letter to signed degrees.
double Degrees(const std::string& text, const std::string& hemisphere) {
    const double raw = std::atof(text.c_str());
    const double whole = static_cast<int>(raw / 100);
    const double value = whole + (raw - whole * 100) / 60.0;
    return hemisphere == "S" || hemisphere == "W" ? -value : value;
}

TEST(Synthesised, PositionStartsWhereAskedAndMovesSlowly) {
    const struct {
        double lat, lon;
        const char* ns;
        const char* ew;
    } table[] = {{47.5, 8.25, "N", "E"}, {-33.75, -70.5, "S", "W"}, {0.5, 120.25, "N", "E"}};
    for (const auto& row : table) {
        SCOPED_TRACE(row.lat);
        sim::ReceiverConfig config;
        config.latitude = row.lat;
        config.longitude = row.lon;
        sim::Burst burst;
        for (std::uint32_t second : {3u, 300u, 900u}) {
            sim::SynthesizeSecond(config, second, &burst);
            const auto gga = Fields(*Find(Lines(burst), "GGA"));
            EXPECT_EQ(gga[2].size(), 9u);
            EXPECT_EQ(gga[4].size(), 10u);
            EXPECT_EQ(gga[3], row.ns);
            EXPECT_EQ(gga[5], row.ew);
            // The receiver stays within a few hundred metres of the start.
            EXPECT_NEAR(Degrees(gga[2], gga[3]), row.lat, 0.005);
            EXPECT_NEAR(Degrees(gga[4], gga[5]), row.lon, 0.01);
        }
        sim::Burst later;
        sim::SynthesizeSecond(config, 60, &later);
        EXPECT_NE(Fields(*Find(Lines(burst), "GGA"))[2], Fields(*Find(Lines(later), "GGA"))[2]);
    }
}

TEST(Synthesised, CorruptShareIsRoughlyAsAsked) {
    for (int percent : {0, 10, 50, 100}) {
        SCOPED_TRACE(percent);
        sim::ReceiverConfig config;
        config.corruptPercent = percent;
        sim::Burst burst;
        int bad = 0;
        int total = 0;
        for (std::uint32_t second = 0; second < 2000; ++second) {
            sim::SynthesizeSecond(config, second, &burst);
            for (const std::string& line : Lines(burst)) {
                ++total;
                if (!ChecksumMatches(line)) ++bad;
            }
        }
        const double share = 100.0 * bad / total;
        EXPECT_NEAR(share, percent, 2.0);
    }
}

TEST(Synthesised, SameSecondGivesTheSameBytes) {
    sim::ReceiverConfig config;
    config.corruptPercent = 30;
    sim::Burst a;
    sim::Burst b;
    sim::SynthesizeSecond(config, 77, &a);
    sim::SynthesizeSecond(config, 78, &b);
    sim::SynthesizeSecond(config, 77, &b);
    EXPECT_EQ(std::string(a.bytes, a.size), std::string(b.bytes, b.size));
}

std::string Drain(sim::Replay& replay, int bursts, std::vector<std::size_t>* sizes) {
    std::string all;
    sim::Burst burst;
    for (int i = 0; i < bursts; ++i) {
        replay.NextBurst(&burst);
        sizes->push_back(burst.size);
        all.append(burst.bytes, burst.size);
    }
    return all;
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
        int bursts = 0;
        while (sent.size() < 2 * file.size()) {
            replay.NextBurst(&burst);
            ASSERT_GT(burst.size, 0u);
            ASSERT_LE(burst.size, sim::kLineBytesPerSecond);
            // Only the log's own first bytes may come before a '$'.
            if (sent.size() % file.size() != 0 || file[0] == '$') {
                EXPECT_EQ(burst.bytes[0], '$') << "burst " << bursts;
            }
            sent.append(burst.bytes, burst.size);
            ++bursts;
        }
        // Twice round the loop, byte for byte.
        EXPECT_EQ(sent, file + file);
    }
}

TEST(Replay, PiecesLongerThanASecondAreSplitAndLoopStartsANewBurst) {
    sim::Replay replay;
    replay.LoadBytes("junk" + std::string(1000, 'x') + "$GPGGA,1*00\r\n$GPRMC*00\r\n");
    std::vector<std::size_t> sizes;
    const std::string all = Drain(replay, 5, &sizes);
    const std::vector<std::size_t> expected = {480, 480, 68, 480, 480};
    EXPECT_EQ(sizes, expected);

    sim::Replay empty;
    sim::Burst burst;
    empty.NextBurst(&burst);
    EXPECT_EQ(burst.size, 0u);
    EXPECT_FALSE(empty.Load("/nonexistent/skymark/replay.nmea"));
}

TEST(Position, ParsesDecimalDegreesAndRejectsTheRest) {
    const struct {
        const char* text;
        bool ok;
        double lat, lon;
    } table[] = {{"47.5,8.25", true, 47.5, 8.25},
                 {"-33.75,-70.5", true, -33.75, -70.5},
                 {"90,180", true, 90, 180},
                 {"90.1,0", false, 0, 0},
                 {"0,-180.5", false, 0, 0},
                 {"47.5", false, 0, 0},
                 {"47.5,", false, 0, 0},
                 {",8", false, 0, 0},
                 {"47.5,8.25x", false, 0, 0},
                 {"nan,0", false, 0, 0},
                 {"", false, 0, 0}};
    for (const auto& row : table) {
        SCOPED_TRACE(row.text);
        double lat = 1234;
        double lon = 1234;
        EXPECT_EQ(sim::ParsePosition(row.text, &lat, &lon), row.ok);
        if (row.ok) {
            EXPECT_DOUBLE_EQ(lat, row.lat);
            EXPECT_DOUBLE_EQ(lon, row.lon);
        } else {
            EXPECT_EQ(lat, 1234);
        }
    }
}

}  // namespace
