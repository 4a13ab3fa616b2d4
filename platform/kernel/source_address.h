// What stands behind a port: a serial device, a TCP stream of raw NMEA, gpsd,
// or NMEA datagrams arriving over UDP. Parsed from the text that maps a port
// (the source the program gave it).
#pragma once

#include <string>

namespace kernel {

enum class SourceKind { kDevice, kTcp, kGpsd, kUdp };

struct SourceAddress {
    SourceKind kind = SourceKind::kDevice;
    std::string path;  // the device, for kDevice
    // Without brackets: the host for kTcp and kGpsd; for kUdp the numeric
    // address to listen on (empty: every address of the host).
    std::string host;
    std::string port;  // decimal, 1 to 65535
};

inline constexpr char kGpsdDefaultHost[] = "localhost";
inline constexpr char kGpsdDefaultPort[] = "2947";
// The port NMEA 0183 over UDP customarily goes to.
inline constexpr char kUdpDefaultPort[] = "10110";

// Accepts an absolute device path, tcp://HOST:PORT, gpsd://[HOST[:PORT]][/DEVICE]
// or udp://[ADDRESS][:PORT] (ADDRESS numeric: a local address, a broadcast
// address or a multicast group); a numeric IPv6 host goes in brackets. The
// gpsd device names one of the receivers gpsd holds: it is the program's
// business, and the connection is the same with or without it. Null when the text is a
// source, otherwise why it is not.
const char* ParseSource(const char* text, SourceAddress* address);

}  // namespace kernel
