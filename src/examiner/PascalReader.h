#pragma once

#include "examiner/ExaminerLists.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vireo {

// What a token of Pascal text is. Inactive: any token (comments and directives other than the
// conditional ones included) in a branch of {$ifdef}, {$if} ... that the compiler skips.
enum class PascalTokenKind : std::uint8_t { Word, Number, String, Symbol, Comment, Directive, Inactive };

// The words the structure reader tells apart; every other word is Other.
enum class PascalWord : std::uint8_t {
    Other, AddDebug, Asm, Begin, Case, Class, Const, Constructor, CppClass, Destructor, DispInterface, Do, Else,
    End, Except, Exports, External, For, Forward, Function, Generic, Helper, Implementation, Initialization, Finalization,
    Interface, Label, Library, ObjcCategory, ObjcClass, ObjcProtocol, Object, Of, On, Operator, Procedure, Program,
    Property, Record, Repeat, ResourceString, ThreadVar, Try, Type, Unit, UnitFileName, Uses, Var, Vireo, While,
};

// One token: where it starts and ends in the text (0-based lines and byte columns, end exclusive).
// Only comments span lines.
struct PascalToken {
    std::uint32_t line = 0;
    std::uint32_t column = 0;
    std::uint32_t endLine = 0;
    std::uint32_t endColumn = 0;
    PascalTokenKind kind = PascalTokenKind::Symbol;
    PascalWord word = PascalWord::Other;
    // The character of a one-character symbol.
    char symbol = 0;
};

// A routine with a begin...end body.
struct PascalRoutine {
    // The Procedures list (procedures, constructors, destructors) or the Functions list (functions, operators).
    ExaminerListKind list = ExaminerListKind::Procedures;
    // Line of the header's first word (class or the routine's keyword).
    std::size_t headerLine = 0;
    // Token index of the body's begin.
    std::size_t begin = 0;
    // The first statement of the body calls AddDebug.
    bool instrumented = false;
};

// An except part of a try statement.
struct PascalHandler {
    // Token index of except.
    std::size_t except = 0;
    // The handler is a list of "on ... do" clauses.
    bool onClauses = false;
    // Tokens a call goes after: except itself, or the begin of each "on ... do begin" clause.
    std::vector<std::size_t> callAfter;
    // Header line of the routine holding it, none in a main or initialization block.
    std::optional<std::size_t> routineLine;
};

// What the reader found in a unit, program or library.
struct PascalStructure {
    // Every token, comments and directives included, in text order.
    std::vector<PascalToken> tokens;
    // The text starts with "unit" (else it is a program or a library).
    bool isUnit = false;
    // The text is a program: it starts with "program", or with no header at all.
    bool isProgram = false;
    // Token index of the ";" ending the "unit", "program" or "library" header.
    std::optional<std::size_t> headerEnd;
    // Token index of the implementation keyword.
    std::optional<std::size_t> implementation;
    // Token index of the word "uses" of the interface part's (or a program's) uses clause.
    std::optional<std::size_t> firstUses;
    // Token index of the ";" ending the uses clause of the interface part (or of a program).
    std::optional<std::size_t> firstUsesEnd;
    // Token index of the ";" ending the uses clause of the implementation part.
    std::optional<std::size_t> implementationUsesEnd;
    // A uses clause names the client unit Vireo.
    bool usesVireo = false;
    // The constant UnitFileName is declared.
    bool hasUnitFileName = false;
    // Routines with a begin...end body, in header order.
    std::vector<PascalRoutine> routines;
    // Exception handlers, in text order.
    std::vector<PascalHandler> handlers;
    // Lines holding a for, while or repeat statement, in text order (a line may repeat).
    std::vector<std::size_t> fors, whiles, repeats;
};

// Reads the tokens and the structure of Pascal text. Comments, strings, directives and text in
// skipped conditional branches never count as code; {$mode delphi} and {$mode tp} turn off nested
// { } comments, which other modes allow.
PascalStructure ReadPascal(const std::vector<std::string>& lines);

// Index of the first token after the given one that is neither a comment nor a directive; the
// token count when there is none.
std::size_t NextCodeToken(const PascalStructure& structure, std::size_t token);

// Whether the next token after the given one starts on a later line (or there is none).
bool EndsItsLine(const PascalStructure& structure, std::size_t token);

} // namespace vireo
