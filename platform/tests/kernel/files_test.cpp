#include <fcntl.h>
#include <limits.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "host/host.h"
#include "host/testing.h"
#include "platform/kernel/unique_fd.h"
#include "platform/kernel/wide_text.h"
#include "tests/support/stderr_capture.h"
#include "tests/support/temp_dir.h"
#include "tests/support/write_back_store.h"
#include "win/kernel.h"

namespace {

using test_support::ReadWholeFile;
using test_support::TempDir;
using test_support::WriteBackStore;
using test_support::WriteWholeFile;

constexpr const char16_t* kLogName = u"NMEADataLog.TXT";

class FileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        host::SetProgramName("probe");
        ASSERT_TRUE(dir_.Ok());
        ASSERT_TRUE(dir_.Enter());
    }

    HANDLE CreateLog() {
        return CreateFileW(kLogName, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                           CREATE_ALWAYS, 0, nullptr);
    }
    bool Append(HANDLE file, const std::string& bytes) {
        DWORD written = 12345;
        BOOL ok =
            WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        return ok == TRUE && written == bytes.size();
    }
    std::string LogContent() const { return ReadWholeFile(dir_.File("NMEADataLog.TXT")); }

    TempDir dir_;
};

TEST_F(FileTest, LogIsCreatedEmptyAppendedInOrderAndHeldByOneWriter) {
    ASSERT_TRUE(WriteWholeFile(dir_.File("NMEADataLog.TXT"), "old content from before\n"));
    HANDLE log = CreateLog();
    ASSERT_NE(log, INVALID_HANDLE_VALUE);
    ASSERT_NE(log, nullptr);
    EXPECT_EQ(LogContent(), "");
    const std::string bytes("$GPGGA,1*00\r\n$GPRMC,2\0\xff\x80*11\r\n", 29);
    EXPECT_TRUE(Append(log, bytes.substr(0, 17)));
    EXPECT_TRUE(Append(log, bytes.substr(17)));
    EXPECT_TRUE(Append(log, ""));
    EXPECT_EQ(LogContent(), bytes);

    // A second writer is refused and must not empty the file on its way out;
    // readers that share come in.
    EXPECT_EQ(CreateLog(), INVALID_HANDLE_VALUE);
    HANDLE reader = CreateFileW(kLogName, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    char got[64] = {};
    DWORD count = 0;
    EXPECT_EQ(ReadFile(reader, got, sizeof got, &count, nullptr), TRUE);
    EXPECT_EQ(std::string(got, count), bytes);
    // At the end a read succeeds with nothing; a read-only handle cannot write.
    EXPECT_EQ(ReadFile(reader, got, sizeof got, &count, nullptr), TRUE);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(WriteFile(reader, "x", 1, &count, nullptr), FALSE);
    EXPECT_EQ(CloseHandle(reader), TRUE);
    EXPECT_EQ(CloseHandle(log), TRUE);
    EXPECT_EQ(LogContent(), bytes);
}

TEST_F(FileTest, CreationDispositionsAndNames) {
    const DWORD rw = GENERIC_READ | GENERIC_WRITE;
    struct Case {
        const char* what;
        DWORD access, creation;
        bool exists;        // holding "abc" beforehand
        const char* after;  // after writing "X" where it opened; nullptr: no file
    };
    const Case cases[] = {
        {"open missing", rw, OPEN_EXISTING, false, nullptr},
        {"open existing writes from the start", rw, OPEN_EXISTING, true, "Xbc"},
        {"create always empties", GENERIC_WRITE, CREATE_ALWAYS, true, "X"},
        {"create always creates", rw, CREATE_ALWAYS, false, "X"},
        {"a way of opening the program never uses", rw, 4, true, "abc"},
        {"emptying without write access", GENERIC_READ, CREATE_ALWAYS, true, "abc"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string name = dir_.File("f.txt");
        unlink(name.c_str());
        ASSERT_TRUE(!c.exists || WriteWholeFile(name, "abc"));
        HANDLE h = CreateFileW(u"f.txt", c.access, 0, nullptr, c.creation, 0, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            EXPECT_TRUE(Append(h, "X"));
            EXPECT_EQ(CloseHandle(h), TRUE);
        }
        EXPECT_EQ(access(name.c_str(), F_OK) == 0, c.after != nullptr);
        EXPECT_EQ(ReadWholeFile(name), c.after != nullptr ? c.after : "");
    }
    ASSERT_EQ(mkdir(dir_.File("sub").c_str(), 0755), 0);
    EXPECT_EQ(
        CreateFileW(u"sub", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr),
        INVALID_HANDLE_VALUE);

    // Names that do not convert from UTF-16, or are empty, open nothing.
    const char16_t lone_surrogate[] = {u'a', 0xD800, u'b', 0};
    for (const char16_t* bad : {lone_surrogate, u"", static_cast<const char16_t*>(nullptr)}) {
        EXPECT_EQ(CreateFileW(bad, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr),
                  INVALID_HANDLE_VALUE);
    }
}

// Whatever was planted under the log's name is refused and left as it was;
// only a plain file of that name is created or emptied, 0644 under the umask.
TEST_F(FileTest, TheLogIsOnlyEverAPlainFileOfItsOwn) {
    char cwd[PATH_MAX];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    const std::string log = dir_.File("NMEADataLog.TXT");
    const std::string target = dir_.File("target.txt");
    const struct {
        const char* what;
        std::function<int()> plant;  // 0 when planted
        const char* said;
    } cases[] = {
        {"a symbolic link to a file", [&] { return symlink(target.c_str(), log.c_str()); },
         "it is a symbolic link"},
        {"a dangling symbolic link", [&] { return symlink("missing.txt", log.c_str()); },
         "it is a symbolic link"},
        {"a directory", [&] { return mkdir(log.c_str(), 0755); }, "it is a directory"},
        {"a FIFO", [&] { return mkfifo(log.c_str(), 0644); }, "it is a FIFO"},
        // Creating a device node needs root.
        {"a device", [&] { return mknod(log.c_str(), S_IFCHR | 0666, makedev(1, 3)); },
         "it is a device"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        host::ForgetReports();
        ASSERT_TRUE(WriteWholeFile(target, "precious"));
        if (c.plant() != 0) {
            EXPECT_EQ(errno, EPERM) << std::strerror(errno);
            continue;
        }
        struct stat before {};
        ASSERT_EQ(lstat(log.c_str(), &before), 0);
        test_support::StderrCapture capture;
        EXPECT_EQ(CreateLog(), INVALID_HANDLE_VALUE);
        EXPECT_EQ(capture.Take(),
                  std::string("probe: ") + cwd + "/NMEADataLog.TXT: not created: " + c.said + "\n");
        struct stat after {};
        ASSERT_EQ(lstat(log.c_str(), &after), 0);
        EXPECT_EQ(after.st_mode, before.st_mode);
        EXPECT_EQ(after.st_ino, before.st_ino);
        EXPECT_EQ(ReadWholeFile(target), "precious");
        EXPECT_NE(access(dir_.File("missing.txt").c_str(), F_OK), 0);
        ASSERT_EQ(std::filesystem::remove(log), true);
    }

    for (const mode_t mask : {mode_t{022}, mode_t{077}}) {
        SCOPED_TRACE(mask);
        const mode_t saved = umask(mask);
        HANDLE file = CreateLog();
        umask(saved);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        EXPECT_EQ(CloseHandle(file), TRUE);
        struct stat st {};
        ASSERT_EQ(stat(log.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0644 & ~mask);
        ASSERT_EQ(unlink(log.c_str()), 0);
    }
}

TEST_F(FileTest, HandlesThatAreNotOpenAreRefusedEverywhere) {
    HANDLE log = CreateLog();
    ASSERT_NE(log, INVALID_HANDLE_VALUE);
    EXPECT_EQ(CloseHandle(log), TRUE);
    EXPECT_EQ(CloseHandle(log), FALSE);

    // A new object in the same slot must not answer to the old handle.
    HANDLE again = CreateLog();
    ASSERT_NE(again, INVALID_HANDLE_VALUE);
    EXPECT_NE(again, log);

    // Each kind of kernel call asks the one handle table (tested on its own).
    int stack_value = 0;
    char buffer[8];
    DWORD count = 77;
    DCB dcb{};
    for (HANDLE h :
         {HANDLE{nullptr}, INVALID_HANDLE_VALUE, log, static_cast<HANDLE>(&stack_value)}) {
        SCOPED_TRACE(reinterpret_cast<std::uintptr_t>(h));
        EXPECT_EQ(ReadFile(h, buffer, sizeof buffer, &count, nullptr), FALSE);
        EXPECT_EQ(WriteFile(h, "abc", 3, &count, nullptr), FALSE);
        EXPECT_EQ(count, 0u);
        EXPECT_EQ(SetCommState(h, &dcb), FALSE);
        EXPECT_EQ(PurgeComm(h, PURGE_RXCLEAR), FALSE);
    }
    EXPECT_EQ(LogContent(), "");

    // A file is not a serial port; a null buffer is refused without touching anything.
    EXPECT_EQ(GetCommState(again, &dcb), FALSE);
    EXPECT_EQ(WriteFile(again, nullptr, 5, &count, nullptr), FALSE);
    EXPECT_EQ(WriteFile(again, "abc", 3, nullptr, nullptr), TRUE);
    EXPECT_EQ(CloseHandle(again), TRUE);
    EXPECT_EQ(LogContent(), "abc");
}

TEST_F(FileTest, FailedWritesCountWhatWasWrittenAndAreSaidOnce) {
    char cwd[PATH_MAX];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    struct Case {
        const char16_t* name;
        DWORD creation;
        rlim_t size_limit;  // RLIM_INFINITY: none
        std::string said;   // after "probe: " and before "\n"
        DWORD written[3];   // of three writes of 600 bytes
        DWORD error;        // GetLastError after a failed write
    };
    // The file-size limit cuts the second write short; the signal it raises
    // must not end the program.
    const Case cases[] = {{u"/dev/full",
                           OPEN_EXISTING,
                           RLIM_INFINITY,
                           "/dev/full: write failed: No space left on device",
                           {0, 0, 0},
                           ERROR_DISK_FULL},
                          {kLogName,
                           CREATE_ALWAYS,
                           1000,
                           std::string(cwd) + "/NMEADataLog.TXT: write failed: File too large",
                           {600, 400, 0},
                           ERROR_FILE_TOO_LARGE}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.said);
        host::ForgetReports();
        HANDLE file =
            CreateFileW(c.name, GENERIC_WRITE, FILE_SHARE_READ, nullptr, c.creation, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        rlimit saved{};
        ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
        rlimit limited = saved;
        limited.rlim_cur = c.size_limit;
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
        test_support::StderrCapture capture;
        const std::string chunk(600, 'x');
        for (int tick = 0; tick < 3; ++tick) {
            DWORD written = 99;
            SetLastError(ERROR_SUCCESS);
            const BOOL ok = WriteFile(file, chunk.data(), 600, &written, nullptr);
            EXPECT_EQ(written, c.written[tick]) << tick;
            EXPECT_EQ(ok, c.written[tick] == 600 ? TRUE : FALSE) << tick;
            EXPECT_EQ(GetLastError(), ok ? ERROR_SUCCESS : c.error) << tick;
        }
        EXPECT_EQ(capture.Take(), "probe: " + c.said + "\n");
        EXPECT_EQ(setrlimit(RLIMIT_FSIZE, &saved), 0);
        EXPECT_EQ(CloseHandle(file), TRUE);
    }
    EXPECT_EQ(LogContent(), std::string(1000, 'x'));
}

// A store that runs full only when the bytes are written back says so at
// FlushFileBuffers or, when it offers no fsync, at CloseHandle: the call
// fails with the disk full and says once why, and the handle is gone.
TEST_F(FileTest, AStoreThatRunsFullAtWriteBackFailsTheFlushOrTheClose) {
    const struct {
        const char* what;
        WriteBackStore::WriteBack mode;
        BOOL flushed;
        BOOL closed;
        std::string said;  // after "probe: " and the path
    } cases[] = {
        {"write-back at fsync", WriteBackStore::WriteBack::kAtFsync, FALSE, TRUE,
         "flush failed: No space left on device"},
        {"write-back at close only", WriteBackStore::WriteBack::kAtCloseOnly, TRUE, FALSE,
         "close failed: No space left on device"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string mountPoint = dir_.File(std::string("store-") + c.what);
        ASSERT_EQ(mkdir(mountPoint.c_str(), 0755), 0);
        WriteBackStore store(mountPoint, 1000, c.mode);
        if (!store.Ok()) GTEST_SKIP() << store.Why();
        const std::string path = mountPoint + "/NMEADataLog.TXT";
        std::u16string name(path.begin(), path.end());
        HANDLE file = CreateFileW(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                  CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        // The store takes every write, whatever its room.
        EXPECT_TRUE(Append(file, std::string(600, 'a')));
        EXPECT_TRUE(Append(file, std::string(600, 'b')));

        host::ForgetReports();
        test_support::StderrCapture capture;
        SetLastError(ERROR_SUCCESS);
        EXPECT_EQ(FlushFileBuffers(file), c.flushed);
        EXPECT_EQ(GetLastError(), c.flushed ? ERROR_SUCCESS : ERROR_DISK_FULL);
        SetLastError(ERROR_SUCCESS);
        EXPECT_EQ(CloseHandle(file), c.closed);
        EXPECT_EQ(GetLastError(), c.closed ? ERROR_SUCCESS : ERROR_DISK_FULL);
        EXPECT_EQ(capture.Take(), "probe: " + path + ": " + c.said + "\n");
        // Closed all the same; what did not fit is lost.
        EXPECT_EQ(CloseHandle(file), FALSE);
        EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
        EXPECT_EQ(ReadWholeFile(path), std::string(600, 'a') + std::string(400, 'b'));
    }
}

// Flushing is offered for files open for writing alone.
TEST_F(FileTest, OnlyAFileOpenForWritingIsFlushed) {
    HANDLE log = CreateLog();
    ASSERT_NE(log, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(Append(log, "abc"));
    EXPECT_EQ(FlushFileBuffers(log), TRUE);
    HANDLE reader =
        CreateFileW(kLogName, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    EXPECT_EQ(FlushFileBuffers(reader), FALSE);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_EQ(CloseHandle(reader), TRUE);
    EXPECT_EQ(CloseHandle(log), TRUE);
    EXPECT_EQ(FlushFileBuffers(log), FALSE);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_EQ(LogContent(), "abc");
}

// A descriptor whose close fails says so: to the caller that closes it, or on
// the diagnostics channel when it goes with its owner.
TEST_F(FileTest, AFailedCloseOfADescriptorIsNeverDropped) {
    const std::string mountPoint = dir_.File("store");
    ASSERT_EQ(mkdir(mountPoint.c_str(), 0755), 0);
    WriteBackStore store(mountPoint, 10, WriteBackStore::WriteBack::kAtCloseOnly);
    if (!store.Ok()) GTEST_SKIP() << store.Why();
    auto overfilled = [&](const char* name) {
        const std::string path = mountPoint + "/" + name;
        kernel::UniqueFd fd(open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644));
        EXPECT_TRUE(fd.Valid()) << std::strerror(errno);
        EXPECT_EQ(write(fd.Get(), "0123456789ab", 12), 12);
        return fd;
    };
    host::ForgetReports();
    test_support::StderrCapture capture;
    {
        kernel::UniqueFd closed = overfilled("closed");
        errno = 0;
        EXPECT_FALSE(closed.Close());
        EXPECT_EQ(errno, ENOSPC);
        EXPECT_FALSE(closed.Valid());
        EXPECT_TRUE(closed.Close()) << "nothing left to close";
    }
    EXPECT_EQ(capture.Take(), "");
    test_support::StderrCapture dropped;
    { kernel::UniqueFd gone = overfilled("dropped"); }
    EXPECT_EQ(dropped.Take(), "probe: closing a descriptor failed: No space left on device\n");
}

TEST(WideText, ConvertsAndRespectsCapacity) {
    struct Case {
        const char16_t* text;
        const char* utf8;  // nullptr: refused
    };
    const Case cases[] = {
        {u"NMEADataLog.TXT", "NMEADataLog.TXT"},
        {u"\u00e9\u07ff\u0800\uffff", "\xc3\xa9\xdf\xbf\xe0\xa0\x80\xef\xbf\xbf"},
        {u"\U00010000\U0010FFFF", "\xf0\x90\x80\x80\xf4\x8f\xbf\xbf"},
        {u"a\xDC00", nullptr},
        {u"\xD800z", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.utf8 == nullptr ? "(refused)" : c.utf8);
        char out[64];
        bool ok = kernel::Utf16ToUtf8(c.text, out, sizeof out);
        ASSERT_EQ(ok, c.utf8 != nullptr);
        if (ok) {
            EXPECT_STREQ(out, c.utf8);
        }
    }
    // Exactly enough room for the bytes and the terminator, then one short.
    char out[5] = {'x', 'x', 'x', 'x', 'x'};
    EXPECT_TRUE(kernel::Utf16ToUtf8(u"ab\u00e9", out, 5));
    EXPECT_STREQ(out, "ab\xc3\xa9");
    char small[4] = {'x', 'x', 'x', 'x'};
    EXPECT_FALSE(kernel::Utf16ToUtf8(u"ab\u00e9", small, 4));
    EXPECT_EQ(small[0], '\0');
}

}  // namespace
