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

struct Burst {
    char bytes[kLineBytesPerSecond];
    std::size_t size = 0;
};

struct ReceiverConfig {
    char talker[3] = {'G', 'P', '\0'};
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

// Everything the synthesised receiver sends in the given second: GGA, GSA,
// the GSV group and RMC, CR LF terminated, at most kLineBytesPerSecond bytes.
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
