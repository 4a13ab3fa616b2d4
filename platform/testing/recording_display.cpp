// The recording display: no window and no input; every frame goes to the
// test that started it.
#include <algorithm>
#include <cerrno>
#include <ctime>
#include <utility>

#include "display/backend.h"
#include "host/testing.h"
#include "user/display_link.h"

namespace display {
namespace {

class RecordingBackend final : public Backend {
  public:
    explicit RecordingBackend(host::FrameCallback on_frame) : on_frame_(std::move(on_frame)) {}

    void Present(const host::PixelView& screen, const RECT* rects, int count) override {
        if (on_frame_) on_frame_(host::Frame{host::NowMs(), screen, rects, count});
    }

    // On the virtual clock the caller advances the time; on the real clock
    // there is nothing to wait for but the deadline.
    void WaitForInput(std::uint64_t deadline_ms) override {
        if (host::VirtualClockActive()) return;
        for (std::uint64_t now = host::NowMs(); now < deadline_ms; now = host::NowMs()) {
            const std::uint64_t ms = std::min<std::uint64_t>(deadline_ms - now, 3600 * 1000);
            timespec left{static_cast<time_t>(ms / 1000), static_cast<long>((ms % 1000) * 1000000)};
            while (nanosleep(&left, &left) != 0 && errno == EINTR) {
            }
        }
    }

    bool PollInput(InputEvent*) override { return false; }

  private:
    host::FrameCallback on_frame_;
};

}  // namespace
}  // namespace display

namespace host {

void StartRecordingDisplay(FrameCallback on_frame) {
    wm::SetBackend(std::make_unique<display::RecordingBackend>(std::move(on_frame)));
}

}  // namespace host
