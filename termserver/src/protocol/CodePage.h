#pragma once
// Single-byte code pages of the library's 8-bit text and of the wire, and the UTF-16 and
// UTF-8 conversions around them. The wire always carries Windows-1252, the code page of the
// terminal's display.

#include <string>
#include <string_view>

namespace termserver::codepage {

enum class CodePage { Windows1252, Latin1 };

char32_t decodeByte(unsigned char byte, CodePage page);
// The Windows-1252 byte of a character, or '?' when the code page has none.
char encodeWindows1252(char32_t ch);

std::u32string decode(std::string_view bytes, CodePage page);
std::string toWindows1252(std::u32string_view text);
std::string toUtf8(std::u32string_view text);
// Windows-1252 bytes (as on the wire) to UTF-8 text.
std::string windows1252ToUtf8(std::string_view bytes);

// Decodes zero-terminated UTF-16 up to its terminator or maxChars characters, whichever
// comes first; a null pointer is empty text. Unpaired surrogates become U+FFFD.
std::u32string decodeUtf16(const char16_t* text, std::size_t maxChars);
// The same for zero-terminated 8-bit text.
std::u32string decodeZeroTerminated(const char* text, std::size_t maxChars, CodePage page);

} // namespace termserver::codepage
