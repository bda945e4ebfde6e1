#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace vireo {

// The examiner's eight lists, in the order of its tabs.
enum class ExaminerListKind { Procedures, Functions, Exceptions, Fors, Whiles, Repeats, Custom, CodeMarks };

// How many lists the examiner has.
inline constexpr std::size_t kExaminerListCount = 8;

// Whether items of the list carry a Name text (Exceptions and Repeats keep only the line).
bool ListHasName(ExaminerListKind kind);

// One row of an examiner list. Its Unit Name column is the examiner's current unit name.
struct ExaminerItem {
    // The Name column: the header as written, or the line without its leading blanks.
    std::string name;
    // 1-based line number in the working text at the time of the scan.
    int line = 0;
    // The routine's first body line already holds a debug call (Procedures and Functions only).
    bool instrumented = false;
    // The user chose this row.
    bool selected = false;
};

// The items of one list, in line order.
using ExaminerList = std::vector<ExaminerItem>;

// The eight lists, indexed by kind.
class ExaminerLists {
public:
    // The list of that kind.
    ExaminerList& operator[](ExaminerListKind kind) { return lists_[std::size_t(kind)]; }
    // The list of that kind, read-only.
    const ExaminerList& operator[](ExaminerListKind kind) const { return lists_[std::size_t(kind)]; }

private:
    std::array<ExaminerList, kExaminerListCount> lists_;
};

// Moves down by `count` every item of the lists whose line stands at or below the 1-based line
// `from`, after that many lines were inserted there.
void ShiftItemLines(ExaminerLists& lists, int from, int count);

// Moves every item up by the lines removed above it, and an item on a removed line to the line
// before that range, which took its text. removed holds (first 1-based line, count) pairs in
// ascending order, as numbered before the removal.
void FollowRemovedLines(ExaminerLists& lists, const std::vector<std::pair<int, int>>& removed);

} // namespace vireo
