// UTF-8 text of the program to and from the UTF-16 the Windows API takes. Windows only;
// internal to src/platform/.
#pragma once
#include <string>

namespace platform {
std::wstring widen(const std::string& text);   // invalid UTF-8 becomes U+FFFD
std::string narrow(const std::wstring& text);  // unpaired surrogates become U+FFFD
}  // namespace platform
