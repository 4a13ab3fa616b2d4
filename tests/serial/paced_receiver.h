// A receiver on a pseudo-terminal that keeps to its line rate on the virtual
// clock. It reads the rate the program set on the line before each send: at
// its own rate it sends its sentences, at any other what a UART would make of
// them, garbled bytes without any '$'.
#pragma once

#include <cstdint>
#include <string>

#include "tests/support/pty_pair.h"

namespace serial_test {

class PacedReceiver {
  public:
    // Starts sending with the second under way. fullRate fills every second of the line; otherwise
    // each second holds a GGA and an RMC sentence stamped with that second. latitude is the GGA's
    // ddmm.mmm field.
    PacedReceiver(test_support::PtyPair& pty, std::uint32_t rate, bool fullRate = false,
                  const char* latitude = "4807.038");
    // Sends what the line carried up to now; call it on every clock advance.
    void SendUntil(std::uint64_t now);
    // The rate the program set on the line; 0 when it cannot be read.
    std::uint32_t LineRate() const;
    // Every byte that went out, as it went out.
    const std::string& Sent() const { return sent_; }
    bool Failed() const { return failed_; }

  private:
    // What the receiver sends in the given second at its own rate.
    std::string Second(std::uint64_t second) const;

    test_support::PtyPair& pty_;
    std::uint32_t rate_;
    bool fullRate_;
    std::string latitude_;
    std::string pending_;
    std::string sent_;
    std::uint64_t secondsQueued_;  // seconds appended to pending_
    std::uint64_t lastMs_;
    bool failed_ = false;
};

// "hhmmss" of a second counted from midnight.
std::string TimeOfSecond(std::uint64_t second);

}  // namespace serial_test
