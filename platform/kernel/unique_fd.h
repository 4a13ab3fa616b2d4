// Owner of one host file descriptor.
#pragma once

namespace kernel {

class UniqueFd {
  public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    ~UniqueFd() { Reset(); }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    UniqueFd(UniqueFd&& other) noexcept : fd_(other.Release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        if (this != &other) Reset(other.Release());
        return *this;
    }

    int Get() const { return fd_; }
    bool Valid() const { return fd_ >= 0; }
    int Release() {
        int fd = fd_;
        fd_ = -1;
        return fd;
    }
    // Closes the descriptor now. False, with errno set, when close() failed:
    // some filesystems report the last writes' failure only there. The
    // descriptor is gone either way (Linux frees it even on EINTR), so
    // close() is never tried twice.
    bool Close();
    // Closes the descriptor held, if any, and takes fd. A failed close is
    // said on the diagnostics channel, since no caller is there to hear it.
    void Reset(int fd = -1);

  private:
    int fd_ = -1;
};

}  // namespace kernel
