#pragma once

#include <cstddef>
#include <string_view>

namespace vireo {

// The length of the well-formed UTF-8 character at the start of text (no overlong forms,
// surrogates or values past U+10FFFF; NUL counts as a character), or 0 when there is none.
std::size_t Utf8CharacterLength(std::string_view text);

// Whether text is well-formed UTF-8 throughout.
bool IsUtf8(std::string_view text);

} // namespace vireo
