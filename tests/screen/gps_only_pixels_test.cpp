// A GPS-only receiver keeps the screen it always had: the whole window after
// each second of a GPS-only stream, hashed, against the hashes of the drawing
// made before satellites of other systems were shown (with the hemisphere
// letters added since to the position fields, and the third second's bar of
// SNR 59 now standing the strip's height with its figure inside). The first
// and the last second do not crowd and are drawn exactly so. The second and
// the third crowd: unused GPS 20 and 32 were drawn over used GPS 7's circle,
// unused 2 and 31 touch used 13 and 30, and in the third second GPS 11 and 13
// stand a pixel apart and used 7 and 32 touch. Those are drawn by the rule that keeps
// a crowded sky legible: the unused ones as marks, the used ones that touch
// as tags.
#include <cstdio>
#include <string>
#include <vector>

#include "screen/drawing_resources.h"
#include "screen/main_screen.h"
#include "screen_fixture.h"

namespace {

// Four seconds of a GPS-only receiver: no fix, then 3D with four, then six
// used, then 2D. Numbers 1 to 32 only, every position sent, at most ten in
// view, and the used set only grows, as a GPS-only screen has always shown it.
std::vector<std::string> GpsOnlySeconds() {
    return {
        Sentence("GPGGA,120000,,,,,0,00,,,M,,M,,") + Sentence("GPGSA,A,1,,,,,,,,,,,,,,,") +
            Sentence("GPGSV,2,1,07,02,12,045,,05,33,120,21,07,61,300,35,09,05,210,18") +
            Sentence("GPGSV,2,2,07,13,45,045,40,20,82,010,,30,20,330,27") +
            Sentence("GPRMC,120000,V,,,,,,,311226,,,N"),
        Sentence("GPGGA,120001,4722.6100,N,00832.5000,E,1,04,1.6,412.0,M,47.3,M,,") +
            Sentence("GPGSA,A,3,05,07,13,30,,,,,,,,,2.5,1.6,1.9") +
            Sentence("GPGSV,3,1,09,02,12,046,17,05,33,121,30,07,61,301,44,09,05,211,22") +
            Sentence("GPGSV,3,2,09,13,45,046,49,20,82,011,12,30,20,331,36,31,00,000,25") +
            Sentence("GPGSV,3,3,09,32,90,000,51") +
            Sentence("GPRMC,120001,A,4722.6100,N,00832.5000,E,0.3,54.0,311226,,,A"),
        Sentence("GPGGA,120002,4722.6110,N,00832.5010,E,1,06,1.1,412.5,M,47.3,M,,") +
            Sentence("GPGSA,A,3,05,07,13,30,32,09,,,,,,,1.8,1.1,1.4") +
            Sentence("GPGSV,3,1,10,02,12,046,17,05,33,122,30,07,61,302,44,09,05,212,22") +
            Sentence("GPGSV,3,2,10,11,46,047,38,13,45,047,49,20,82,012,12,30,20,332,59") +
            Sentence("GPGSV,3,3,10,31,00,090,25,32,89,180,51") +
            Sentence("GPRMC,120002,A,4722.6110,N,00832.5010,E,0.4,55.0,311226,,,A"),
        Sentence("GPGGA,120003,4722.6120,N,00832.5020,E,1,06,1.1,413.0,M,47.3,M,,") +
            Sentence("GPGSA,A,2,05,07,13,30,32,09,,,,,,,1.9,1.2,1.5") +
            Sentence("GPGSV,1,1,03,05,34,123,31,13,44,048,48,32,88,181,50") +
            Sentence("GPRMC,120003,A,4722.6120,N,00832.5020,E,0.5,56.0,311226,,,A"),
    };
}

class GpsOnlyPixels : public ScreenTest {
  protected:
    static uint64_t WindowHash() {
        uint64_t hash = 1469598103934665603ull;
        for (const uint32_t pixel : Pixels())
            hash = (hash ^ pixel) * 1099511628211ull;
        return hash;
    }
};

TEST_F(GpsOnlyPixels, SameWindowAsBefore) {
    const uint64_t expected[] = {0xed1a7e2b27df2188ull, 0xbd87c98b00954d55ull,
                                 0xd7de010f43269d78ull, 0x473fb1bb7cecb62cull};
    DrawStaticScreen(window);
    const std::vector<std::string> seconds = GpsOnlySeconds();
    bool same = true;
    for (size_t i = 0; i < seconds.size(); ++i) {
        // The closing '$' hands the last sentence of the second on.
        Feed(seconds[i] + "$");
        const uint64_t hash = WindowHash();
        if (hash == expected[i]) continue;
        same = false;
        // The new hash to compare, and the picture to look at.
        const std::string picture =
            ::testing::TempDir() + "gps-only-second-" + std::to_string(i) + ".png";
        host::WritePng(host::ScreenPixels(), picture.c_str());
        std::printf("second %zu: 0x%016llxull, picture %s\n", i,
                    static_cast<unsigned long long>(hash), picture.c_str());
    }
    EXPECT_TRUE(same);
}

}  // namespace
