// A temporary directory that is removed with everything in it at the end.
#pragma once

#include <string>

namespace test_support {

class TempDir {
  public:
    // Creates a fresh directory under $TMPDIR (or /tmp); check Ok().
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    bool Ok() const { return !path_.empty(); }
    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }

    // Makes the directory the working directory until Leave() or the end.
    bool Enter();
    void Leave();

  private:
    std::string path_;
    int previous_dir_ = -1;
};

// The whole content of a file; empty when it cannot be read.
std::string ReadWholeFile(const std::string& path);
bool WriteWholeFile(const std::string& path, const std::string& bytes);

}  // namespace test_support
