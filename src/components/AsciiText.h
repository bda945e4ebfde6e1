#pragma once

#include <string>
#include <string_view>

namespace vireo {

// Upper-cases the ASCII letters a to z only; every other byte (UTF-8 included) stays as it is.
// Inline: text comparisons over a whole store call it for every byte.
inline char UpperCaseAscii(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}
std::string UpperCaseAscii(std::string_view text);

// Whether two texts are equal once both are upper-cased with ASCII rules. Does not allocate.
bool SameTextAscii(std::string_view a, std::string_view b);

// Whether text begins with prefix, ignoring ASCII letter case. Does not allocate.
bool StartsWithTextAscii(std::string_view text, std::string_view prefix);

// The text without its leading spaces (code 32 only); a text of spaces only is returned whole.
std::string StripLeadingBlanks(std::string_view text);

} // namespace vireo
