#pragma once

#include "examiner/ExaminerLists.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vireo {

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
