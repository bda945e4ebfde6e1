#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
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

// Line-based scans of a unit's text: each test runs on the upper-cased line, texts are taken as
// written. Comments and strings are not recognised. Every scan but the custom search looks only
// at the implementation part (from the first line holding the word IMPLEMENTATION on).
class SourceScanner {
public:
    // Scans the given text, which must stay unchanged while the scanner is used.
    explicit SourceScanner(const std::vector<std::string>& lines);

    // Procedure and function headers, each marked when its first body line calls AddDebug.
    void ScanRoutines(ExaminerList& procedures, ExaminerList& functions) const;
    // Lines where EXCEPT is followed by a blank or ends the line.
    void ScanExceptions(ExaminerList& list) const;
    // Lines holding FOR, :=, TO and DO anywhere.
    void ScanForStatements(ExaminerList& list) const;
    // Lines holding WHILE and DO anywhere.
    void ScanWhileStatements(ExaminerList& list) const;
    // Lines holding REPEAT.
    void ScanRepeatStatements(ExaminerList& list) const;
    // Lines holding a code mark ({T=GENERAL, {T=INFO, {T=WARN or {T=ERROR, in any case).
    void ScanCodeMarks(ExaminerList& list) const;
    // Every line of the whole text holding the search text, in any case; empty text finds nothing.
    void ScanCustomSearch(std::string_view search, ExaminerList& list) const;
    // The six scans of a rescan, in order; the Custom list is left alone.
    void ScanAll(ExaminerLists& lists) const;

private:
    template <typename Test>
    void ScanLines(ExaminerList& list, bool withName, Test test) const;

    const std::vector<std::string>& lines_;
    std::vector<std::string> upper_;
    std::size_t implementation_;
};

} // namespace vireo
