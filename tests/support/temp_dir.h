// Scratch directories and small file helpers for tests.
#pragma once
#include <filesystem>
#include <string>
#include <vector>

namespace testing_support {

// A fresh directory under the system temporary directory, removed with its contents on
// destruction.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// Makes dir the working directory for the lifetime of the object.
class ScopedChdir {
public:
    explicit ScopedChdir(const std::string& dir);
    ~ScopedChdir();
    ScopedChdir(const ScopedChdir&) = delete;
    ScopedChdir& operator=(const ScopedChdir&) = delete;

private:
    std::string previous_;
};

// Sets an environment variable for the lifetime of the object, then restores it.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name_;
    std::string previous_;
    bool had_previous_;
};

// Limits the size of files this process may write, as a full disk would: writes past the
// limit fail (SIGXFSZ is ignored meanwhile). Restores both on destruction.
class ScopedFileSizeLimit {
public:
    explicit ScopedFileSizeLimit(long bytes);
    ~ScopedFileSizeLimit();
    ScopedFileSizeLimit(const ScopedFileSizeLimit&) = delete;
    ScopedFileSizeLimit& operator=(const ScopedFileSizeLimit&) = delete;

private:
    long previous_soft_;
    void (*previous_handler_)(int);
};

int entry_count(const std::string& dir);         // entries in a directory, "." and ".." not counted
std::string read_file(const std::string& path);  // whole file as bytes; "" if missing
void write_file(const std::string& path, const std::string& bytes);
bool file_exists(const std::string& path);
std::vector<std::filesystem::path> files_in(const std::string& dir);  // sorted by name

}  // namespace testing_support
