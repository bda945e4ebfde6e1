#pragma once

// The examiner's text matching on lines. Callers upper-case the line first; positions are 1-based,
// 0 means not found, an empty pattern is never found and a blank is the space character only.

#include "components/AsciiText.h"

#include <cstddef>
#include <string_view>

namespace vireo {

// Whether the pattern occurs anywhere in the text.
bool ContainsText(std::string_view pattern, std::string_view text);

// 1-based position of the pattern's first occurrence in the text, 0 when absent.
std::size_t TextPosition(std::string_view pattern, std::string_view text);

// Whether the word stands in the line as a blank-delimited word: the whole line, or starting the
// line or following a blank, and followed by a blank. A word that ends a longer line is not found.
bool HasWord(std::string_view word, std::string_view line);

// Whether the word occurs in the line followed by a blank or at the line's end.
bool HasWordEnd(std::string_view word, std::string_view line);

} // namespace vireo
