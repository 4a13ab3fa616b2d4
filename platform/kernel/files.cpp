// CreateFileW, ReadFile, WriteFile, FlushFileBuffers and CloseHandle over
// host descriptors: files, serial devices and network sources.
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <mutex>
#include <optional>
#include <utility>

#include "host/host.h"
#include "platform/kernel/handle_table.h"
#include "platform/kernel/last_error.h"
#include "platform/kernel/net_source.h"
#include "platform/kernel/serial_line.h"
#include "platform/kernel/source_address.h"
#include "platform/kernel/wide_text.h"
#include "win/kernel.h"

namespace {

using kernel::KernelObject;
using kernel::ObjectKind;
using kernel::ObjectLock;
using kernel::UniqueFd;

// "COM1:" to "COM9:", in any letter case; 0 for any other name.
int ComPortNumber(LPCWSTR name) {
    auto upper = [](char16_t c) { return c >= u'a' && c <= u'z' ? c - u'a' + u'A' : c; };
    if (upper(name[0]) != u'C' || upper(name[1]) != u'O' || upper(name[2]) != u'M') return 0;
    if (name[3] < u'1' || name[3] > u'0' + kComPortCount || name[4] != u':' || name[5] != 0)
        return 0;
    return name[3] - u'0';
}

int AccessFlags(bool read, bool write) {
    if (read && write) return O_RDWR;
    return write ? O_WRONLY : O_RDONLY;
}

HANDLE Store(KernelObject object) {
    // A full table closes the descriptor as the object goes out of scope.
    return kernel::AddObject(std::move(object));
}

// A call on an open object failed for the host's reason error: said once
// under the object's name, and kept as the thread's last error.
BOOL Failed(const KernelObject& object, const char* call, int error) {
    host::Report("%s: %s failed: %s", object.name.c_str(), call, std::strerror(error));
    SetLastError(kernel::ErrorFromErrno(error));
    return FALSE;
}

// A device that is there but cannot be used says why. One that is missing
// or has no hardware behind it is what a search of the ports meets normally,
// and stays quiet.
void ReportOpenFailure(int number, const char* path, int error) {
    switch (error) {
        case ENOENT:
        case ENOTDIR:
        case ENODEV:
        case ENXIO:
        case EIO:
            return;
        case EACCES:
        case EPERM:
            host::Report(
                "COM%d (%s): permission denied; add your user to the dialout group: "
                "sudo adduser $USER dialout, then log in again",
                number, path);
            return;
        case EBUSY:
            host::Report("COM%d (%s): busy: another program holds it", number, path);
            return;
        case ENOTTY:
            host::Report("COM%d (%s): not a serial device", number, path);
            return;
        default:
            host::Report("COM%d (%s): cannot open: %s", number, path, std::strerror(error));
            return;
    }
}

HANDLE OpenSerialPort(int number, const char* path, DWORD access) {
    KernelObject object;
    object.kind = ObjectKind::kSerial;
    object.can_read = (access & GENERIC_READ) != 0;
    object.can_write = (access & GENERIC_WRITE) != 0;
    int error = 0;
    object.fd =
        kernel::OpenSerialDevice(path, AccessFlags(object.can_read, object.can_write), &error);
    if (!object.fd.Valid()) {
        ReportOpenFailure(number, path, error);
        return INVALID_HANDLE_VALUE;
    }
    // Start the error counters from now, so old line errors are not reported.
    kernel::TakeLineErrors(object.fd.Get(), object);
    return Store(std::move(object));
}

// A source that cannot be used now is a port that did not open; it has said why.
HANDLE OpenNetworkPort(const std::string& name, const kernel::SourceAddress& address,
                       DWORD access) {
    KernelObject object;
    object.name = name;
    if (!kernel::OpenNetworkSource(address, &object)) return INVALID_HANDLE_VALUE;
    object.can_read = (access & GENERIC_READ) != 0;
    object.can_write = (access & GENERIC_WRITE) != 0;
    return Store(std::move(object));
}

HANDLE OpenPort(int number, DWORD access, DWORD creation) {
    // Ports exist or not; they are never created or truncated.
    if (creation != OPEN_EXISTING) return INVALID_HANDLE_VALUE;
    char text[PATH_MAX];
    if (!host::PortSource(number, text, sizeof text)) return INVALID_HANDLE_VALUE;
    kernel::SourceAddress address;
    if (const char* why = kernel::ParseSource(text, &address)) {
        host::Report("COM%d (%s): not a source: %s", number, text, why);
        return INVALID_HANDLE_VALUE;
    }
    // What failures on the port are reported under.
    char name[PATH_MAX + 16];
    std::snprintf(name, sizeof name, "COM%d (%s)", number, text);
    if (address.kind != kernel::SourceKind::kDevice) return OpenNetworkPort(name, address, access);
    HANDLE handle = OpenSerialPort(number, address.path.c_str(), access);
    if (handle == INVALID_HANDLE_VALUE) return handle;
    kernel::ObjectLock lock(handle);
    if (lock.Get() != nullptr) lock.Get()->name = name;
    return handle;
}

// A file that reaches the process's file-size limit must fail the write
// with EFBIG, as a full disk fails it with ENOSPC, instead of ending the
// program. A handler the program installed itself is left alone.
void KeepFileSizeLimitFromKilling() {
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction current {};
        if (sigaction(SIGXFSZ, nullptr, &current) == 0 && current.sa_handler == SIG_DFL) {
            signal(SIGXFSZ, SIG_IGN);
        }
    });
}

// The path failures are reported under: as given when absolute, otherwise
// from the working directory, where a bare name lands.
std::string ReportedPath(const char* path) {
    char directory[PATH_MAX];
    if (path[0] == '/' || getcwd(directory, sizeof directory) == nullptr) return path;
    return std::string(directory) + "/" + path;
}

// What a name that the log would be created under stands for, when it is
// not a plain file; null when it is one or does not exist yet.
const char* NotAPlainFile(const struct stat& st) {
    if (S_ISREG(st.st_mode)) return nullptr;
    if (S_ISLNK(st.st_mode)) return "it is a symbolic link";
    if (S_ISDIR(st.st_mode)) return "it is a directory";
    if (S_ISFIFO(st.st_mode)) return "it is a FIFO";
    if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode)) return "it is a device";
    return "it is not a plain file";
}

HANDLE OpenFile(LPCWSTR name, DWORD access, DWORD share_mode, DWORD creation) {
    char path[PATH_MAX];
    if (!kernel::Utf16ToUtf8(name, path, sizeof path) || path[0] == '\0') {
        return INVALID_HANDLE_VALUE;
    }
    bool read = (access & GENERIC_READ) != 0;
    bool write = (access & GENERIC_WRITE) != 0;
    bool truncate = false;
    int flags = AccessFlags(read, write) | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
    // The program opens existing devices and creates its log afresh; no other
    // way of opening is offered.
    switch (creation) {
        case CREATE_ALWAYS:
            // A file created or emptied is only ever a plain file of that
            // very name: never what a symbolic link planted there points at.
            flags |= O_CREAT | O_NOFOLLOW;
            truncate = true;
            break;
        case OPEN_EXISTING:
            break;
        default:
            return INVALID_HANDLE_VALUE;
    }
    // Emptying needs write access, as on the platform.
    if (truncate && !write) return INVALID_HANDLE_VALUE;

    // Anything but a plain file is refused before it is opened: opening a
    // FIFO or a device can have effects of its own.
    struct stat st {};
    if (truncate && lstat(path, &st) == 0) {
        if (const char* what = NotAPlainFile(st)) {
            host::Report("%s: not created: %s", ReportedPath(path).c_str(), what);
            return INVALID_HANDLE_VALUE;
        }
    }
    // O_NONBLOCK only keeps the open itself from waiting (a FIFO without a
    // peer); the file is used blocking. New files get 0644 under the umask.
    UniqueFd fd(open(path, flags, 0644));
    if (!fd.Valid()) {
        if (truncate) {
            const char* why = errno == ELOOP ? "it is a symbolic link" : std::strerror(errno);
            host::Report("%s: not created: %s", ReportedPath(path).c_str(), why);
        }
        return INVALID_HANDLE_VALUE;
    }
    // The same once more on what was opened, in case the name changed hands
    // in between.
    if (fstat(fd.Get(), &st) != 0 || S_ISDIR(st.st_mode)) return INVALID_HANDLE_VALUE;
    if (truncate) {
        if (const char* what = NotAPlainFile(st)) {
            host::Report("%s: not created: %s", ReportedPath(path).c_str(), what);
            return INVALID_HANDLE_VALUE;
        }
    }
    int status = fcntl(fd.Get(), F_GETFL);
    if (status < 0 || fcntl(fd.Get(), F_SETFL, status & ~O_NONBLOCK) != 0) {
        return INVALID_HANDLE_VALUE;
    }

    // Sharing with advisory locks, which have only two levels: an open that
    // writes or refuses all sharing holds the file exclusively, so there is
    // never a second writer; an open that only reads and shares takes no
    // lock and is always let in.
    if (write || share_mode == 0) {
        if (flock(fd.Get(), LOCK_EX | LOCK_NB) != 0) return INVALID_HANDLE_VALUE;
    }
    // Emptied only once the lock is ours, so a refused open leaves the file alone.
    if (truncate && ftruncate(fd.Get(), 0) != 0) return INVALID_HANDLE_VALUE;

    if (write) KeepFileSizeLimitFromKilling();
    KernelObject object;
    object.kind = ObjectKind::kFile;
    object.fd = std::move(fd);
    object.can_read = read;
    object.can_write = write;
    object.name = ReportedPath(path);
    return Store(std::move(object));
}

}  // namespace

HANDLE CreateFileW(LPCWSTR name, DWORD access, DWORD share_mode, SECURITY_ATTRIBUTES* security,
                   DWORD creation, DWORD flags, HANDLE template_file) {
    // Security, attributes and templates have no meaning on the host.
    (void)security;
    (void)flags;
    (void)template_file;
    if (name == nullptr) return INVALID_HANDLE_VALUE;
    int port = ComPortNumber(name);
    if (port != 0) return OpenPort(port, access, creation);
    return OpenFile(name, access, share_mode, creation);
}

BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD bytes_to_read, LPDWORD bytes_read,
              OVERLAPPED* overlapped) {
    if (bytes_read != nullptr) *bytes_read = 0;
    // Overlapped reads are not offered.
    if (overlapped != nullptr) return FALSE;
    ObjectLock lock(file);
    KernelObject* object = lock.Get();
    if (object == nullptr || !object->can_read) return FALSE;
    if (bytes_to_read == 0) return TRUE;
    if (buffer == nullptr) return FALSE;

    if (object->kind == ObjectKind::kNetwork) {
        // Never waits: hands out what has been received.
        if (kernel::StreamQueued(*object) == 0 && !kernel::FillStream(*object)) return FALSE;
        const std::size_t got = kernel::TakeFromStream(*object, buffer, bytes_to_read);
        if (bytes_read != nullptr) *bytes_read = static_cast<DWORD>(got);
        return TRUE;
    }

    auto* out = static_cast<unsigned char*>(buffer);
    DWORD got = 0;
    bool failed = false;
    bool ended = false;
    while (got < bytes_to_read) {
        ssize_t n = read(object->fd.Get(), out + got, bytes_to_read - got);
        if (n > 0) {
            got += static_cast<DWORD>(n);
        } else if (n == 0) {
            ended = true;
            break;
        } else if (errno == EINTR) {
            continue;
        } else {
            // A serial line that has nothing more queued; the read never waits.
            failed = errno != EAGAIN;
            break;
        }
    }
    if (bytes_read != nullptr) *bytes_read = got;
    // Bytes already taken are delivered; the failure shows on the next call.
    if (got > 0) return TRUE;
    // A terminal that reads end-of-file has been hung up; a file just ended.
    if (ended && object->kind == ObjectKind::kSerial) return FALSE;
    return failed ? FALSE : TRUE;
}

BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD bytes_to_write, LPDWORD bytes_written,
               OVERLAPPED* overlapped) {
    if (bytes_written != nullptr) *bytes_written = 0;
    if (overlapped != nullptr) return FALSE;
    ObjectLock lock(file);
    KernelObject* object = lock.Get();
    // Files and network sources are written; a serial line never is: nothing
    // is ever sent to a receiver.
    if (object == nullptr || !object->can_write || object->kind == ObjectKind::kSerial) {
        return FALSE;
    }
    if (bytes_to_write == 0) return TRUE;
    if (buffer == nullptr) return FALSE;

    if (object->kind == ObjectKind::kNetwork) {
        int error = 0;
        const std::size_t sent = kernel::SendToStream(*object, buffer, bytes_to_write, &error);
        if (bytes_written != nullptr) *bytes_written = static_cast<DWORD>(sent);
        if (sent == bytes_to_write) return TRUE;
        return Failed(*object, "send", error);
    }

    const auto* in = static_cast<const unsigned char*>(buffer);
    DWORD done = 0;
    int error = 0;
    // A short write is followed by another, which either goes on or tells
    // why it cannot (a full disk, the file-size limit).
    while (done < bytes_to_write && error == 0) {
        ssize_t n = write(object->fd.Get(), in + done, bytes_to_write - done);
        if (n > 0) {
            done += static_cast<DWORD>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            error = n < 0 ? errno : EIO;
        }
    }
    if (bytes_written != nullptr) *bytes_written = done;
    if (done == bytes_to_write) return TRUE;
    // The bytes already written stay written and are counted; the caller
    // decides what a short write means.
    return Failed(*object, "write", error);
}

BOOL FlushFileBuffers(HANDLE file) {
    ObjectLock lock(file);
    KernelObject* object = lock.Get();
    if (object == nullptr || object->kind != ObjectKind::kFile) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!object->can_write) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    // The data and what is needed to read it back (the size); times are
    // not worth a second write.
    int result;
    do {
        result = fdatasync(object->fd.Get());
    } while (result != 0 && errno == EINTR);
    return result == 0 ? TRUE : Failed(*object, "flush", errno);
}

BOOL CloseHandle(HANDLE object) {
    {
        ObjectLock lock(object);
        if (lock.Get() != nullptr && lock.Get()->kind == ObjectKind::kNetwork) {
            kernel::NoteClosing(*lock.Get());
        }
    }
    std::optional<KernelObject> closing = kernel::TakeObject(object);
    if (!closing) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    // Closed outside the table's lock: closing a tty may wait for its output
    // to drain.
    return closing->Close() ? TRUE : Failed(*closing, "close", errno);
}
