// A temporary directory that is removed with everything in it at the end, and
// whole files read and written.
#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace test_support {

class TempDir {
  public:
    // Creates a fresh directory under $TMPDIR (or /tmp); check Ok().
    TempDir() {
        const char* base = getenv("TMPDIR");
        std::string pattern =
            std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/skymark-test-XXXXXX";
        if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
    }
    ~TempDir() {
        if (!previous_.empty() && chdir(previous_.c_str()) != 0) std::perror("TempDir");
        std::error_code error;
        if (Ok()) std::filesystem::remove_all(path_, error);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    bool Ok() const { return !path_.empty(); }
    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }

    // Makes the directory the working directory until the end.
    bool Enter() {
        std::error_code error;
        if (previous_.empty()) previous_ = std::filesystem::current_path(error);
        return Ok() && !previous_.empty() && chdir(path_.c_str()) == 0;
    }

  private:
    std::string path_;
    std::string previous_;
};

// The whole content of a file; empty when it cannot be read.
inline std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline bool WriteWholeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    return !out.fail();
}

}  // namespace test_support
