#include "platform/kernel/net_source.h"

#include <errno.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

#include "host/host.h"

namespace kernel {
namespace {

// Long enough for any host on a local network or beyond; short enough that
// a host that does not answer holds the search only briefly.
constexpr int kConnectWaitMs = 500;
constexpr char kWatch[] = "?WATCH={\"enable\":true,\"raw\":1}\n";

// 0 once the connection stands, otherwise the errno that ended it.
int WaitConnected(int fd) {
    pollfd p{fd, POLLOUT, 0};
    int result;
    do {
        result = poll(&p, 1, kConnectWaitMs);
    } while (result < 0 && errno == EINTR);
    if (result < 0) return errno;
    if (result == 0) return ETIMEDOUT;
    int error = 0;
    socklen_t length = sizeof error;
    if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0) return errno;
    return error;
}

UniqueFd Connect(const addrinfo& to, int* error) {
    UniqueFd fd(
        socket(to.ai_family, to.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, to.ai_protocol));
    if (!fd.Valid()) {
        *error = errno;
        return {};
    }
    if (connect(fd.Get(), to.ai_addr, to.ai_addrlen) != 0) {
        *error = errno == EINPROGRESS ? WaitConnected(fd.Get()) : errno;
        if (*error != 0) return {};
    }
    *error = 0;
    return fd;
}

bool SendAll(int fd, const char* text, std::size_t length) {
    while (length > 0) {
        const ssize_t n = send(fd, text, length, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        text += n;
        length -= static_cast<std::size_t>(n);
    }
    return true;
}

// gpsd's own lines are JSON objects; the receiver's start with '$' or '!'.
// Drops every line that starts with '{', in place; returns what is kept.
std::size_t DropJsonLines(NetStream& stream, std::uint8_t* bytes, std::size_t count) {
    std::size_t kept = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t byte = bytes[i];
        if (stream.at_line_start) stream.dropping = byte == '{';
        if (!stream.dropping) bytes[kept++] = byte;
        stream.at_line_start = byte == '\n';
    }
    return kept;
}

}  // namespace

bool OpenNetworkSource(const SourceAddress& address, KernelObject* object, const char** why) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const int lookup = getaddrinfo(address.host.c_str(), address.port.c_str(), &hints, &found);
    if (lookup != 0) {
        *why = gai_strerror(lookup);
        return false;
    }
    int error = ECONNREFUSED;
    UniqueFd fd;
    for (addrinfo* a = found; a != nullptr && !fd.Valid(); a = a->ai_next)
        fd = Connect(*a, &error);
    freeaddrinfo(found);
    if (!fd.Valid()) {
        *why = std::strerror(error);
        return false;
    }
    const bool gpsd = address.kind == SourceKind::kGpsd;
    if (gpsd && !SendAll(fd.Get(), kWatch, sizeof kWatch - 1)) {
        *why = std::strerror(errno);
        return false;
    }
    object->kind = ObjectKind::kNetwork;
    object->fd = std::move(fd);
    object->stream = std::make_unique<NetStream>();
    object->stream->buffer = std::make_unique<std::uint8_t[]>(NetStream::kCapacity);
    object->stream->gpsd = gpsd;
    return true;
}

bool FillStream(KernelObject& object) {
    NetStream& s = *object.stream;
    if (s.begin > 0) {
        std::memmove(s.buffer.get(), s.buffer.get() + s.begin, s.end - s.begin);
        s.end -= s.begin;
        s.begin = 0;
    }
    while (!s.ended && s.end < NetStream::kCapacity) {
        std::uint8_t* into = s.buffer.get() + s.end;
        const ssize_t n = recv(object.fd.Get(), into, NetStream::kCapacity - s.end, 0);
        if (n > 0) {
            const std::size_t got = static_cast<std::size_t>(n);
            s.end += s.gpsd ? DropJsonLines(s, into, got) : got;
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            break;
        } else {
            s.ended = true;
            if (n == 0) {
                host::Report("%s: connection closed by the far side", object.name.c_str());
            } else {
                host::Report("%s: connection lost: %s", object.name.c_str(), std::strerror(errno));
            }
        }
    }
    return !(s.ended && s.end == s.begin);
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
    do {
        s.begin = s.end = 0;
        FillStream(object);
    } while (s.end == NetStream::kCapacity);
    s.begin = s.end = 0;
}

}  // namespace kernel
