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

// Sets an environment variable (and the ones it stands for: environment_names) for the
// lifetime of the object, then restores them.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    struct Previous {
        std::string name, value;
        bool existed;
    };
    std::vector<Previous> previous_;
};

// Limits the size of files this process may write, as a full disk would: writes past the
// limit fail (SIGXFSZ is ignored meanwhile). Restores both on destruction. POSIX only: a test
// that needs it skips on Windows first (file_size_limits).
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

#ifdef _WIN32
constexpr bool file_size_limits = false;  // Windows has no per-process limit on file sizes
#else
constexpr bool file_size_limits = true;
#endif

// A new directory under the system temporary directory whose name starts with name_start;
// throws std::runtime_error when none can be made.
std::string make_scratch_directory(const std::string& name_start);
// On Windows a death test's child is the test program started again, running the test up to
// the death test's statement: told whose child it is (test_main does), it makes the same scratch
// directories its parent made in that test, under the same names, so that it writes where the
// parent will look, as a forked child does on POSIX. Nothing to do on POSIX.
void share_scratch_directories_with(int parent_process_id);
// The process environment, changed for this process and the programs it starts.
void set_environment(const std::string& name, const std::string& value);
void unset_environment(const std::string& name);
// The variables a test's name stands for: the name itself, and on Windows TMP and TEMP with
// TMPDIR (GetTempPathW reads those), so that a test that moves the temporary folder through
// TMPDIR (ScopedEnv, a started program's environment) moves it on both systems.
std::vector<std::string> environment_names(const std::string& name);
// Makes dir the temporary folder of this process and the programs it starts (the end report
// goes there): TMPDIR and what it stands for, for good (ScopedEnv restores them).
void set_temp_directory(const std::string& dir);

int entry_count(const std::string& dir);         // entries in a directory, "." and ".." not counted
std::string read_file(const std::string& path);  // whole file as bytes; "" if missing
void write_file(const std::string& path, const std::string& bytes);
bool file_exists(const std::string& path);
std::vector<std::filesystem::path> files_in(const std::string& dir);  // sorted by name

}  // namespace testing_support
