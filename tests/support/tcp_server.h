// A TCP server on the loopback address standing in for a network source:
// one client at a time, everything without blocking for long; and a sender
// of UDP datagrams.
#pragma once

#include <arpa/inet.h>
#include <errno.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>
#include <string_view>

namespace test_support {

// A socket bound to 127.0.0.1:port (a free port when 0), listening when asked; -1 on failure.
inline int BoundSocket(int port, bool listening) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int yes = 1;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    if (fd >= 0 && (setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes) != 0 ||
                    bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
                    (listening && listen(fd, 4) != 0))) {
        close(fd);
        return -1;
    }
    return fd;
}

// The port the socket is bound to; 0 for none.
inline int PortOf(int fd) {
    sockaddr_in address{};
    socklen_t length = sizeof address;
    return getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0
               ? ntohs(address.sin_port)
               : 0;
}

inline bool Readable(int fd, int ms) {
    pollfd p{fd, POLLIN, 0};
    return fd >= 0 && poll(&p, 1, ms) > 0;
}

// A port on the loopback address on which nothing listens now.
inline int UnusedPort() {
    const int fd = BoundSocket(0, false);
    const int port = PortOf(fd);
    if (fd >= 0) close(fd);
    return port;
}

// A UDP port on the loopback address on which nothing listens now.
inline int UnusedUdpPort() {
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool bound =
        fd >= 0 && bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    const int port = bound ? PortOf(fd) : 0;
    if (fd >= 0) close(fd);
    return port;
}

// Sends datagrams to a port of the loopback address (or another address).
class UdpSender {
  public:
    UdpSender() : fd_(socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0)) {
        const int yes = 1;
        if (fd_ >= 0) setsockopt(fd_, SOL_SOCKET, SO_BROADCAST, &yes, sizeof yes);
    }
    ~UdpSender() {
        if (fd_ >= 0) close(fd_);
    }
    UdpSender(const UdpSender&) = delete;
    UdpSender& operator=(const UdpSender&) = delete;

    bool Send(int port, std::string_view bytes, const char* to = "127.0.0.1") {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<uint16_t>(port));
        if (inet_pton(AF_INET, to, &address.sin_addr) != 1) return false;
        return sendto(fd_, bytes.data(), bytes.size(), 0, reinterpret_cast<sockaddr*>(&address),
                      sizeof address) == static_cast<ssize_t>(bytes.size());
    }

  private:
    int fd_ = -1;
};

class TcpServer {
  public:
    // Listens on 127.0.0.1:port, a free port when 0; check Ok().
    explicit TcpServer(int port = 0)
        : listener_(BoundSocket(port, true)), port_(PortOf(listener_)) {}
    ~TcpServer() {
        CloseClient();
        if (listener_ >= 0) close(listener_);
    }
    TcpServer(const TcpServer&) = delete;
    TcpServer& operator=(const TcpServer&) = delete;

    bool Ok() const { return listener_ >= 0; }
    int Port() const { return port_; }
    // Takes a waiting client, waiting up to ms; true when there is one.
    bool Accept(int ms = 0) {
        if (!Readable(listener_, ms)) return client_ >= 0;
        CloseClient();
        client_ = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        return client_ >= 0;
    }
    bool Send(std::string_view bytes) {
        while (client_ >= 0 && !bytes.empty()) {
            const ssize_t n = send(client_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
            if (n > 0) {
                bytes.remove_prefix(static_cast<std::size_t>(n));
            } else if (n == 0 || errno != EINTR) {
                return false;
            }
        }
        return client_ >= 0;
    }
    // What the client sent, waiting up to ms for the first byte.
    std::string Receive(int ms = 0) {
        std::string bytes;
        char buffer[1024];
        for (ssize_t n; Readable(client_, bytes.empty() ? ms : 0) &&
                        (n = recv(client_, buffer, sizeof buffer, MSG_DONTWAIT)) > 0;)
            bytes.append(buffer, static_cast<std::size_t>(n));
        return bytes;
    }
    // Hands the client's connection to the caller, who closes it, so that the next Accept takes
    // another client while this one stays connected.
    int DetachClient() {
        const int client = client_;
        client_ = -1;
        return client;
    }
    // The server closes the client's connection.
    void CloseClient() {
        if (client_ >= 0) close(client_);
        client_ = -1;
    }

  private:
    int listener_ = -1;
    int client_ = -1;
    int port_ = 0;
};

}  // namespace test_support
