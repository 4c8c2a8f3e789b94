// Text in UTF-8 (the catalogues' encoding) turned into the single bytes the bitmap fonts draw:
// Windows-1252, or plain ASCII for a font of 128 cells. Pure functions, no locale.
#pragma once
#include <string>
#include <string_view>

// True when text is well-formed UTF-8: no overlong forms, no surrogates, nothing past U+10FFFF
bool utf8_valid(std::string_view text);

// One byte per character: Windows-1252 (Latin-1 plus the 27 characters it puts at 0x80..0x9F,
// such as the euro sign and typographic quotes and dashes); "?" for a character it lacks and
// for each byte of malformed UTF-8. The C1 controls U+0080..U+009F have no place either.
std::string utf8_to_cp1252(std::string_view text);
// The same for a font that has only the 128 ASCII cells: everything past U+007F becomes "?".
std::string utf8_to_ascii(std::string_view text);
