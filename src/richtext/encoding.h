// Byte-level text decoding shared by the RTF reader: Windows code pages and UTF-8.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace richtext {

inline constexpr char32_t kReplacementCharacter = 0xFFFD;

// The character of one byte in a Windows code page (1250, 1251 or 1252; any other
// code page is read as 1252). Bytes the code page leaves undefined give U+FFFD.
char32_t DecodeByte(int codePage, unsigned char byte);

bool IsSupportedCodePage(int codePage);

// Appends the UTF-8 form of a code point; surrogates and values past U+10FFFF become U+FFFD.
void AppendUtf8(std::string& out, char32_t cp);

// Length of the well-formed UTF-8 sequence starting at `at` (which must be inside the text),
// or 0 if the bytes there are not one.
std::size_t Utf8SequenceLength(std::string_view text, std::size_t at);

bool IsValidUtf8(std::string_view text);

}  // namespace richtext
