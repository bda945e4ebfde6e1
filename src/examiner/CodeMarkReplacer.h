#pragma once

#include "examiner/DebugCodeInserter.h"
#include "examiner/SourceScanner.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vireo {

// One kind of code mark: the text that opens it, the message type it writes and how many
// characters lead from the mark's start to its message.
struct CodeMarkKind {
    // The mark's opening text, upper-cased, such as {T=WARN.
    std::string_view text;
    // The message type written into the call, such as mtWarning.
    std::string_view messageType;
    // Characters from the mark's first character to its message (the mark text and four more).
    std::size_t skip;
};

// The four code marks, in the order they are tested.
inline constexpr std::array<CodeMarkKind, 4> kCodeMarkKinds = {{
    {"{T=GENERAL", "mtGeneral", 14},
    {"{T=INFO", "mtInfo", 11},
    {"{T=WARN", "mtWarning", 11},
    {"{T=ERROR", "mtError", 12},
}};

// A code mark as read from its line.
struct CodeMark {
    // 0-based offset of the mark's opening brace in the line.
    std::size_t start = 0;
    // 0-based offset just past the mark's closing brace, or the line's length when it has none.
    std::size_t end = 0;
    // The message type the mark asks for.
    std::string_view messageType;
    // The message, "No Message" when the mark gives none.
    std::string message;
    // The second value, empty when none is given.
    std::string second;
};

// Reads the code mark on a line. Of the four mark texts the last one found decides, taken from
// its first occurrence. Empty when the line holds none.
std::optional<CodeMark> ReadCodeMark(std::string_view line);

// Replaces every selected mark of the list by an AddDebug call: the line keeps what stood before
// the mark and what follows its closing brace. Lines that no longer hold a mark stay as they are.
// Returns the number of marks replaced.
int ReplaceCodeMarks(std::vector<std::string>& lines, const ExaminerList& marks, const DebugInsertion& settings,
                     MessageIdSource& ids, TickSource& clock, const ExaminerProgress& progress);

} // namespace vireo
