#include "tests/support/tcp_server.h"

#include <arpa/inet.h>
#include <errno.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace test_support {
namespace {

int Bound(int port, bool listen_too) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    const int yes = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        (listen_too && listen(fd, 4) != 0)) {
        close(fd);
        return -1;
    }
    return fd;
}

int PortOf(int fd) {
    sockaddr_in address{};
    socklen_t length = sizeof address;
    if (getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) return 0;
    return ntohs(address.sin_port);
}

bool Readable(int fd, int ms) {
    pollfd p{fd, POLLIN, 0};
    return poll(&p, 1, ms) > 0;
}

}  // namespace

TcpServer::TcpServer(int port) {
    listener_ = Bound(port, true);
    if (listener_ >= 0) port_ = PortOf(listener_);
}

TcpServer::~TcpServer() {
    CloseClient();
    Stop();
}

bool TcpServer::Accept(int ms) {
    if (listener_ < 0 || !Readable(listener_, ms)) return client_ >= 0;
    CloseClient();
    client_ = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    return client_ >= 0;
}

bool TcpServer::Send(std::string_view bytes) {
    if (client_ < 0) return false;
    while (!bytes.empty()) {
        const ssize_t n = send(client_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

std::string TcpServer::Receive(int ms) {
    std::string bytes;
    if (client_ < 0 || !Readable(client_, ms)) return bytes;
    char buffer[1024];
    do {
        const ssize_t n = recv(client_, buffer, sizeof buffer, MSG_DONTWAIT);
        if (n <= 0) break;
        bytes.append(buffer, static_cast<std::size_t>(n));
    } while (Readable(client_, 0));
    return bytes;
}

void TcpServer::CloseClient() {
    if (client_ >= 0) close(client_);
    client_ = -1;
}

void TcpServer::Stop() {
    if (listener_ >= 0) close(listener_);
    listener_ = -1;
}

int UnusedPort() {
    const int fd = Bound(0, false);
    if (fd < 0) return 0;
    const int port = PortOf(fd);
    close(fd);
    return port;
}

}  // namespace test_support
