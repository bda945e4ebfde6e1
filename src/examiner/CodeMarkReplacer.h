#pragma once

#include "examiner/DebugCodeInserter.h"
#include "examiner/ExaminerLists.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vireo {

// A code mark as read from the text. It may run over several lines.
struct CodeMark {
    // Line index of the mark's opening brace.
    std::size_t line = 0;
    // 0-based offset of the mark's opening brace in that line.
    std::size_t start = 0;
    // Line index holding the mark's closing brace (its own line when it has none).
    std::size_t endLine = 0;
    // 0-based offset just past the closing brace in endLine, or that line's length when the mark
    // has none.
    std::size_t end = 0;
    // The message type the mark asks for.
    std::string_view messageType;
    // The message, "No Message" when the mark gives none.
    std::string message;
    // The second value, empty when none is given.
    std::string second;
};

// Reads the code mark on a line. Of the four mark texts the last one found decides, taken from
// its first occurrence. The mark ends at the first "}" after its quoted message and second value
// (a "}" inside them does not end it), on whatever line that stands. Empty when the line holds none.
std::optional<CodeMark> ReadCodeMark(const std::vector<std::string>& lines, std::size_t line);

// Reads the code mark that opens at the 0-based column of the line, as ReadCodeMark reads the
// one it picks. Empty when no mark opens there.
std::optional<CodeMark> ReadCodeMarkAt(const std::vector<std::string>& lines, std::size_t line, std::size_t column);

// Finds and reads the code mark on a line of the text; empty when the line holds none.
using CodeMarkReader = std::function<std::optional<CodeMark>(const std::vector<std::string>& lines, std::size_t line)>;

// What a code-mark replacement did.
struct CodeMarkReplacement {
    // Marks replaced.
    int replaced = 0;
    // For each mark that ran over several lines, top down: the 1-based number (before the
    // removal) of the first line removed and how many lines were removed there.
    std::vector<std::pair<int, int>> removedLines;
};

// Replaces every selected mark of the list by an AddDebug call: the mark's first line keeps what
// stood before the mark, and what followed its closing brace joins it; the other lines of the
// mark are removed. Lines that no longer hold a mark, or that lie inside a mark replaced in the
// same run, stay as they are. Builds the new text in one pass. read finds each line's mark.
CodeMarkReplacement ReplaceCodeMarks(UnitText& text, const ExaminerList& marks, const DebugInsertion& settings,
                                     MessageIdSource& ids, TickSource& clock, const ExaminerProgress& progress,
                                     const CodeMarkReader& read = ReadCodeMark);

} // namespace vireo
