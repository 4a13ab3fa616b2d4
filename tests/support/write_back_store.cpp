#define FUSE_USE_VERSION 31
#include "tests/support/write_back_store.h"

#include <errno.h>
#include <fcntl.h>
#include <fuse.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

namespace test_support {

struct StoreOperations {
    static WriteBackStore& Store() {
        return *static_cast<WriteBackStore*>(fuse_get_context()->private_data);
    }

    // Every request goes to the store; nothing is cached by the kernel, so a
    // file's size is always the store's.
    static void* Init(fuse_conn_info*, fuse_config* config) {
        config->direct_io = 1;
        config->entry_timeout = 0;
        config->attr_timeout = 0;
        config->negative_timeout = 0;
        return fuse_get_context()->private_data;
    }

    static int GetAttr(const char* path, struct stat* st, fuse_file_info*) {
        WriteBackStore& store = Store();
        std::lock_guard<std::mutex> lock(store.mutex_);
        *st = {};
        st->st_uid = geteuid();
        st->st_gid = getegid();
        if (std::strcmp(path, "/") == 0) {
            st->st_mode = S_IFDIR | 0755;
            st->st_nlink = 2;
            return 0;
        }
        auto found = store.files_.find(path);
        if (found == store.files_.end()) return -ENOENT;
        st->st_mode = S_IFREG | 0644;
        st->st_nlink = 1;
        st->st_size = static_cast<off_t>(found->second.bytes.size());
        return 0;
    }

    static int Create(const char* path, mode_t, fuse_file_info*) {
        WriteBackStore& store = Store();
        std::lock_guard<std::mutex> lock(store.mutex_);
        store.files_.try_emplace(path);
        return 0;
    }

    static int Open(const char* path, fuse_file_info*) {
        WriteBackStore& store = Store();
        std::lock_guard<std::mutex> lock(store.mutex_);
        return store.files_.count(path) != 0 ? 0 : -ENOENT;
    }

    static int Unlink(const char* path) {
        WriteBackStore& store = Store();
        std::lock_guard<std::mutex> lock(store.mutex_);
        return store.files_.erase(path) != 0 ? 0 : -ENOENT;
    }

    static int Truncate(const char* path, off_t size, fuse_file_info*) {
        WriteBackStore& store = Store();
        std::lock_guard<std::mutex> lock(store.mutex_);
        auto found = store.files_.find(path);
        if (found == store.files_.end()) return -ENOENT;
        found->second.bytes.resize(static_cast<std::size_t>(size));
        found->second.waiting = true;
        return 0;
    }

    static int Read(const char* path, char* buffer, size_t size, off_t offset, fuse_file_info*) {
        WriteBackStore& store = Store();
        std::lock_guard<std::mutex> lock(store.mutex_);
        auto found = store.files_.find(path);
        if (found == store.files_.end()) return -ENOENT;
        const std::string& bytes = found->second.bytes;
        const std::size_t from = std::min(bytes.size(), static_cast<std::size_t>(offset));
        const std::size_t count = std::min(size, bytes.size() - from);
        std::memcpy(buffer, bytes.data() + from, count);
        return static_cast<int>(count);
    }

    static int Write(const char* path, const char* buffer, size_t size, off_t offset,
                     fuse_file_info*) {
        WriteBackStore& store = Store();
        std::lock_guard<std::mutex> lock(store.mutex_);
        auto found = store.files_.find(path);
        if (found == store.files_.end()) return -ENOENT;
        std::string& bytes = found->second.bytes;
        const std::size_t end = static_cast<std::size_t>(offset) + size;
        if (bytes.size() < end) bytes.resize(end);
        bytes.replace(static_cast<std::size_t>(offset), size, buffer, size);
        found->second.waiting = true;
        return static_cast<int>(size);
    }

    static int WriteBack(const char* path) {
        WriteBackStore& store = Store();
        std::lock_guard<std::mutex> lock(store.mutex_);
        auto found = store.files_.find(path);
        return found == store.files_.end() ? -ENOENT : store.WriteBackFile(found->second);
    }
    static int Flush(const char* path, fuse_file_info*) { return WriteBack(path); }
    static int Fsync(const char* path, int, fuse_file_info*) { return WriteBack(path); }

    static int ReadDir(const char* path, void* buffer, fuse_fill_dir_t fill, off_t, fuse_file_info*,
                       fuse_readdir_flags) {
        if (std::strcmp(path, "/") != 0) return -ENOTDIR;
        WriteBackStore& store = Store();
        std::lock_guard<std::mutex> lock(store.mutex_);
        fill(buffer, ".", nullptr, 0, static_cast<fuse_fill_dir_flags>(0));
        fill(buffer, "..", nullptr, 0, static_cast<fuse_fill_dir_flags>(0));
        for (const auto& entry : store.files_)
            fill(buffer, entry.first.c_str() + 1, nullptr, 0, static_cast<fuse_fill_dir_flags>(0));
        return 0;
    }
};

namespace {

// The process's own mount namespace, entered once: mounts made there are
// seen by this process alone and go with it.
bool EnterPrivateMounts(std::string* why) {
    static const int error = [] {
        if (unshare(CLONE_NEWNS) != 0) return errno;
        return mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 ? 0 : errno;
    }();
    if (error != 0) *why = std::string("no mount namespace of our own: ") + std::strerror(error);
    return error == 0;
}

}  // namespace

WriteBackStore::WriteBackStore(const std::string& directory, std::size_t capacity, WriteBack mode)
    : capacity_(capacity), directory_(directory) {
    if (geteuid() != 0) {
        why_ = "mounting a store takes root";
        return;
    }
    if (access("/dev/fuse", R_OK | W_OK) != 0) {
        why_ = std::string("/dev/fuse: ") + std::strerror(errno);
        return;
    }
    if (!EnterPrivateMounts(&why_)) return;
    fuse_operations operations{};
    operations.init = StoreOperations::Init;
    operations.getattr = StoreOperations::GetAttr;
    operations.create = StoreOperations::Create;
    operations.open = StoreOperations::Open;
    operations.unlink = StoreOperations::Unlink;
    operations.truncate = StoreOperations::Truncate;
    operations.read = StoreOperations::Read;
    operations.write = StoreOperations::Write;
    operations.flush = StoreOperations::Flush;
    operations.readdir = StoreOperations::ReadDir;
    if (mode == WriteBack::kAtFsync) operations.fsync = StoreOperations::Fsync;

    char name[] = "write-back-store";
    char* argv[] = {name, nullptr};
    fuse_args args = FUSE_ARGS_INIT(1, argv);
    struct fuse* made = fuse_new(&args, &operations, sizeof operations, this);
    fuse_opt_free_args(&args);
    if (made == nullptr) {
        why_ = "libfuse would not make a filesystem";
        return;
    }
    if (fuse_mount(made, directory_.c_str()) != 0) {
        fuse_destroy(made);
        why_ = "the store could not be mounted on " + directory_;
        return;
    }
    fuse_ = made;
    server_ = std::thread([this] { fuse_loop(fuse_); });
}

WriteBackStore::~WriteBackStore() {
    if (fuse_ == nullptr) return;
    // Unmounting ends the connection, and with it the server's loop.
    fuse_exit(fuse_);
    fuse_unmount(fuse_);
    server_.join();
    fuse_destroy(fuse_);
}

std::string WriteBackStore::Content(const std::string& name) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto found = files_.find("/" + name);
    return found != files_.end() ? found->second.bytes : std::string();
}

int WriteBackStore::WriteBackFile(File& file) {
    if (!file.waiting) return 0;
    file.waiting = false;
    std::size_t others = 0;
    for (const auto& entry : files_) {
        if (&entry.second != &file) others += entry.second.bytes.size();
    }
    const std::size_t room = capacity_ > others ? capacity_ - others : 0;
    if (file.bytes.size() <= room) return 0;
    file.bytes.resize(room);
    return -ENOSPC;
}

}  // namespace test_support
