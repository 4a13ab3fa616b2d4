#include <fcntl.h>
#include <limits.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "host/host.h"
#include "platform/kernel/wide_text.h"
#include "tests/support/stderr_capture.h"
#include "tests/support/temp_dir.h"
#include "win/kernel.h"

namespace {

using test_support::ReadWholeFile;
using test_support::TempDir;
using test_support::WriteWholeFile;

constexpr const char16_t* kLogName = u"NMEADataLog.TXT";

class FileTest : public ::testing::Test {
  protected:
    void SetUp() override {
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

TEST_F(FileTest, LogIsCreatedInTheWorkingDirectoryAndAppendedInOrder) {
    HANDLE log = CreateLog();
    ASSERT_NE(log, INVALID_HANDLE_VALUE);
    ASSERT_NE(log, nullptr);
    EXPECT_EQ(LogContent(), "");
    struct stat st {};
    ASSERT_EQ(stat(dir_.File("NMEADataLog.TXT").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0600, 0600u);

    std::string chunk1 = "$GPGGA,1*00\r\n$GPR";
    std::string chunk2("MC,2\0\xff\x80*11\r\n", 13);
    EXPECT_TRUE(Append(log, chunk1));
    EXPECT_TRUE(Append(log, chunk2));
    EXPECT_TRUE(Append(log, ""));
    EXPECT_EQ(LogContent(), chunk1 + chunk2);
    EXPECT_EQ(CloseHandle(log), TRUE);
    EXPECT_EQ(LogContent(), chunk1 + chunk2);
}

TEST_F(FileTest, RecreatingEmptiesTheFile) {
    ASSERT_TRUE(WriteWholeFile(dir_.File("NMEADataLog.TXT"), "old content from before\n"));
    HANDLE log = CreateLog();
    ASSERT_NE(log, INVALID_HANDLE_VALUE);
    EXPECT_EQ(LogContent(), "");
    EXPECT_TRUE(Append(log, "new"));
    EXPECT_EQ(CloseHandle(log), TRUE);

    log = CreateLog();
    ASSERT_NE(log, INVALID_HANDLE_VALUE);
    EXPECT_EQ(LogContent(), "");
    EXPECT_TRUE(Append(log, "again"));
    EXPECT_EQ(CloseHandle(log), TRUE);
    EXPECT_EQ(LogContent(), "again");
}

TEST_F(FileTest, SecondWriterRefusedReadersWelcome) {
    HANDLE log = CreateLog();
    ASSERT_NE(log, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(Append(log, "kept"));

    // A refused writer must not empty the file on its way out.
    EXPECT_EQ(CreateLog(), INVALID_HANDLE_VALUE);
    EXPECT_EQ(CreateFileW(kLogName, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                          OPEN_EXISTING, 0, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(LogContent(), "kept");

    // Readers that share come in, through the platform and directly.
    HANDLE reader = CreateFileW(kLogName, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    char got[16] = {};
    DWORD count = 0;
    EXPECT_EQ(ReadFile(reader, got, sizeof got, &count, nullptr), TRUE);
    EXPECT_EQ(std::string(got, count), "kept");
    // At the end a read succeeds with nothing.
    EXPECT_EQ(ReadFile(reader, got, sizeof got, &count, nullptr), TRUE);
    EXPECT_EQ(count, 0u);
    // A read-only handle cannot write.
    EXPECT_EQ(WriteFile(reader, "x", 1, &count, nullptr), FALSE);
    EXPECT_EQ(CloseHandle(reader), TRUE);
    EXPECT_EQ(ReadWholeFile(dir_.File("NMEADataLog.TXT")), "kept");

    EXPECT_EQ(CloseHandle(log), TRUE);
    // Once closed, the next writer is welcome.
    log = CreateLog();
    EXPECT_NE(log, INVALID_HANDLE_VALUE);
    EXPECT_EQ(CloseHandle(log), TRUE);
}

TEST_F(FileTest, CreationDispositions) {
    const DWORD rw = GENERIC_READ | GENERIC_WRITE;
    // Missing file.
    EXPECT_EQ(CreateFileW(u"a.txt", rw, 0, nullptr, OPEN_EXISTING, 0, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(CreateFileW(u"a.txt", rw, 0, nullptr, TRUNCATE_EXISTING, 0, nullptr),
              INVALID_HANDLE_VALUE);
    HANDLE h = CreateFileW(u"a.txt", rw, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(Append(h, "abc"));
    CloseHandle(h);
    EXPECT_EQ(CreateFileW(u"a.txt", rw, 0, nullptr, CREATE_NEW, 0, nullptr), INVALID_HANDLE_VALUE);

    // OPEN_ALWAYS keeps the content and writes from the start.
    h = CreateFileW(u"a.txt", rw, 0, nullptr, OPEN_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(Append(h, "X"));
    CloseHandle(h);
    EXPECT_EQ(ReadWholeFile(dir_.File("a.txt")), "Xbc");

    h = CreateFileW(u"b.txt", GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);
    EXPECT_EQ(access(dir_.File("b.txt").c_str(), F_OK), 0);

    h = CreateFileW(u"a.txt", GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);
    EXPECT_EQ(ReadWholeFile(dir_.File("a.txt")), "");

    // Emptying without write access, an unknown disposition, a directory.
    EXPECT_EQ(CreateFileW(u"a.txt", GENERIC_READ, 0, nullptr, CREATE_ALWAYS, 0, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(CreateFileW(u"a.txt", rw, 0, nullptr, 99, 0, nullptr), INVALID_HANDLE_VALUE);
    EXPECT_EQ(CreateFileW(u"a.txt", rw, 0, nullptr, 0, 0, nullptr), INVALID_HANDLE_VALUE);
    ASSERT_EQ(mkdir(dir_.File("sub").c_str(), 0755), 0);
    EXPECT_EQ(
        CreateFileW(u"sub", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr),
        INVALID_HANDLE_VALUE);
}

TEST_F(FileTest, NamesAreConvertedFromUtf16) {
    HANDLE h = CreateFileW(u"Gr\u00fc\u00dfe-\u5730\U0001F4E1.txt", GENERIC_WRITE, 0, nullptr,
                           CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(Append(h, "hi"));
    CloseHandle(h);
    EXPECT_EQ(ReadWholeFile(dir_.File("Gr\xc3\xbc\xc3\x9f"
                                      "e-\xe5\x9c\xb0\xf0\x9f\x93\xa1.txt")),
              "hi");

    const char16_t lone_surrogate[] = {u'a', 0xD800, u'b', 0};
    EXPECT_EQ(CreateFileW(lone_surrogate, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(CreateFileW(u"", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(CreateFileW(nullptr, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr),
              INVALID_HANDLE_VALUE);
    std::u16string too_long(5000, u'n');
    EXPECT_EQ(CreateFileW(too_long.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr),
              INVALID_HANDLE_VALUE);
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

    int stack_value = 0;
    const HANDLE bad[] = {nullptr,
                          INVALID_HANDLE_VALUE,
                          log,
                          reinterpret_cast<HANDLE>(1),
                          reinterpret_cast<HANDLE>(0x4B000000),
                          reinterpret_cast<HANDLE>(0x4BFFFFFF),
                          &stack_value};
    char buffer[8];
    DWORD count = 77;
    DCB dcb{};
    COMSTAT status{};
    DWORD errors = 0;
    for (HANDLE h : bad) {
        SCOPED_TRACE(reinterpret_cast<std::uintptr_t>(h));
        count = 77;
        EXPECT_EQ(ReadFile(h, buffer, sizeof buffer, &count, nullptr), FALSE);
        EXPECT_EQ(count, 0u);
        count = 77;
        EXPECT_EQ(WriteFile(h, "abc", 3, &count, nullptr), FALSE);
        EXPECT_EQ(count, 0u);
        EXPECT_EQ(GetCommState(h, &dcb), FALSE);
        EXPECT_EQ(SetCommState(h, &dcb), FALSE);
        EXPECT_EQ(ClearCommError(h, &errors, &status), FALSE);
        EXPECT_EQ(PurgeComm(h, PURGE_RXCLEAR), FALSE);
        EXPECT_EQ(CloseHandle(h), FALSE);
    }
    EXPECT_EQ(LogContent(), "");

    // A file is not a serial port.
    EXPECT_EQ(GetCommState(again, &dcb), FALSE);
    EXPECT_EQ(ClearCommError(again, &errors, &status), FALSE);
    EXPECT_EQ(PurgeComm(again, PURGE_RXCLEAR), FALSE);
    // Null buffers and overlapped records are refused without touching anything.
    EXPECT_EQ(WriteFile(again, nullptr, 5, &count, nullptr), FALSE);
    EXPECT_EQ(ReadFile(again, nullptr, 5, &count, nullptr), FALSE);
    EXPECT_EQ(WriteFile(again, "abc", 3, &count, reinterpret_cast<OVERLAPPED*>(buffer)), FALSE);
    EXPECT_EQ(WriteFile(again, "abc", 3, nullptr, nullptr), TRUE);
    EXPECT_EQ(CloseHandle(again), TRUE);
    EXPECT_EQ(LogContent(), "abc");
}

TEST_F(FileTest, FailedWritesCountWhatWasWrittenAndAreSaidOnce) {
    char cwd[PATH_MAX];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    struct Case {
        const char* what;
        const char16_t* name;
        DWORD creation;
        rlim_t size_limit;  // RLIM_INFINITY: none
        std::string said;
    };
    const Case cases[] = {
        // A full disk.
        {"/dev/full", u"/dev/full", OPEN_EXISTING, RLIM_INFINITY,
         "skymark: /dev/full: write failed: No space left on device\n"},
        // The file-size limit cuts the second write short; the signal it
        // raises must not end the program.
        {"file-size limit", kLogName, CREATE_ALWAYS, 1000,
         "skymark: " + std::string(cwd) + "/NMEADataLog.TXT: write failed: File too large\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
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
        DWORD written[3] = {99, 99, 99};
        BOOL ok[3];
        for (int tick = 0; tick < 3; ++tick)
            ok[tick] = WriteFile(file, chunk.data(), 600, &written[tick], nullptr);

        const std::string said = capture.Take();
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &saved), 0);
        EXPECT_EQ(CloseHandle(file), TRUE);
        EXPECT_EQ(said, c.said);
        if (c.size_limit == RLIM_INFINITY) {
            for (int tick = 0; tick < 3; ++tick) {
                EXPECT_EQ(ok[tick], FALSE);
                EXPECT_EQ(written[tick], 0u);
            }
            continue;
        }
        // 600 bytes, then 400 of the next 600 up to the limit, then none.
        EXPECT_EQ(ok[0], TRUE);
        EXPECT_EQ(written[0], 600u);
        EXPECT_EQ(ok[1], FALSE);
        EXPECT_EQ(written[1], 400u);
        EXPECT_EQ(ok[2], FALSE);
        EXPECT_EQ(written[2], 0u);
        EXPECT_EQ(LogContent(), std::string(1000, 'x'));
    }
}

TEST_F(FileTest, TableFullFailsCleanlyAndRecovers) {
    std::vector<HANDLE> handles;
    for (int i = 0; i < 1000; ++i) {
        HANDLE h = CreateFileW(u"many.txt", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_ALWAYS, 0, nullptr);
        if (h == INVALID_HANDLE_VALUE) break;
        handles.push_back(h);
    }
    EXPECT_GE(handles.size(), 16u);
    EXPECT_LT(handles.size(), 1000u);
    for (HANDLE h : handles)
        EXPECT_EQ(CloseHandle(h), TRUE);
    HANDLE h =
        CreateFileW(u"many.txt", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(CloseHandle(h), TRUE);
}

}  // namespace

namespace {

TEST(WideText, ConvertsAndRespectsCapacity) {
    struct Case {
        const char16_t* text;
        const char* utf8;  // nullptr: refused
    };
    const Case cases[] = {
        {u"NMEADataLog.TXT", "NMEADataLog.TXT"},
        {u"", ""},
        {u"\u00e9\u07ff\u0800\uffff", "\xc3\xa9\xdf\xbf\xe0\xa0\x80\xef\xbf\xbf"},
        {u"\U00010000\U0010FFFF", "\xf0\x90\x80\x80\xf4\x8f\xbf\xbf"},
        {u"a\xDC00", nullptr},
        {u"\xD800", nullptr},
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
    EXPECT_FALSE(kernel::Utf16ToUtf8(u"a", small, 0));
    EXPECT_FALSE(kernel::Utf16ToUtf8(nullptr, small, 4));
}

}  // namespace
