// A filesystem of the test's own that runs full only when written bytes are
// written back, as a network store does: every write is taken at once, and
// the store finds out at write-back (at fsync, or at close when it offers no
// fsync) that it has room for no more than its capacity. What does not fit is
// lost, and that write-back fails with ENOSPC, once.
//
// Served by libfuse from a thread of the test process and mounted in a mount
// namespace of the process's own, so that no mount outlives the process.
#pragma once

#include <cstddef>
#include <map>
#include <mutex>
#include <string>
#include <thread>

struct fuse;

namespace test_support {

class WriteBackStore {
  public:
    enum class WriteBack {
        kAtFsync,      // fsync writes back, and so does close what fsync left
        kAtCloseOnly,  // no fsync: the kernel takes one as done at once
    };

    // Mounts an empty store on the directory, which must exist and be empty.
    // Check Ok(); Why() says what was missing (not root, no FUSE).
    WriteBackStore(const std::string& directory, std::size_t capacity, WriteBack mode);
    // Every file on the store must be closed by then.
    ~WriteBackStore();
    WriteBackStore(const WriteBackStore&) = delete;
    WriteBackStore& operator=(const WriteBackStore&) = delete;

    bool Ok() const { return fuse_ != nullptr; }
    const std::string& Why() const { return why_; }
    // The bytes the file holds now: what was written back, then what waits.
    std::string Content(const std::string& name);

  private:
    struct File {
        std::string bytes;
        bool waiting = false;  // written since the last write-back
    };
    friend struct StoreOperations;

    // Writes the file's waiting bytes back; 0, or -ENOSPC when they did not fit.
    int WriteBackFile(File& file);

    std::size_t capacity_;
    std::string directory_;
    std::string why_;
    std::mutex mutex_;
    std::map<std::string, File> files_;  // by path on the store, "/name"
    struct fuse* fuse_ = nullptr;
    std::thread server_;
};

}  // namespace test_support
