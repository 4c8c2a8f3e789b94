// File-system services for the runtime: the temporary directory, case-insensitive name
// lookup, whole-file reading with a size limit, whole-file writes that never leave a file
// half written where that can be avoided, and appending to a private log file. The comments
// say it in POSIX terms; fs_windows.cpp keeps the same promises in Windows terms, where names
// are UTF-8 and may use "/" or "\" (the notes "Windows:" say where it differs).
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace platform {

// $TMPDIR, else $XDG_RUNTIME_DIR (each when non-empty), else "/tmp"; no trailing "/".
// Windows: the folder GetTempPathW names.
std::string temp_directory();

// A name that exists as written is returned unchanged. Otherwise, when the directory part
// exists and holds exactly one or more entries whose last component differs only in ASCII
// letter case, the first of them in sorted order is returned. Else the name unchanged.
std::string resolve_name_ignoring_case(const std::string& name);

// Reads a whole file, at most limit bytes of it. regular_only refuses directories, devices
// and pipes (and never blocks on a pipe); otherwise a pipe or device is read as a stream.
enum class ReadResult {
    missing,  // cannot be opened (or is not a regular file when regular_only)
    whole,    // contents holds the whole file
    cut,      // longer than limit: contents holds its first limit bytes
    failed,   // a read failed part-way: contents holds what was read before
};
ReadResult read_whole_file(const std::string& path, std::size_t limit, std::string& contents,
                           bool regular_only);

// Replaces the contents of path with data and returns true, or returns false with the reason
// in *failure (when given) and the file as it was. A symbolic link is followed and its target
// written. A file the user may not write (or one with no write permission at all) is left
// alone. Usually the data goes to a short-named temporary file beside the target that is
// renamed over it, so a crash or a full disk leaves the old file or the new one, never a
// partial one; the file keeps its permissions, owner and group. Where a rename would change
// what the file is (more than one hard link, an owner or group the user cannot give the new
// file) or cannot be done (the directory is not writable), the file is overwritten in place,
// with its new length reserved first so that a full disk leaves the old contents. A successful
// rename also removes temporary files that earlier, killed saves of the same file left behind.
// Windows: a read-only file is left alone; the replaced file keeps its access rights and
// attributes; a file another program holds open without delete sharing stays as it was.
bool replace_file_contents(const std::string& path, const void* data, std::size_t size,
                           std::string* failure = nullptr);

// Appends text to a file of the user's own: the file is created when missing, but a symbolic
// link, anything but a regular file, a file with other hard links or one owned by somebody
// else is not written (a planted link in a shared temporary directory must not redirect it).
bool append_to_own_file(const std::string& path, const std::string& text,
                        std::string* failure = nullptr);

// Plain file descriptors for the runtime's file channels; -1 means none.
// -1 unless it is an existing regular file; never waits on a pipe
int open_regular_file_for_reading(const std::string& path);
// Creates or empties it (0666 less the umask); -1 on failure
int create_file_for_writing(const std::string& path);
void close_file(int fd);
// The length of an open regular file; -1 for anything else
std::int64_t regular_file_size(std::FILE* file);

// ---- Directories and the player's own files ----
bool exists(const std::string& path);        // anything by that name; a link is not followed
bool is_directory(const std::string& path);  // a directory, or a link to one
// The user may create and remove files in it (write and search permission); for a file:
// may write it. Judged for the effective user, as the opening of a file is.
bool may_write(const std::string& path);
// Where the user's application data goes: $XDG_DATA_HOME when it is an absolute path, else
// $HOME/.local/share ($HOME when absolute, else the home directory of the user's account);
// "" when there is no home directory at all. No trailing "/". Windows: the roaming AppData.
std::string user_data_directory();
// Creates dir and any missing parent with permission 0700. True when dir is a directory
// afterwards (created or already there); else false with the reason in *failure.
bool make_private_directories(const std::string& dir, std::string* failure = nullptr);
// Copies the regular file from to the new file to (0666 less the umask). A file to that exists
// already stays untouched (true). The copy is written beside to and linked to its name only
// when whole, so a crash or a full disk never leaves half a file; two programs copying at once
// give one of the copies. False with the reason in *failure when nothing could be put there.
bool copy_file_if_missing(const std::string& from, const std::string& to,
                          std::string* failure = nullptr);

bool remove_file(const std::string& path);  // unlinks; false when it could not
// The names of the regular files (links followed) in dir whose names end in ending, ignoring
// ASCII case, hidden ones (starting with ".") left out; sorted bytewise. Empty when dir cannot
// be read.
std::vector<std::string> files_in_directory(const std::string& dir, const std::string& ending);
// Both exist and are one file (links followed)
bool same_file(const std::string& a, const std::string& b);
// Relative paths joined to the working directory
std::string absolute_path(const std::string& path);

// ---- Output files the user names: traces, recordings, captures, sound files ----
// A planted symbolic link must not redirect an output onto another file: a final link to a
// regular file (or to nothing) is refused or replaced, never followed.
// The absolute form of path without "." or empty components, its directory's links resolved
// where that directory exists (else ".." taken away lexically): two spellings of one file
// that does not exist yet give the same text.
std::string normalised_path(const std::string& path);
// Why create_output_file would refuse path, without creating or changing anything; "" when
// it would go ahead as far as can be told now.
std::string output_file_problem(const std::string& path);
// Creates path, or empties it, for writing; -1 with the reason in *failure. A final symbolic
// link is written only when it leads to something that cannot be emptied (a terminal, a pipe,
// a device); a regular file with other hard links is refused. A pipe waits for its reader.
int create_output_file(const std::string& path, std::string* failure = nullptr);
// The same as a stream for binary writes; nullptr with the reason in *failure
std::FILE* create_output_stream(const std::string& path, std::string* failure = nullptr);
// For an output another module writes by its name: makes a private folder beside target and
// sets staged to the name to write in it; false with the reason in *failure.
bool make_output_stage(const std::string& target, std::string& staged,
                       std::string* failure = nullptr);
// Renames staged over target (a link named target is replaced, not followed) and removes the
// stage's folder either way; false with the reason in *failure (a staged file never written
// is no failure: nothing is put in place).
bool commit_output_stage(const std::string& staged, const std::string& target,
                         std::string* failure = nullptr);

// ---- Scratch folders ----
// A new private folder (0700) in the temporary directory, named name_start, this process's id,
// "-" and six random characters; "" with the reason in *failure when none can be made. Folders
// of the same start that a process no longer running left behind (killed outright) are removed
// first, when they are the user's own.
std::string make_scratch_directory(const std::string& name_start, std::string* failure = nullptr);
// Removes dir and everything in it; links inside are removed, never followed. Best effort.
void remove_directory_tree(const std::string& dir);
// Copies the regular file from to the new file to with from's permission bits; false with the
// reason in *failure (to is then absent).
bool copy_file_with_permissions(const std::string& from, const std::string& to,
                                std::string* failure = nullptr);

// ---- Locks between running copies of the program ----
// A lock held while a file is re-read, changed and replaced, so that two copies of the program
// saving the same file at once take turns instead of one losing the other's change. Advisory:
// only programs that take the same lock wait for it. Released by the destructor.
class FileLock {
public:
    FileLock() = default;
    FileLock(FileLock&& other) noexcept;
    FileLock& operator=(FileLock&& other) noexcept;
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    ~FileLock();
    bool held() const { return held_; }

private:
    friend FileLock lock_file(const std::string& path, int wait_ms, std::string* failure);
    std::intptr_t handle_ = -1;  // the open lock file's descriptor or HANDLE; -1 for none
    bool held_ = false;
};
// Locks path (a symbolic link is followed) through its lock file "." + name + ".lock" beside
// it, created when missing and never removed (a removed lock file would let a third copy lock
// a new file while the second still holds the old). Where no lock file can be made (a
// directory the user may not change, where saves overwrite the file in place) the file itself
// is locked. Waits up to wait_ms for another holder; a file system without locks counts as
// locked. Not held, with the reason in *failure, when the wait ran out or nothing could be
// opened.
FileLock lock_file(const std::string& path, int wait_ms, std::string* failure = nullptr);

}  // namespace platform
