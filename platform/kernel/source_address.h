// What stands behind a port: a serial device, a TCP stream of raw NMEA, or
// gpsd's receiver. Parsed from the text that maps a port (SKYMARK_COMn or a
// source given on the command line).
#pragma once

#include <string>

namespace kernel {

enum class SourceKind { kDevice, kTcp, kGpsd };

struct SourceAddress {
    SourceKind kind = SourceKind::kDevice;
    std::string path;  // the device, for kDevice
    std::string host;  // without brackets, for kTcp and kGpsd
    std::string port;  // decimal, 1 to 65535
};

inline constexpr char kGpsdDefaultHost[] = "localhost";
inline constexpr char kGpsdDefaultPort[] = "2947";

// Accepts an absolute device path, tcp://HOST:PORT or gpsd://[HOST[:PORT]];
// a numeric IPv6 host goes in brackets. Null when the text is a source,
// otherwise why it is not.
const char* ParseSource(const char* text, SourceAddress* address);

}  // namespace kernel
