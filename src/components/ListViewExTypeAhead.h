#pragma once

#include "components/AsciiText.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace vireo {

// The text typed so far to find a row by the beginning of its key. Characters typed within
// 1000 ms of the previous one extend the text; a longer pause starts it again.
class TTypeAhead {
public:
    // Pause after which a character starts a new text, in milliseconds.
    static constexpr int64_t ResetAfterMs = 1000;

    // Adds characters typed at tick nowMs and returns the text to search for.
    std::string_view Type(std::string_view characters, int64_t nowMs);

    // The text typed so far.
    std::string_view Text() const { return text_; }

private:
    std::string text_;
    int64_t lastMs_ = 0;
};

// First row from start to count - 1 whose key begins with text, ignoring ASCII letter case;
// -1 when none does. The search does not wrap to the top.
template <class KeyAt>
int FindRowByPrefix(int start, int count, std::string_view text, KeyAt keyAt)
{
    for (int row = start < 0 ? 0 : start; row < count; ++row)
        if (StartsWithTextAscii(keyAt(row), text))
            return row;
    return -1;
}

} // namespace vireo
