#pragma once

#include "examiner/DebugCodeInserter.h"
#include "examiner/ExaminerLists.h"

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vireo {

// One column of an examiner list: its caption and its width in pixels.
struct ExaminerColumn {
    // The header text.
    std::string_view caption;
    // The width the column starts with.
    int width;
};

// The columns of a list: Unit Name and Line, with Name between them where the list keeps names.
std::span<const ExaminerColumn> ExaminerListColumns(ExaminerListKind kind);

// The caption of the list's tab ("Procedures", "For Statements", ...).
std::string_view ExaminerTabCaption(ExaminerListKind kind);

// The object name of the list's tab (TabSheet_Procedures, TabSheet_Function, ...).
std::string_view ExaminerTabName(ExaminerListKind kind);

// The object name of the list (ListView_Procedures, ...).
std::string_view ExaminerListName(ExaminerListKind kind);

// The text an item shows in a column: the unit name, the Name text, or the line number.
std::string ExaminerCellText(ExaminerListKind kind, const ExaminerItem& item, int column,
                             std::string_view unitName);

// The line of the selected item nearest the top of the list; none when nothing is selected.
std::optional<int> FirstSelectedLine(const ExaminerList& list);

// Hands every line to append in order, reporting progress from 0 up to the number of lines, as
// the Line Finder and the Review window copy the working text.
void CopyLinesWithProgress(const std::vector<std::string>& lines, const ExaminerProgress& progress,
                           const std::function<void(const std::string& line)>& append);

} // namespace vireo
