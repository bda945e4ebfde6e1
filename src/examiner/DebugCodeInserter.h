#pragma once

#include "examiner/ExaminerLists.h"
#include "examiner/UnitFile.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vireo {

class MessageIdSource;
class TickSource;

// Reports progress of a long action: the position reached and the largest position.
using ExaminerProgress = std::function<void(int position, int maximum)>;

// Runs each on every selected item of a list, in list order, reporting progress over the whole
// list: position 0 before the first item, then one step for each item.
template <typename Items, typename Each>
void ForEachSelectedItem(Items& items, const ExaminerProgress& progress, Each each)
{
    const int maximum = items.empty() ? 0 : int(items.size()) - 1;
    if (progress)
        progress(0, maximum);
    int position = 0;
    for (auto& item : items) {
        if (progress)
            progress(position++, maximum);
        if (item.selected)
            each(item);
    }
}

// Lines of the UnitFileName constant block.
inline constexpr std::size_t kConstantBlockLines = 4;

// The text as the body of a Pascal string literal: every quote doubled.
std::string PascalQuoted(std::string_view text);

// The AddDebug call line without indentation. Every text argument is quoted for Pascal.
std::string BuildAddDebugCall(std::string_view message, std::string_view messageType, std::string_view second,
                              std::string_view id, std::string_view remoteComputer);

// Puts the UnitFileName constant block (empty line, Const, the constant, empty line) before the
// line preceding the implementation line, unless a line above it already declares the constant
// with this indentation. Returns the index of the block's first line when it was inserted.
std::optional<std::size_t> InsertUnitFileNameConst(UnitText& text, int indentation, std::string_view filePath);

// Put first in a program's uses clause with the client unit: on Unix only cthreads gives a Free
// Pascal program the thread manager that the client unit's sender thread needs; without it every
// AddDebug call sends on the calling thread.
inline constexpr std::string_view kThreadManagerUse = "{$IFDEF UNIX}cthreads,{$ENDIF}";

// Whether the text mentions cthreads anywhere, in any case (a program that does, even under a
// condition, has made its own choice and gets no kThreadManagerUse).
bool MentionsThreadManager(std::string_view text);

// Puts kThreadManagerUse directly after the first "uses" of a program (its first word is "program")
// that mentions no cthreads; "program" and "uses" count only outside comments and strings. Returns
// whether it did.
bool AddThreadManagerToProgram(UnitText& text);

// What adding the client unit did.
struct UsesEdit {
    // The text changed.
    bool changed = false;
    // Index of the line "uses Vireo;" inserted into a unit that had no uses clause.
    std::optional<std::size_t> insertedLine;
};

// Adds the client unit Vireo to the first uses clause, directly before the clause's closing ";",
// keeping the rest of that line; "uses" and ";" count only outside comments and strings; a program
// also gets its thread manager (AddThreadManagerToProgram). A unit
// without a uses clause gets the line "uses Vireo;" after its implementation line (after its
// interface line when the scanned implementation part starts above it). Nothing changes when any
// line mentions VIREO.
UsesEdit AddClientUnitToUses(UnitText& text);

// What a debug-code insertion is given besides the text and the list.
struct DebugInsertion {
    // Blanks put before every inserted call.
    int indentation = 2;
    // The remote computer text every call carries.
    std::string remoteComputer;
};

// What a debug-code insertion did.
struct DebugInsertionResult {
    // Calls inserted.
    int inserted = 0;
    // Selected items left unchanged: no line after them, no begin line below a header, an
    // exception handler made of "on ... do" clauses, where a statement would not compile, or an
    // EXCEPT that stands only in a comment or a string.
    int skipped = 0;
};

// Inserts an AddDebug call for every selected item of a Procedures, Functions or Exceptions list,
// top down, in one pass over the text: after the routine's begin line, or directly after the
// handler's EXCEPT keyword (on its line when code follows there, else as the next line). Each
// item's line number is shifted by the calls inserted above it and written back. Calls an ID from
// ids and pauses the clock after every call.
DebugInsertionResult InsertDebugCalls(UnitText& text, ExaminerList& items, bool exceptionList,
                                      const DebugInsertion& settings, MessageIdSource& ids, TickSource& clock,
                                      const ExaminerProgress& progress);

} // namespace vireo
