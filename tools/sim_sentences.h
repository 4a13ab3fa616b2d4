// The parts both synthesised receivers build their seconds from.
#pragma once

#include <cstddef>
#include <cstdint>

#include "sim_core.h"

namespace sim::parts {

// A fixed mix of the two numbers, so that noise and corruption are
// reproducible for a given second.
std::uint32_t Mix(std::uint32_t a, std::uint32_t b);

// Appends "$body*HH\r\n" if it fits the budget; a corrupted sentence carries
// a checksum off by one.
void AppendSentence(Burst* burst, std::size_t budget, const char* body, bool corrupt);

// Whether the index-th sentence of the second goes out with a wrong checksum.
bool Corrupt(const ReceiverConfig& config, std::uint32_t second, std::uint32_t index);

// Where the receiver is and what its clock says at a second.
struct Moment {
    char latitude[64];   // ddmm.mmmm,N
    char longitude[64];  // dddmm.mmmm,E
    double speedKnots;
    double courseDegrees;
    double altitude;
    char time[48];  // hhmmss.00
    char date[40];  // ddmmyy
};
Moment MomentAt(const ReceiverConfig& config, std::uint32_t second);

// The dilutions of precision for this many satellites in use.
struct Dops {
    double pdop, hdop, vdop;
};
Dops DopsFor(int used);

// One sentence being written: printf-style pieces appended in turn.
class Body {
  public:
    void Add(const char* format, ...) __attribute__((format(printf, 2, 3)));
    const char* Text() const { return text_; }

  private:
    char text_[256] = {};
    std::size_t size_ = 0;
};

// "GSA,A,<fix>" and twelve slots with the used satellites of the list, then
// the dilutions (empty without a fix) and, when systemId is not 0, the system ID.
void AddGsa(Body* body, FixKind fix, const SatelliteView* satellites, int count, const Dops& dops,
            int systemId);

// "GGA" after the talker: the position, the satellites used and the HDOP,
// or no position without a fix.
void AddGga(Body* body, const char* talker, FixKind fix, const Moment& m, int used,
            const Dops& dops);
// "RMC" after the talker, and the navigational status of NMEA 4.10 after
// the mode when navStatus is set.
void AddRmc(Body* body, const char* talker, FixKind fix, const Moment& m, bool navStatus);

// The GSV messages of a group, each passed to send: four blocks a message,
// and the signal ID after the last block when signalId is not 0.
template <typename Send>
void ForEachGsv(const char* talker, const SatelliteView* satellites, int count, int signalId,
                Send&& send) {
    const int messages = (count + 3) / 4;
    for (int message = 0; message < messages; ++message) {
        Body body;
        body.Add("%sGSV,%d,%d,%02d", talker, messages, message + 1, count);
        for (int i = message * 4; i < count && i < message * 4 + 4; ++i) {
            const SatelliteView& s = satellites[i];
            body.Add(",%02d,%02d,%03d,", s.prn, s.elevation, s.azimuth);
            if (s.snr >= 0) body.Add("%02d", s.snr);
        }
        if (signalId != 0) body.Add(",%X", signalId);
        send(body.Text());
    }
}

// The second of the four-system receiver.
void SynthesizeFourSystems(const ReceiverConfig& config, std::uint32_t second, Burst* burst);

}  // namespace sim::parts
