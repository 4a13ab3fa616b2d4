#include "platform/kernel/source_address.h"

#include <netdb.h>
#include <sys/socket.h>

#include <cstring>

#include "host/host.h"

namespace kernel {
namespace {

constexpr char kTcpScheme[] = "tcp://";
constexpr char kGpsdScheme[] = "gpsd://";
constexpr char kUdpScheme[] = "udp://";

bool StartsWith(const char* text, const char* prefix) {
    return std::strncmp(text, prefix, std::strlen(prefix)) == 0;
}

bool ValidPort(const std::string& port) {
    if (port.empty() || port.size() > 5) return false;
    long value = 0;
    for (char c : port) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    return value >= 1 && value <= 65535;
}

bool ValidHost(const std::string& host) {
    if (host.empty()) return false;
    for (char c : host) {
        const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        const bool digit = c >= '0' && c <= '9';
        if (!letter && !digit && c != '.' && c != '-' && c != ':' && c != '_' && c != '%') {
            return false;
        }
    }
    return true;
}

// gpsd's own limit on a device path, its terminator included.
constexpr std::size_t kDevicePathCapacity = 128;

// A device path that can stand in a JSON string as it is: printable ASCII
// without quotes or backslashes, and not the bare "/".
const char* DeviceProblem(const std::string& device) {
    if (device.size() < 2) return "no device after the /";
    if (device.size() >= kDevicePathCapacity) return "the device path is too long";
    for (char c : device) {
        if (c < ' ' || c > '~' || c == '"' || c == '\\') {
            return "the device path holds a character that is not plain text";
        }
    }
    return nullptr;
}

// HOST, HOST:PORT, [V6] or [V6]:PORT; the port is left empty when not given.
const char* SplitHostPort(const std::string& rest, std::string* host, std::string* port) {
    std::string after;
    if (!rest.empty() && rest[0] == '[') {
        const std::size_t close = rest.find(']');
        if (close == std::string::npos) return "an opening [ without its ]";
        *host = rest.substr(1, close - 1);
        after = rest.substr(close + 1);
        if (!after.empty() && after[0] != ':') return "text after the ] that is not :PORT";
    } else {
        const std::size_t colon = rest.find(':');
        *host = rest.substr(0, colon);
        if (colon != std::string::npos) after = rest.substr(colon);
    }
    if (!after.empty()) {
        *port = after.substr(1);
        if (!ValidPort(*port)) return "the port is not a number from 1 to 65535";
    }
    if (!ValidHost(*host)) return "no valid host name or address";
    return nullptr;
}

// A numeric address, which needs no lookup (a scope such as %eth0 allowed).
bool NumericAddress(const std::string& host) {
    addrinfo hints{};
    hints.ai_flags = AI_NUMERICHOST;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0) return false;
    freeaddrinfo(found);
    return true;
}

// [ADDRESS][:PORT]: a listener takes every address and the customary port
// unless told otherwise.
const char* ParseUdp(const std::string& rest, SourceAddress* address) {
    if (!rest.empty() && rest[0] != ':') {
        const char* why = SplitHostPort(rest, &address->host, &address->port);
        if (why != nullptr) return why;
        if (!NumericAddress(address->host)) {
            return "udp:// listens on a numeric address (or none): udp://[ADDRESS][:PORT]";
        }
    } else if (!rest.empty()) {
        address->port = rest.substr(1);
        if (!ValidPort(address->port)) return "the port is not a number from 1 to 65535";
    }
    if (address->port.empty()) address->port = kUdpDefaultPort;
    return nullptr;
}

}  // namespace

const char* ParseSource(const char* text, SourceAddress* address) {
    *address = SourceAddress{};
    if (text == nullptr || *text == '\0') return "empty";
    if (StartsWith(text, kTcpScheme)) {
        address->kind = SourceKind::kTcp;
        const char* why =
            SplitHostPort(text + std::strlen(kTcpScheme), &address->host, &address->port);
        if (why != nullptr) return why;
        if (address->port.empty()) return "tcp:// needs a port: tcp://HOST:PORT";
        return nullptr;
    }
    if (StartsWith(text, kGpsdScheme)) {
        address->kind = SourceKind::kGpsd;
        std::string rest = text + std::strlen(kGpsdScheme);
        // A host name or address holds no '/': the device starts at the first.
        const std::size_t slash = rest.find('/');
        if (slash != std::string::npos) {
            if (const char* why = DeviceProblem(rest.substr(slash))) return why;
            rest.erase(slash);
        }
        if (rest.empty()) rest = kGpsdDefaultHost;
        const char* why = SplitHostPort(rest, &address->host, &address->port);
        if (why != nullptr) return why;
        if (address->port.empty()) address->port = kGpsdDefaultPort;
        return nullptr;
    }
    if (StartsWith(text, kUdpScheme)) {
        address->kind = SourceKind::kUdp;
        return ParseUdp(text + std::strlen(kUdpScheme), address);
    }
    if (std::strstr(text, "://") != nullptr) {
        return "unknown kind of source (tcp://, gpsd:// or udp://)";
    }
    if (text[0] != '/') {
        return "not an absolute device path, tcp://HOST:PORT, gpsd://HOST[:PORT][/DEVICE]"
               " or udp://[ADDRESS][:PORT]";
    }
    address->path = text;
    return nullptr;
}

}  // namespace kernel

namespace host {

const char* SourceProblem(const char* text) {
    kernel::SourceAddress address;
    return kernel::ParseSource(text, &address);
}

}  // namespace host
