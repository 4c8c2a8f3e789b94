// File-system services for the runtime: the temporary directory, case-insensitive name
// lookup and crash-safe whole-file writes. POSIX only; no SDL needed here.
#pragma once
#include <cstddef>
#include <string>

namespace platform {

std::string temp_directory();  // $TMPDIR if set and non-empty, else "/tmp"; no trailing "/"

// A name that exists as written is returned unchanged. Otherwise, when the directory part
// exists and holds exactly one or more entries whose last component differs only in ASCII
// letter case, the first of them in sorted order is returned. Else the name unchanged.
std::string resolve_name_ignoring_case(const std::string& name);

// Writes data to a temporary file beside path and renames it over path, so that a crash or a
// full disk leaves either the old file or the new one, never a partial one. A symbolic link
// is followed and its target replaced. Keeps the permissions of an existing file.
bool write_file_atomically(const std::string& path, const void* data, std::size_t size);

}  // namespace platform
