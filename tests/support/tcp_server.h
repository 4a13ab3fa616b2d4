// A TCP server on the loopback address standing in for a network source:
// one client at a time, everything without blocking for long.
#pragma once

#include <string>
#include <string_view>

namespace test_support {

class TcpServer {
  public:
    // Listens on 127.0.0.1:port, a free port when 0; check Ok().
    explicit TcpServer(int port = 0);
    ~TcpServer();
    TcpServer(const TcpServer&) = delete;
    TcpServer& operator=(const TcpServer&) = delete;

    bool Ok() const { return listener_ >= 0; }
    int Port() const { return port_; }
    // Takes a waiting client, waiting up to ms; true when there is one.
    bool Accept(int ms = 0);
    bool HasClient() const { return client_ >= 0; }
    bool Send(std::string_view bytes);
    // What the client sent, waiting up to ms for the first byte.
    std::string Receive(int ms = 0);
    // The server closes the client's connection, and stops listening with stop.
    void CloseClient();
    void Stop();

  private:
    int listener_ = -1;
    int client_ = -1;
    int port_ = 0;
};

// A port on the loopback address on which nothing listens now.
int UnusedPort();

}  // namespace test_support
