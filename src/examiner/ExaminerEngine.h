#pragma once

#include "examiner/DebugCodeInserter.h"
#include "examiner/ExaminerLists.h"
#include "examiner/UnitFile.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vireo {

class MessageIdSource;
class TickSource;

// What an engine's edits are given besides the text and the lists; the referenced objects must
// outlive the call.
struct EngineCalls {
    // Blanks before every inserted line and the remote computer text of every call.
    const DebugInsertion& settings;
    // The unit's path as the UnitFileName constant names it.
    std::string_view filePath;
    // Gives every call its ID.
    MessageIdSource& ids;
    // Paused after every call where the line rules wait.
    TickSource& clock;
    // Receives progress over the list worked on.
    const ExaminerProgress& progress;
};

// One way of reading a unit: it fills the examiner's lists and makes its insertions. The line
// rules and the Pascal reading are its two forms; the examiner holds one and swaps it when the
// user changes the mode.
class ExaminerEngine {
public:
    virtual ~ExaminerEngine() = default;

    // Fills every list but Custom from the text.
    virtual void Scan(const std::vector<std::string>& lines, ExaminerLists& lists) const = 0;
    // Adds the client unit to the uses clause and the UnitFileName constant, each unless present,
    // before code marks are replaced; the lists keep pointing at their lines. An engine may leave
    // this to its ReplaceCodeMarks, so that a run that replaces nothing changes nothing.
    virtual void PrepareForCalls(UnitText& text, ExaminerLists& lists, const EngineCalls& calls) const = 0;
    // Prepares the unit as above and inserts a debug call for every selected item of the list of
    // that kind (Procedures, Functions or Exceptions); without a kind the line rules only prepare,
    // the Pascal reading changes nothing. The lists need a rescan afterwards.
    virtual DebugInsertionResult InsertDebugCalls(UnitText& text, ExaminerLists& lists,
                                                  std::optional<ExaminerListKind> kind,
                                                  const EngineCalls& calls) const = 0;
    // Replaces the selected items of the CodeMarks list by debug calls; the lists follow the lines
    // removed. Returns the number of marks replaced.
    virtual int ReplaceCodeMarks(UnitText& text, ExaminerLists& lists, const EngineCalls& calls) const = 0;
};

} // namespace vireo
