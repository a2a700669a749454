#pragma once
// Text conversions. Operator texts are wide (UTF-16); stored texts (settings
// and data files) hold one byte per character, the low byte of each UTF-16
// unit, and are widened byte by byte when read.

#include <string>
#include <string_view>

namespace velox {

// One byte per character. A character outside the 8-bit range becomes '?'
// rather than an unrelated character sharing its low byte.
std::string toStoredBytes(std::u16string_view text);
// Each byte becomes one character.
std::u16string fromStoredBytes(std::string_view bytes);

std::string toUtf8(std::u16string_view text);

// printf-style formatting into a string of whatever length the text needs.
std::string formatText(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::u16string fromUtf8(std::string_view text);

}  // namespace velox
