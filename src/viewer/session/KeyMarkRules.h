#pragma once

#include "viewer/session/SourceNavigation.h"
#include "viewer/session/UnitSource.h"

#include <optional>
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

    bool operator==(const KeyMark&) const = default;
};

// The key marks in list order.
using KeyMarkList = std::vector<KeyMark>;

// The marked line's text as it was when the mark was set.
std::string_view KeyMarkLineText(const KeyMark& mark);

// Whether some mark sits on this line: same unit and line text ignoring ASCII case (the line
// without its leading spaces), and the same line-number text.
bool HasKeyMark(const KeyMarkList& marks, std::string_view lineText, std::string_view lineNumber,
                std::string_view unit);

// For every line of a unit, whether HasKeyMark holds for it. Costs one pass over the lines and
// one over the marks, so a large unit with many marks loads as fast as one without.
std::vector<bool> KeyMarkedLines(const KeyMarkList& marks, const UnitLines& lines, std::string_view unit);

// A plain key mark on a source line: captioned with the line without its leading spaces.
KeyMark PlainKeyMark(std::string_view lineText, int row, std::string_view unit);
// A described key mark: captioned with the user's description, the line text kept beside it.
KeyMark DescribedKeyMark(std::string description, std::string_view lineText, int row, std::string_view unit);

// A mark's line number read as a decimal integer, or nothing when it is not one (edited settings).
std::optional<int> KeyMarkLineNumber(const KeyMark& mark);

// Index of the first mark, in list order, on this line of the unit: same line text and unit
// ignoring ASCII case, and the same line number read as an integer. -1 when there is none.
int FindKeyMarkOnLine(const KeyMarkList& marks, std::string_view lineText, int row, std::string_view unit);

// Status text for a key mark whose line the unit does not have.
std::string KeyMarkLineNotFoundText(std::string_view unit);

// The source window as key-mark navigation drives it: a source pane whose LoadUnitSource leaves
// key-marked lines unmarked, which can also reveal a row without starting from the top, mark one
// row and report on the status bar.
class KeyMarkPane : public SourcePane {
public:
    using SourcePane::RevealSourceRow;
    // Selects and scrolls to a row with up to three following rows visible, from row 0 if asked.
    virtual void RevealSourceRow(int row, bool fromTop) = 0;
    // Gives a row the key-mark image.
    virtual void SetKeyMarkImage(int row) = 0;
    // Sets the status bar's text.
    virtual void SetStatusText(const std::string& text) = 0;
};

// Brings a key mark's line into view, loading its unit (unmarked) when another one is shown,
// and gives the line the key-mark image. A missing unit file changes nothing more (an emptied
// window stays empty); an unreadable one is reported like a message's; a line the unit does not
// have (a shorter file, or a line number that is no integer) is reported on the status bar.
// Returns whether the mark's line was revealed.
bool ShowKeyMark(const KeyMark& mark, KeyMarkPane& pane, UnitReader& reader);

// The key marks stored under "Vireo\KeyMarks\n" (n = 0, 1, ...), each value read with an empty
// default. Raises the registry's error for a value of the wrong type.
KeyMarkList ReadKeyMarks();
// Replaces every stored key mark by the given ones, numbered in list order.
void WriteKeyMarks(const KeyMarkList& marks);

} // namespace vireo
