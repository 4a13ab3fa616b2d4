#include "paced_receiver.h"

#include <termios.h>

#include <cstdio>
#include <utility>

#include "host/host.h"
#include "tests/support/nmea_text.h"

namespace serial_test {
namespace {

constexpr std::uint32_t kBitsPerByte = 10;
// A little less than a terminal's input buffer, so that every byte written can be seen queued.
constexpr std::size_t kLineHold = 4000;

}  // namespace

std::string TimeOfSecond(std::uint64_t second) {
    char text[16];
    std::snprintf(text, sizeof text, "%02u%02u%02u", static_cast<unsigned>(second / 3600 % 24),
                  static_cast<unsigned>(second / 60 % 60), static_cast<unsigned>(second % 60));
    return text;
}

PacedReceiver::PacedReceiver(test_support::PtyPair& pty, std::uint32_t rate, bool fullRate,
                             const char* latitude)
    : pty_(pty),
      rate_(rate),
      fullRate_(fullRate),
      latitude_(latitude),
      secondsQueued_(host::NowMs() / 1000),
      lastMs_(host::NowMs()) {}

std::string PacedReceiver::Second(std::uint64_t second) const {
    const std::string time = TimeOfSecond(second);
    std::string bytes = test_support::Sentence("GPGGA," + time + "," + latitude_ +
                                               ",N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,");
    bytes += test_support::Sentence("GPRMC," + time + ",A," + latitude_ +
                                    ",N,01131.000,E,022.4,084.4,230394,003.1,W");
    if (!fullRate_) return bytes;
    // Text sentences fill the rest of the second; the last one is cut to fit,
    // and the next second's GGA closes it as a failed sentence.
    const std::size_t line = rate_ / kBitsPerByte;
    while (bytes.size() < line)
        bytes += test_support::Sentence("GPTXT,01,01,02,FILL " + time);
    bytes.resize(line);
    return bytes;
}

std::uint32_t PacedReceiver::LineRate() const {
    termios tio{};
    if (tcgetattr(pty_.WatchFd(), &tio) != 0) return 0;
    const std::pair<speed_t, std::uint32_t> rates[] = {
        {B4800, 4800},   {B9600, 9600},     {B19200, 19200},  {B38400, 38400},
        {B57600, 57600}, {B115200, 115200}, {B230400, 230400}};
    for (const auto& [speed, rate] : rates) {
        if (cfgetospeed(&tio) == speed) return rate;
    }
    return 0;
}

void PacedReceiver::SendUntil(std::uint64_t now) {
    if (failed_ || now <= lastMs_) return;
    while (secondsQueued_ * 1000 < now)
        pending_ += Second(secondsQueued_++);
    // The line carries rate / 10 bytes a second.
    std::size_t allowed = static_cast<std::size_t>((now - lastMs_) * rate_ / kBitsPerByte / 1000);
    lastMs_ = now;
    std::string out = pending_.substr(0, allowed);
    pending_.erase(0, out.size());
    // What a UART at the wrong rate makes of a byte: never a '$', never a line end.
    if (LineRate() != rate_) {
        for (char& c : out)
            c = static_cast<char>(0x80 | (static_cast<unsigned char>(c) ^ 0x55));
    }
    // What the line cannot hold while nobody reads it is lost, as on a real wire.
    const long queued = pty_.Queued();
    const std::size_t room = queued < static_cast<long>(kLineHold) ? kLineHold - queued : 0;
    if (out.size() > room) out.resize(room);
    if (out.empty()) return;
    if (queued < 0 || !pty_.Write(out) ||
        !pty_.WaitQueued(static_cast<std::size_t>(queued) + out.size())) {
        failed_ = true;
        return;
    }
    sent_ += out;
}

}  // namespace serial_test
