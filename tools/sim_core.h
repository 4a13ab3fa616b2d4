// The simulated receiver: what it sends in each second, as a pure function of
// the second number, and a replay of a recorded log cut into paced bursts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace sim {

// A 4800-baud line with 10 bit times per byte carries at most this much a second.
inline constexpr std::size_t kLineBytesPerSecond = 480;
// A 38400-baud line: a four-system receiver sends more than a kilobyte a
// second, which no 4800-baud line carries, and such receivers run faster.
inline constexpr std::size_t kFastLineBytesPerSecond = 3840;

struct Burst {
    char bytes[kFastLineBytesPerSecond];
    std::size_t size = 0;
};

// GPS, GLONASS, Galileo and BeiDou in NMEA 4.11 form, or GPS alone as
// receivers of twenty years ago report it.
enum class Gnss { kFourSystems, kGpsOnly };

struct ReceiverConfig {
    Gnss gnss = Gnss::kFourSystems;
    char talker[3] = {'G', 'P', '\0'};           // of the GPS-only receiver
    int corruptPercent = 0;                      // share of sentences sent with a wrong checksum
    double latitude = 47.3769;                   // decimal degrees, north positive
    double longitude = 8.5417;                   // decimal degrees, east positive
    std::int64_t startUnixSeconds = 1796558400;  // UTC time of second 0
};

enum class FixKind { kNone = 1, k2D = 2, k3D = 3 };
// No fix for the first 3 s, then 2D for 3 s, then 3D.
FixKind FixAt(std::uint32_t second);

// Satellites in view at a second: between 10 and 14.
struct SatelliteView {
    int prn;
    int elevation;  // degrees, 5 to 85
    int azimuth;    // degrees, 0 to 359
    int snr;        // dB-Hz, or -1 while not yet tracked
    bool used;
};
inline constexpr int kMaxSatellites = 14;
int SatellitesAt(std::uint32_t second, SatelliteView (&out)[kMaxSatellites]);

// The bytes a second of the receiver's sentences may take on its line.
std::size_t LineBytesPerSecond(const ReceiverConfig& config);

// The four systems, each as its own talker reports it.
inline constexpr int kSystems = 4;
struct SystemSky {
    const char* talker;  // of its GSV: GP, GL, GA, GB
    int systemId;        // in its GSA: 1 GPS, 2 GLONASS, 3 Galileo, 4 BeiDou
    int signalId;        // after its GSV blocks: L1 C/A, G1, E1, B1I
    int count;
    SatelliteView satellites[kMaxSatellites];
};
// What each system has in view at a second: 9 to 11 GPS satellites and one
// SBAS among them, 6 to 8 GLONASS, 7 to 9 Galileo, 8 to 10 BeiDou, numbered
// as NMEA 4.11 does (GLONASS 65 and up, the others from 1), so that the same
// number comes up in more than one system.
void FourSystemSkyAt(std::uint32_t second, SystemSky (&out)[kSystems]);

// Everything the synthesised receiver sends in the given second, CR LF
// terminated, at most LineBytesPerSecond bytes: GGA, GSA, the GSV group and
// RMC of the GPS-only receiver; GNGGA, a GNGSA per system with its system ID,
// a GSV group per system with its signal ID, GNGST and GNRMC of the four-system one.
void SynthesizeSecond(const ReceiverConfig& config, std::uint32_t second, Burst* burst);

// XOR of the characters between '$' and '*' (or the end).
std::uint8_t NmeaChecksum(const char* body, std::size_t length);

// A recorded log replayed in a loop, one burst per second, cut where a
// sentence starts so that no burst exceeds the line's budget. Only a piece
// longer than the whole budget is cut inside.
class Replay {
  public:
    bool Load(const char* path);
    void LoadBytes(std::string bytes);
    bool Empty() const { return data_.empty(); }
    // Fills the next second's burst; a loop of the log always starts a new burst.
    void NextBurst(Burst* burst);

  private:
    std::size_t PieceEnd(std::size_t from) const;
    std::string data_;
    std::size_t position_ = 0;
};

// Parses "LAT,LON" in decimal degrees; false when malformed or out of range.
bool ParsePosition(const char* text, double* latitude, double* longitude);

}  // namespace sim
