// The display without a window: input comes only from the program's own
// injected events, and the device screen can be written to a PNG file for
// another program to look at.
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <string>

#include "display/backend.h"
#include "platform/gdi/png_writer.h"

namespace display {

namespace {

// Snapshots are written at most this often: a watcher sees a change within a
// quarter of a second, and a screen that changes on every tick costs a write
// per tick at most, of the bands of rows that changed.
constexpr std::uint64_t kSnapshotIntervalMs = 250;

void SleepRealMs(std::uint64_t ms) {
    timespec left{static_cast<time_t>(ms / 1000), static_cast<long>((ms % 1000) * 1000000)};
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}

class HeadlessBackend : public Backend {
  public:
    explicit HeadlessBackend(const char* snapshot_path)
        : path_(snapshot_path ? snapshot_path : ""), snapshots_(snapshot_path && *snapshot_path) {}

    // A change that has not been written yet is not lost at the end.
    ~HeadlessBackend() override {
        if (pending_) Write();
    }

    // A field blanked and drawn again with the same value is handed over as
    // a change; a picture is due only when a damaged rectangle really
    // differs from the last one written.
    void Present(const host::PixelView& screen, const RECT* rects, int count) override {
        if (!snapshots_) return;
        if (writer_.Take(screen, rects, count)) pending_ = true;
        if (pending_ && host::NowMs() >= NextWriteAt()) Write();
    }

    void WaitForInput(std::uint64_t deadline_ms) override {
        if (host::VirtualClockActive()) {
            // One step on the virtual clock: to the delayed snapshot or the
            // deadline, whichever comes first; the caller waits again.
            std::uint64_t target = deadline_ms;
            if (pending_) target = std::min(target, NextWriteAt());
            if (target == UINT64_MAX) return;
            std::uint64_t now = host::NowMs();
            if (target > now) host::AdvanceVirtualClock(target - now);
            if (pending_ && host::NowMs() >= NextWriteAt()) Write();
            return;
        }
        for (;;) {
            std::uint64_t now = host::NowMs();
            if (pending_ && now >= NextWriteAt()) Write();
            if (now >= deadline_ms) return;
            std::uint64_t target = deadline_ms;
            if (pending_) target = std::min(target, NextWriteAt());
            // Nothing can wake a headless program but time; sleep in long
            // steps when there is no deadline at all.
            SleepRealMs(target == UINT64_MAX ? 3600 * 1000 : target - now);
        }
    }

    bool PollInput(InputEvent*) override { return false; }

  private:
    std::uint64_t NextWriteAt() const { return tried_ ? last_write_ms_ + kSnapshotIntervalMs : 0; }

    // A picture that cannot be written is said once (the channel drops the
    // same text later); it is tried again at the next change.
    void Write() {
        if (!writer_.WriteAtomically(path_.c_str())) {
            host::Report("snapshot %s cannot be written: %s", path_.c_str(), std::strerror(errno));
        }
        last_write_ms_ = host::NowMs();
        tried_ = true;
        pending_ = false;
    }

    std::string path_;
    bool snapshots_;
    bool pending_ = false;
    bool tried_ = false;
    std::uint64_t last_write_ms_ = 0;
    gdi::PngWriter writer_;
};

}  // namespace

std::unique_ptr<Backend> CreateHeadlessBackend(const char* snapshot_path) {
    return std::make_unique<HeadlessBackend>(snapshot_path);
}

}  // namespace display
