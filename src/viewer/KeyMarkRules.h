#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vireo {

// One user key mark: a bookmark on a line of a unit, as the key-marks list holds it.
struct KeyMark {
    std::string Caption;     // line text without leading blanks, or the user's description
    std::string LineNumber;  // 1-based line number as decimal text
    std::string UnitName;    // path of the unit the mark was set in
    std::string Description; // line text without leading blanks for a described mark, else empty
};

// The marked line's text as it was when the mark was set.
std::string_view KeyMarkLineText(const KeyMark& mark);

// Whether some mark sits on this line: same unit and line text ignoring ASCII case (the line
// without its leading spaces), and the same line-number text.
bool HasKeyMark(const std::vector<KeyMark>& marks, std::string_view lineText,
                std::string_view lineNumber, std::string_view unit);

} // namespace vireo
