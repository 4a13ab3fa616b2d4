#include "tests/support/temp_dir.h"

#include <fcntl.h>
#include <ftw.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>

namespace test_support {
namespace {

int RemoveEntry(const char* path, const struct stat*, int, FTW*) {
    return remove(path);
}

}  // namespace

TempDir::TempDir() {
    const char* base = getenv("TMPDIR");
    std::string pattern =
        std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/skymark-test-XXXXXX";
    if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
}

TempDir::~TempDir() {
    Leave();
    if (!path_.empty()) nftw(path_.c_str(), RemoveEntry, 16, FTW_DEPTH | FTW_PHYS);
}

bool TempDir::Enter() {
    if (path_.empty()) return false;
    if (previous_dir_ < 0) {
        previous_dir_ = open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (previous_dir_ < 0) return false;
    }
    return chdir(path_.c_str()) == 0;
}

void TempDir::Leave() {
    if (previous_dir_ < 0) return;
    if (fchdir(previous_dir_) != 0) {
        std::perror("TempDir::Leave");
    }
    close(previous_dir_);
    previous_dir_ = -1;
}

std::string ReadWholeFile(const std::string& path) {
    std::string bytes;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) return bytes;
    char chunk[4096];
    std::size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0)
        bytes.append(chunk, n);
    std::fclose(f);
    return bytes;
}

bool WriteWholeFile(const std::string& path, const std::string& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

}  // namespace test_support
