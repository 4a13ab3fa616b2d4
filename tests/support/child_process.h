// Runs one of the project's programs as a child process with its output on a pipe.
#pragma once

#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

namespace test_support {

struct Child {
    pid_t pid = -1;
    int out = -1;  // the child's stdout, or -1 when it was not asked for
};

// Starts args[0] with the rest as its arguments, the variables added to its environment and
// dir (when not empty) as its working directory. With captureOutput its stdout is a pipe.
inline Child Spawn(const std::vector<std::string>& args, const std::vector<std::string>& env = {},
                   const std::string& dir = "", bool captureOutput = true) {
    int pipeFds[2] = {-1, -1};
    if (captureOutput && pipe(pipeFds) != 0) return {};
    const pid_t pid = fork();
    if (pid == 0) {
        if (captureOutput) {
            dup2(pipeFds[1], 1);
            close(pipeFds[0]);
            close(pipeFds[1]);
        }
        if (!dir.empty() && chdir(dir.c_str()) != 0) _exit(126);
        for (const std::string& e : env)
            putenv(const_cast<char*>(e.c_str()));
        std::vector<char*> argv;
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    if (captureOutput) close(pipeFds[1]);
    return {pid, pipeFds[0]};
}

// The first line the child writes, waiting a few seconds at most.
inline std::string ReadFirstLine(int fd) {
    std::string line;
    pollfd p{fd, POLLIN, 0};
    for (char c; poll(&p, 1, 5000) > 0 && read(fd, &c, 1) == 1 && c != '\n';)
        line += c;
    return line;
}

// Everything until the child closes its output.
inline std::string ReadAll(int fd) {
    std::string text;
    char buffer[512];
    for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<std::size_t>(n));
    return text;
}

// Waits for the end: the exit code, or 128 + the signal that ended it.
inline int WaitExit(pid_t pid) {
    int status = 0;
    if (pid <= 0 || waitpid(pid, &status, 0) != pid) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// Whether the process ends before the deadline, waiting without polling.
inline bool EndsBy(pid_t pid, std::chrono::steady_clock::time_point deadline) {
    const int pidfd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
    pollfd p{pidfd, POLLIN, 0};
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    const bool ended =
        pidfd >= 0 && poll(&p, 1, static_cast<int>(std::max<long>(left.count(), 0))) == 1;
    if (pidfd >= 0) close(pidfd);
    return ended;
}

// Sends the signal and waits for the end.
inline void Stop(pid_t pid, int signal) {
    if (pid > 0 && kill(pid, signal) == 0) WaitExit(pid);
}

}  // namespace test_support
