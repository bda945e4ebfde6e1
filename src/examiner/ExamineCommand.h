#pragma once

#include "examiner/ExaminerLists.h"

#include <iosfwd>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace vireo {

// A command line the examiner's command cannot run; its text says why.
class ExamineUsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Items of one list chosen on the command line: their line numbers, or all of them.
struct LineChoice {
    // Every item of the list.
    bool all = false;
    // The chosen line numbers when not all.
    std::vector<int> lines;
};

// What the command line asks for.
struct ExamineOptions {
    // The unit or project to examine.
    std::string file;
    // Also list the lines matching this text (the Custom list).
    std::optional<std::string> search;
    // Print the project's unit paths only.
    bool units = false;
    // The list whose items get debug calls, and which of them.
    std::optional<ExaminerListKind> addDebugList;
    // The items of addDebugList that get debug calls.
    LineChoice addDebugLines;
    // The code marks to replace by debug calls.
    std::optional<LineChoice> replaceCodeMarks;
    // Blanks before inserted lines, 0 to 10.
    int indent = 2;
    // The remote computer text of inserted calls.
    std::string remote;
    // Read Pascal (comments, strings, nesting of routines) instead of using the line rules.
    bool pascal = false;
    // Print the rewritten text instead of saving it.
    bool toStdout = false;
    // Print the help text.
    bool help = false;
};

// The list's name on the command line and in listings, such as "procedures".
std::string_view ExamineListName(ExaminerListKind kind);

// Reads the arguments after the program name. Throws ExamineUsageError for a bad command line.
ExamineOptions ParseExamineArguments(const std::vector<std::string>& arguments);

// The help text: every option, with examples.
std::string ExamineHelpText();

// Runs the command: listings and the rewritten text go to out, messages to err. Returns the exit
// status: 0 done, 1 a file could not be read or written, 2 a bad command line or line number.
// Nothing is written when it fails.
int RunExamine(const ExamineOptions& options, std::ostream& out, std::ostream& err);

} // namespace vireo
