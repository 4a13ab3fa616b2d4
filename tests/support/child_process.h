// Runs one of the project's programs as a child process with its output on a pipe.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace test_support {

struct Child {
    pid_t pid = -1;
    int out = -1;  // the child's stdout, or -1 when it was not asked for
};

// Starts args[0] with the rest as its arguments, the variables added to its environment and
// dir (when not empty) as its working directory. With captureOutput its stdout is a pipe.
Child Spawn(const std::vector<std::string>& args, const std::vector<std::string>& env = {},
            const std::string& dir = "", bool captureOutput = true);
// The first line the child writes, waiting a few seconds at most.
std::string ReadFirstLine(int fd);
// Everything until the child closes its output.
std::string ReadAll(int fd);
// Waits for the end: the exit code, or 128 + the signal that ended it.
int WaitExit(pid_t pid);
// Sends the signal and waits for the end.
void Stop(pid_t pid, int signal);

}  // namespace test_support
