// A DNS server for a private network, at the addresses the host's
// resolv.conf names, so that the system's resolver asks it: one that never
// answers, one that knows no name, or one that answers every A query with one
// address after a delay (and AAAA queries with no address).
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/private_network.h"

namespace test_support {

// The name servers the system's resolver asks: those of /etc/resolv.conf, or
// the local host when it names none.
inline std::vector<std::string> ConfiguredNameServers() {
    std::vector<std::string> servers;
    std::ifstream conf("/etc/resolv.conf");
    std::string line;
    while (std::getline(conf, line)) {
        std::istringstream words(line);
        std::string keyword, address;
        if (words >> keyword >> address && keyword == "nameserver") servers.push_back(address);
    }
    if (servers.empty()) servers.push_back("127.0.0.1");
    return servers;
}

// Why the system's resolver would not ask a DNS server for a name, or "".
inline std::string ResolverDoesNotUseDns() {
    std::ifstream nsswitch("/etc/nsswitch.conf");
    std::string line;
    while (std::getline(nsswitch, line)) {
        if (line.rfind("hosts:", 0) != 0) continue;
        if (line.find(" dns") == std::string::npos) return "nsswitch.conf has no dns for hosts";
        if (line.find("resolve") != std::string::npos) return "hosts go to systemd-resolved";
        return "";
    }
    return "";
}

class NameServer {
  public:
    enum class Mode { kSilent, kNoSuchName, kAnswer };

    // In a private network: takes each configured name server's address on
    // the loopback interface and listens there.
    explicit NameServer(Mode mode, const std::string& answer = "", int delay_ms = 0)
        : mode_(mode), delay_ms_(delay_ms) {
        inet_pton(AF_INET, answer.c_str(), &answer_);
        for (const std::string& address : ConfiguredNameServers()) {
            if (address.find(':') != std::string::npos) continue;  // IPv4 servers only
            if (address.rfind("127.", 0) != 0) {
                RunNetworkTool({"/sbin/ip", "addr", "add", address + "/32", "dev", "lo"});
            }
            const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
            sockaddr_in at{};
            at.sin_family = AF_INET;
            at.sin_port = htons(53);
            inet_pton(AF_INET, address.c_str(), &at.sin_addr);
            if (fd >= 0 && bind(fd, reinterpret_cast<sockaddr*>(&at), sizeof at) == 0) {
                fds_.push_back(fd);
            } else if (fd >= 0) {
                close(fd);
            }
        }
        thread_ = std::thread([this] { Serve(); });
    }
    ~NameServer() {
        stop_ = true;
        thread_.join();
        for (int fd : fds_)
            close(fd);
    }
    NameServer(const NameServer&) = delete;
    NameServer& operator=(const NameServer&) = delete;

    bool Ok() const { return !fds_.empty(); }
    // How many queries have come, and when the first and the last came.
    int Queries() const { return queries_; }
    double SecondsBetweenFirstAndLastQuery() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return std::chrono::duration<double>(last_ - first_).count();
    }

  private:
    using Clock = std::chrono::steady_clock;
    struct Reply {
        int fd;
        sockaddr_in to;
        std::string bytes;
        Clock::time_point due;
    };

    void Serve() {
        std::vector<Reply> replies;
        while (!stop_) {
            std::vector<pollfd> polls;
            for (int fd : fds_)
                polls.push_back({fd, POLLIN, 0});
            poll(polls.data(), polls.size(), 20);
            for (const pollfd& p : polls) {
                if ((p.revents & POLLIN) == 0) continue;
                char query[512];
                sockaddr_in from{};
                socklen_t length = sizeof from;
                const ssize_t n = recvfrom(p.fd, query, sizeof query, 0,
                                           reinterpret_cast<sockaddr*>(&from), &length);
                if (n < 12) continue;
                {
                    std::lock_guard<std::mutex> lock(mutex_);
                    if (queries_ == 0) first_ = Clock::now();
                    last_ = Clock::now();
                }
                ++queries_;
                if (mode_ == Mode::kSilent) continue;
                replies.push_back({p.fd, from, Answer(std::string(query, static_cast<size_t>(n))),
                                   Clock::now() + std::chrono::milliseconds(delay_ms_)});
            }
            for (auto it = replies.begin(); it != replies.end();) {
                if (Clock::now() < it->due) {
                    ++it;
                    continue;
                }
                sendto(it->fd, it->bytes.data(), it->bytes.size(), 0,
                       reinterpret_cast<const sockaddr*>(&it->to), sizeof it->to);
                it = replies.erase(it);
            }
        }
    }

    // The reply to a query of one question: its header and question, then
    // the answer that the mode gives.
    std::string Answer(const std::string& query) const {
        std::size_t end = 12;
        while (end < query.size() && query[end] != 0)
            end += 1 + static_cast<unsigned char>(query[end]);
        end += 5;  // the root label, type and class
        if (end > query.size()) return "";
        const unsigned type = (static_cast<unsigned char>(query[end - 4]) << 8) |
                              static_cast<unsigned char>(query[end - 3]);
        const bool address = mode_ == Mode::kAnswer && type == 1;
        std::string reply = query.substr(0, end);
        reply[2] = static_cast<char>(0x80 | (query[2] & 0x79));  // a response, RD kept
        reply[3] = static_cast<char>(0x80 | (mode_ == Mode::kNoSuchName ? 3 : 0));
        reply[4] = 0;
        reply[5] = 1;
        reply[6] = 0;
        reply[7] = address ? 1 : 0;
        for (int i = 8; i < 12; ++i)
            reply[i] = 0;
        if (address) {
            const char record[] = {'\xc0', 12, 0, 1, 0, 1, 0, 0, 0, 60, 0, 4};
            reply.append(record, sizeof record);
            reply.append(reinterpret_cast<const char*>(&answer_), 4);
        }
        return reply;
    }

    Mode mode_;
    int delay_ms_;
    in_addr answer_{};
    std::vector<int> fds_;
    std::atomic<bool> stop_{false};
    std::atomic<int> queries_{0};
    mutable std::mutex mutex_;
    Clock::time_point first_{}, last_{};
    std::thread thread_;
};

}  // namespace test_support
