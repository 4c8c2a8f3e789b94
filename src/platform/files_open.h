// Files opened by their UTF-8 name as C streams, for the readers above the platform layer that
// parse a stream (pictures, sounds, fonts). A plain fopen would take the name in the system's
// 8-bit code page on Windows, where a name with an umlaut would not be found.
#pragma once
#include <cstdio>
#include <string>

namespace platform {

std::FILE* open_file_for_reading(const std::string& path);  // binary, "rb"; nullptr on failure

}  // namespace platform
