// UTF-8 (the program's text and file names) to UTF-16 (the Windows API's wide strings) and
// back. Plain C++, no system calls, so both directions are the same on every system; on
// systems whose wchar_t is wider, the strings hold the same 16-bit code units.
#pragma once
#include <string>

namespace platform {

// Every character of valid UTF-8 becomes its code unit or surrogate pair. A byte sequence that
// is not UTF-8 becomes U+FFFD, one per bad byte. An encoded lone surrogate (ED A0..BF xx, as
// narrow writes it) becomes that surrogate again, so every Windows file name round-trips.
std::wstring widen(const std::string& utf8);
// Surrogate pairs become one 4-byte character; a lone surrogate (which Windows allows in file
// names) is written as the 3-byte sequence of its value, which widen reads back.
std::string narrow(const std::wstring& utf16);

}  // namespace platform
