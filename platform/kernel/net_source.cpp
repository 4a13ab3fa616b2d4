#include "platform/kernel/net_source.h"

#include <errno.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

#include "host/host.h"

namespace kernel {
namespace {

// A datagram is never larger; one is taken only when it fits whole.
constexpr std::size_t kLargestDatagram = 65535;
// A purge drains at most this many buffers of a peer that keeps sending.
constexpr int kMostPurgeRounds = 16;
// What the program writes is a few short lines; a send queue that stays full
// this long belongs to a far side that has stopped reading.
constexpr int kSendWaitMs = 200;

void Say(const KernelObject& object, const char* what, const char* why) {
    host::Report("%s: %s: %s", object.name.c_str(), what, why);
}

void End(KernelObject& object) {
    object.stream->state = NetState::kEnded;
    object.fd.Reset();
}

// Sends every byte, waiting up to kSendWaitMs at a time for room; the
// number sent, with *error the errno that stopped it short.
std::size_t SendAll(int fd, const std::uint8_t* bytes, std::size_t count, int* error) {
    std::size_t sent = 0;
    *error = 0;
    while (sent < count) {
        const ssize_t n = send(fd, bytes + sent, count - sent, MSG_NOSIGNAL);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            pollfd p{fd, POLLOUT, 0};
            int ready;
            do {
                ready = poll(&p, 1, kSendWaitMs);
            } while (ready < 0 && errno == EINTR);
            if (ready > 0) continue;
            *error = ready == 0 ? ETIMEDOUT : errno;
            break;
        }
        *error = n < 0 ? errno : EIO;
        break;
    }
    return sent;
}

// Keepalive questions for a peer that has fallen silent, and the same bound
// on data that goes unacknowledged, so that a peer that is gone ends the
// connection instead of leaving it open for ever.
void WatchPeer(const KernelObject& object, int fd) {
    const int on = 1;
    const int idle = kKeepIdleSeconds;
    const int interval = kKeepIntervalSeconds;
    const int probes = kKeepProbes;
    const unsigned user_timeout = kPeerGoneMs;
    if (setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on) != 0 ||
        setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &idle, sizeof idle) != 0 ||
        setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &interval, sizeof interval) != 0 ||
        setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &probes, sizeof probes) != 0 ||
        setsockopt(fd, IPPROTO_TCP, TCP_USER_TIMEOUT, &user_timeout, sizeof user_timeout) != 0) {
        Say(object, "a peer that goes away may not be noticed", std::strerror(errno));
    }
}

void Connected(KernelObject& object) {
    NetStream& s = *object.stream;
    s.state = NetState::kOpen;
    s.endpoints.clear();
    if (s.outgoing.empty()) return;
    int error = 0;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(s.outgoing.data());
    const bool sent =
        SendAll(object.fd.Get(), bytes, s.outgoing.size(), &error) == s.outgoing.size();
    s.outgoing.clear();
    if (!sent) {
        Say(object, "send failed", std::strerror(error));
        End(object);
    }
}

// Starts a connection to the next address that takes one; the source ends,
// saying why, when none is left.
void ConnectToNext(KernelObject& object) {
    NetStream& s = *object.stream;
    while (s.next_endpoint < s.endpoints.size()) {
        const Endpoint& to = s.endpoints[s.next_endpoint++];
        UniqueFd fd(socket(to.family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
        if (!fd.Valid()) {
            s.connect_error = errno;
            continue;
        }
        WatchPeer(object, fd.Get());
        // An interrupted connect goes on by itself, as one in progress does.
        const int result =
            connect(fd.Get(), reinterpret_cast<const sockaddr*>(&to.address), to.length);
        if (result == 0 || errno == EINPROGRESS || errno == EINTR) {
            object.fd = std::move(fd);
            s.state = NetState::kConnecting;
            if (result == 0) Connected(object);
            return;
        }
        s.connect_error = errno;
    }
    Say(object, "cannot connect", std::strerror(s.connect_error));
    End(object);
}

void CheckConnection(KernelObject& object) {
    pollfd p{object.fd.Get(), POLLOUT, 0};
    if (poll(&p, 1, 0) <= 0) return;
    int error = 0;
    socklen_t length = sizeof error;
    if (getsockopt(object.fd.Get(), SOL_SOCKET, SO_ERROR, &error, &length) != 0) error = errno;
    if (error == 0) {
        Connected(object);
        return;
    }
    object.stream->connect_error = error;
    object.fd.Reset();
    ConnectToNext(object);
}

void CheckNameLookup(KernelObject& object) {
    NetStream& s = *object.stream;
    LookupOutcome outcome = CheckLookup(s.lookup);
    if (outcome.state == LookupState::kPending) return;
    s.lookup = 0;
    if (outcome.state == LookupState::kFailed) {
        const std::string what = "cannot look up " + s.host;
        Say(object, what.c_str(), outcome.why);
        End(object);
        return;
    }
    s.endpoints = std::move(outcome.endpoints);
    s.next_endpoint = 0;
    s.connect_error = ECONNREFUSED;
    ConnectToNext(object);
}

void Advance(KernelObject& object) {
    if (object.stream->state == NetState::kLookingUp) CheckNameLookup(object);
    if (object.stream->state == NetState::kConnecting) CheckConnection(object);
}

void ReceiveFromConnection(KernelObject& object) {
    NetStream& s = *object.stream;
    while (s.state == NetState::kOpen && s.end < NetStream::kCapacity) {
        std::uint8_t* into = s.buffer.get() + s.end;
        const ssize_t n = recv(object.fd.Get(), into, NetStream::kCapacity - s.end, 0);
        if (n > 0) {
            const std::size_t got = static_cast<std::size_t>(n);
            s.end += got;
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            break;
        } else {
            if (n == 0) {
                host::Report("%s: connection closed by the far side", object.name.c_str());
            } else {
                Say(object, "connection lost", std::strerror(errno));
            }
            End(object);
        }
    }
}

// Whole datagrams in order of arrival, each only once it fits.
void ReceiveDatagrams(KernelObject& object) {
    NetStream& s = *object.stream;
    for (;;) {
        const std::size_t room = NetStream::kCapacity - s.end;
        if (room < kLargestDatagram) {
            const ssize_t size = recv(object.fd.Get(), nullptr, 0, MSG_PEEK | MSG_TRUNC);
            if (size < 0 && errno == EINTR) continue;
            if (size < 0 || static_cast<std::size_t>(size) > room) break;
        }
        const ssize_t n = recv(object.fd.Get(), s.buffer.get() + s.end, room, 0);
        if (n >= 0) {
            s.end += static_cast<std::size_t>(n);
        } else if (errno == EINTR) {
            continue;
        } else {
            // Datagrams just stop; nothing here ends the source.
            if (errno != EAGAIN && errno != EWOULDBLOCK) {
                Say(object, "receive failed", std::strerror(errno));
            }
            break;
        }
    }
}

// A listener for datagrams to the address (every address when empty): on
// the whole host it takes IPv6 and IPv4 alike where it can; a multicast
// group is joined. Other programs may listen on the same port too.
UniqueFd Listen(const SourceAddress& address, int* error) {
    addrinfo hints{};
    hints.ai_flags = AI_NUMERICHOST | AI_NUMERICSERV | AI_PASSIVE;
    hints.ai_socktype = SOCK_DGRAM;
    hints.ai_family = address.host.empty() ? AF_INET6 : AF_UNSPEC;
    addrinfo* found = nullptr;
    const char* host = address.host.empty() ? nullptr : address.host.c_str();
    int lookup = getaddrinfo(host, address.port.c_str(), &hints, &found);
    if (lookup != 0 && host == nullptr) {
        hints.ai_family = AF_INET;
        lookup = getaddrinfo(host, address.port.c_str(), &hints, &found);
    }
    if (lookup != 0) {
        *error = EADDRNOTAVAIL;
        return {};
    }
    UniqueFd fd(socket(found->ai_family, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    const int on = 1;
    const int off = 0;
    bool ok = fd.Valid() && setsockopt(fd.Get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) == 0;
    if (ok && host == nullptr && found->ai_family == AF_INET6) {
        ok = setsockopt(fd.Get(), IPPROTO_IPV6, IPV6_V6ONLY, &off, sizeof off) == 0;
    }
    ok = ok && bind(fd.Get(), found->ai_addr, found->ai_addrlen) == 0;
    if (ok && found->ai_family == AF_INET) {
        const auto* in = reinterpret_cast<const sockaddr_in*>(found->ai_addr);
        if (IN_MULTICAST(ntohl(in->sin_addr.s_addr))) {
            ip_mreqn group{};
            group.imr_multiaddr = in->sin_addr;
            ok = setsockopt(fd.Get(), IPPROTO_IP, IP_ADD_MEMBERSHIP, &group, sizeof group) == 0;
        }
    } else if (ok && found->ai_family == AF_INET6) {
        const auto* in6 = reinterpret_cast<const sockaddr_in6*>(found->ai_addr);
        if (IN6_IS_ADDR_MULTICAST(&in6->sin6_addr)) {
            ipv6_mreq group{};
            group.ipv6mr_multiaddr = in6->sin6_addr;
            group.ipv6mr_interface = in6->sin6_scope_id;
            ok = setsockopt(fd.Get(), IPPROTO_IPV6, IPV6_JOIN_GROUP, &group, sizeof group) == 0;
        }
    }
    *error = errno;
    freeaddrinfo(found);
    // Without IPv6 on the host, the whole host is its IPv4 addresses.
    if (!ok && host == nullptr && hints.ai_family == AF_INET6 &&
        (*error == EAFNOSUPPORT || *error == EADDRNOTAVAIL)) {
        SourceAddress v4 = address;
        v4.host = "0.0.0.0";
        return Listen(v4, error);
    }
    if (!ok) return {};
    return fd;
}

}  // namespace

bool OpenNetworkSource(const SourceAddress& address, KernelObject* object) {
    object->kind = ObjectKind::kNetwork;
    object->stream = std::make_unique<NetStream>();
    NetStream& s = *object->stream;
    s.buffer = std::make_unique<std::uint8_t[]>(NetStream::kCapacity);
    s.host = address.host;

    if (address.kind == SourceKind::kUdp) {
        s.datagrams = true;
        int error = 0;
        object->fd = Listen(address, &error);
        if (!object->fd.Valid()) {
            Say(*object, "cannot listen", std::strerror(error));
            return false;
        }
        return true;
    }

    // A numeric address needs no lookup; the answer comes at once.
    addrinfo hints{};
    hints.ai_flags = AI_NUMERICHOST | AI_NUMERICSERV;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(address.host.c_str(), address.port.c_str(), &hints, &found) == 0) {
        for (const addrinfo* a = found; a != nullptr; a = a->ai_next) {
            if (a->ai_addrlen > sizeof(sockaddr_storage)) continue;
            Endpoint endpoint;
            std::memcpy(&endpoint.address, a->ai_addr, a->ai_addrlen);
            endpoint.length = a->ai_addrlen;
            endpoint.family = a->ai_family;
            s.endpoints.push_back(endpoint);
        }
        freeaddrinfo(found);
        s.connect_error = EADDRNOTAVAIL;
        ConnectToNext(*object);
    } else {
        const char* why = nullptr;
        s.lookup = StartLookup(address.host, address.port, &why);
        if (s.lookup == 0) {
            const std::string what = "cannot look up " + address.host;
            Say(*object, what.c_str(), why);
            return false;
        }
        s.state = NetState::kLookingUp;
    }
    // What is settled already settles the open: a lookup that had finished,
    // a connection refused on this very host.
    Advance(*object);
    return s.state != NetState::kEnded;
}

bool FillStream(KernelObject& object) {
    NetStream& s = *object.stream;
    Advance(object);
    if (s.begin > 0) {
        std::memmove(s.buffer.get(), s.buffer.get() + s.begin, s.end - s.begin);
        s.end -= s.begin;
        s.begin = 0;
    }
    if (s.state == NetState::kOpen) {
        if (s.datagrams) {
            ReceiveDatagrams(object);
        } else {
            ReceiveFromConnection(object);
        }
    }
    return !(s.state == NetState::kEnded && s.end == s.begin);
}

std::size_t StreamQueued(const KernelObject& object) {
    return object.stream->end - object.stream->begin;
}

std::size_t TakeFromStream(KernelObject& object, void* out, std::size_t count) {
    NetStream& s = *object.stream;
    const std::size_t n = count < s.end - s.begin ? count : s.end - s.begin;
    std::memcpy(out, s.buffer.get() + s.begin, n);
    s.begin += n;
    return n;
}

void DiscardStream(KernelObject& object) {
    NetStream& s = *object.stream;
    int rounds = 0;
    do {
        s.begin = s.end = 0;
        FillStream(object);
    } while (s.end > 0 && ++rounds < kMostPurgeRounds);
    s.begin = s.end = 0;
}

std::size_t SendToStream(KernelObject& object, const void* bytes, std::size_t count, int* error) {
    NetStream& s = *object.stream;
    *error = 0;
    Advance(object);
    if (s.datagrams) {
        *error = EOPNOTSUPP;
        return 0;
    }
    if (s.state == NetState::kEnded) {
        *error = ENOTCONN;
        return 0;
    }
    if (s.state != NetState::kOpen) {
        s.outgoing.append(static_cast<const char*>(bytes), count);
        return count;
    }
    const std::size_t sent =
        SendAll(object.fd.Get(), static_cast<const std::uint8_t*>(bytes), count, error);
    if (sent < count) End(object);
    return sent;
}

void NoteClosing(const KernelObject& object) {
    if (object.stream && object.stream->state == NetState::kConnecting) {
        Say(object, "cannot connect", "no answer from the far side");
    }
}

}  // namespace kernel
