#pragma once

#include "examiner/DebugCodeInserter.h"
#include "examiner/ExaminerLists.h"

#include <cstddef>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace vireo {

class MessageIdSource;

// For every line of a text before a change, the index of that line after it.
using LineMap = std::vector<std::size_t>;

// The Pascal-aware scans: routines with a body (constructors, destructors, class methods and
// operators included), exception handlers and for, while and repeat statements as the Pascal
// reader finds them, so that comments and strings make no item; code marks are comments that
// open with one. The Custom list is left alone.
void ScanPascalUnit(const std::vector<std::string>& lines, ExaminerLists& lists);

// For every line where a comment opens with a code mark, the 0-based column of the mark that its
// replacement takes, so that a mark's text in a string or inside another comment is left alone.
std::map<std::size_t, std::size_t> PascalCodeMarkColumns(const std::vector<std::string>& lines);

// Adds the client unit Vireo to the real uses clause (interface first, else implementation, else
// a new "uses Vireo;" after implementation; a program's own uses, which starts with
// kThreadManagerUse unless the text mentions cthreads) and the UnitFileName constant block before
// the implementation line (a program's after its uses), each unless present.
LineMap PreparePascalUnitForCalls(std::vector<std::string>& lines, int indentation, std::string_view filePath);

// Puts an AddDebug call (its message type named as Vireo.mtGeneral, Vireo.mtError) after the
// begin of every selected routine of a Procedures or Functions list, or at the start of every
// selected exception handler: after except, or after the begin of each "on ... do begin" clause. A routine or handler that already
// starts with an AddDebug call gets none; items of routines sharing a header line are told apart
// by their order; methods of records, old-style objects and helpers get theirs like any other (the
// client unit takes such a Self). Once a call goes in, the unit is prepared as above; without one
// the text is left as it was. The text is read once and changed once; nothing waits.
// lineMap, when given, receives where each line went.
DebugInsertionResult InsertPascalDebugCalls(std::vector<std::string>& lines, const ExaminerList& items,
                                            ExaminerListKind kind, const DebugInsertion& settings,
                                            std::string_view filePath, MessageIdSource& ids,
                                            const ExaminerProgress& progress, LineMap* lineMap = nullptr);

// Moves every item of the lists to the line its line became.
void RemapItemLines(ExaminerLists& lists, const LineMap& map);

} // namespace vireo
