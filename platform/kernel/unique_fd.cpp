#include "platform/kernel/unique_fd.h"

#include <errno.h>
#include <unistd.h>

#include <cstring>

#include "host/host.h"

namespace kernel {

bool UniqueFd::Close() {
    const int fd = Release();
    return fd < 0 || ::close(fd) == 0;
}

void UniqueFd::Reset(int fd) {
    if (!Close()) host::Report("closing a descriptor failed: %s", std::strerror(errno));
    fd_ = fd;
}

}  // namespace kernel
