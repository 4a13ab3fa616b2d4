// Catches what the code under test writes to the process's stderr.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <string>

namespace test_support {

// Redirects descriptor 2 into a pipe from construction until Take() or the
// end. Meant for a few lines: the pipe holds 64 KiB.
class StderrCapture {
  public:
    StderrCapture() {
        if (pipe2(pipe_, O_CLOEXEC) != 0) return;
        fcntl(pipe_[0], F_SETFL, O_NONBLOCK);
        saved_ = dup(STDERR_FILENO);
        dup2(pipe_[1], STDERR_FILENO);
    }
    ~StderrCapture() {
        Take();
        if (pipe_[0] >= 0) close(pipe_[0]);
    }
    StderrCapture(const StderrCapture&) = delete;
    StderrCapture& operator=(const StderrCapture&) = delete;

    // Ends the capture and returns everything written meanwhile.
    std::string Take() {
        if (saved_ >= 0) {
            dup2(saved_, STDERR_FILENO);
            close(saved_);
            close(pipe_[1]);
            saved_ = -1;
        }
        std::string text;
        char buffer[512];
        for (ssize_t n; pipe_[0] >= 0 && (n = read(pipe_[0], buffer, sizeof buffer)) > 0;)
            text.append(buffer, static_cast<std::size_t>(n));
        return text;
    }

  private:
    int pipe_[2] = {-1, -1};
    int saved_ = -1;
};

}  // namespace test_support
