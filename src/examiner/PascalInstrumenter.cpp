#include "examiner/PascalInstrumenter.h"

#include "components/AsciiText.h"
#include "examiner/CodeMarkKinds.h"
#include "examiner/PascalReader.h"
#include "examiner/TickSource.h"

#include <algorithm>
#include <map>
#include <unordered_map>
#include <utility>

namespace vireo {

namespace {

// The calls name their message types through the client unit.
constexpr std::string_view kGeneralType = kCodeMarkKinds[0].qualifiedType;
constexpr std::string_view kErrorType = kCodeMarkKinds[3].qualifiedType;

// Text to put at a place of the text before the change; "\n" starts a new line.
struct Insertion {
    std::size_t line;
    std::size_t column;
    std::string text;
};

std::string LeadingBlanks(const std::string& line)
{
    return line.substr(0, line.size() - StripLeadingBlanks(line).size());
}

// Puts the lines on their own after the token: below its line when nothing follows it there,
// else the rest of that line moves below them with the line's indentation.
void InsertAfter(const PascalStructure& structure, const std::vector<std::string>& lines, std::size_t token,
                 const std::string& text, std::vector<Insertion>& out)
{
    const PascalToken& at = structure.tokens[token];
    if (EndsItsLine(structure, token))
        out.push_back({at.endLine, lines[at.endLine].size(), "\n" + text});
    else
        out.push_back({at.endLine, at.endColumn, "\n" + text + "\n" + LeadingBlanks(lines[at.endLine])});
}

// Makes every insertion in one pass over the text.
LineMap Apply(std::vector<std::string>& lines, std::vector<Insertion>& insertions)
{
    std::stable_sort(insertions.begin(), insertions.end(), [](const Insertion& a, const Insertion& b) {
        return a.line != b.line ? a.line < b.line : a.column < b.column;
    });
    LineMap map(lines.size());
    std::vector<std::string> result;
    result.reserve(lines.size() + insertions.size() * 2);
    std::size_t next = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        map[i] = result.size();
        if (next == insertions.size() || insertions[next].line != i) {
            result.push_back(std::move(lines[i]));
            continue;
        }
        std::string current;
        std::size_t from = 0;
        for (; next < insertions.size() && insertions[next].line == i; ++next) {
            const std::size_t column = std::min(insertions[next].column, lines[i].size());
            current.append(lines[i], from, column - from);
            from = column;
            for (const char c : insertions[next].text) {
                if (c == '\n')
                    result.push_back(std::exchange(current, std::string()));
                else
                    current += c;
            }
        }
        current.append(lines[i], from);
        result.push_back(std::move(current));
    }
    lines = std::move(result);
    return map;
}

std::string ConstantBlock(int indentation, std::string_view filePath)
{
    return "\nConst\n" + std::string(std::size_t(std::max(indentation, 0)), ' ') + "UnitFileName = '" +
           PascalQuoted(filePath) + "';\n";
}

void PlanUnitPreparation(const PascalStructure& structure, const std::vector<std::string>& lines, int indentation,
                         std::string_view filePath, std::vector<Insertion>& out)
{
    const std::string constant = structure.hasUnitFileName ? std::string() : ConstantBlock(indentation, filePath);
    const auto usesEnd = structure.firstUsesEnd ? structure.firstUsesEnd : structure.implementationUsesEnd;
    if (!structure.usesVireo && usesEnd) {
        const PascalToken& semicolon = structure.tokens[*usesEnd];
        out.push_back({semicolon.line, semicolon.column, ", Vireo"});
    }
    const bool newUses = !structure.usesVireo && !usesEnd;
    const bool threadManager =
        structure.isProgram && !structure.usesVireo &&
        std::none_of(lines.begin(), lines.end(), [](const std::string& line) { return MentionsThreadManager(line); });
    if (threadManager && structure.firstUses) {
        const PascalToken& uses = structure.tokens[*structure.firstUses];
        out.push_back({uses.endLine, uses.endColumn, " " + std::string(kThreadManagerUse)});
    }
    if (structure.isUnit) {
        if (!structure.implementation)
            return;
        const PascalToken& implementation = structure.tokens[*structure.implementation];
        if (!constant.empty())
            out.push_back({implementation.line, implementation.column, constant + "\n"});
        if (newUses)
            InsertAfter(structure, lines, *structure.implementation, "uses Vireo;", out);
        return;
    }
    // A program or library: the constant follows its uses clause, or the header; a program's uses
    // clause starts with cthreads unless it mentions it.
    const std::string uses = threadManager ? "uses " + std::string(kThreadManagerUse) + " Vireo;\n" : "uses Vireo;\n";
    const std::string text = (newUses ? uses : "") + constant;
    const auto anchor = usesEnd ? usesEnd : structure.headerEnd;
    if (text.empty())
        return;
    if (anchor)
        InsertAfter(structure, lines, *anchor, text, out);
    else
        out.push_back({0, 0, text + "\n"});
}

std::string HandlerMessage(const std::vector<std::string>& lines, const PascalHandler& handler)
{
    return handler.routineLine ? "Exception in " + StripLeadingBlanks(lines[*handler.routineLine])
                               : std::string("Exception");
}

bool CallFollows(const PascalStructure& structure, std::size_t token)
{
    const std::size_t next = NextCodeToken(structure, token);
    return next < structure.tokens.size() && structure.tokens[next].kind == PascalTokenKind::Word &&
           structure.tokens[next].word == PascalWord::AddDebug;
}

// The indices of the handlers (or routines of the list) by their line.
template <typename Entries, typename LineOf>
std::unordered_multimap<std::size_t, std::size_t> ByLine(const Entries& entries, LineOf lineOf)
{
    std::unordered_multimap<std::size_t, std::size_t> byLine;
    for (std::size_t i = 0; i < entries.size(); ++i)
        byLine.emplace(lineOf(entries[i]), i);
    return byLine;
}

// The item's place among the items of its list on its line, which stand together (the list is
// in line order).
std::size_t RankOnLine(const ExaminerList& items, const ExaminerItem& item)
{
    std::size_t rank = 0;
    for (const ExaminerItem* before = &item; before != items.data() && (before - 1)->line == item.line; --before)
        ++rank;
    return rank;
}

// Plans the calls of one selected item, the rank-th item of its list on its line (routines
// sharing a header line are told apart by their order); returns how many.
int PlanCalls(const PascalStructure& structure, const std::vector<std::string>& lines,
              const std::unordered_multimap<std::size_t, std::size_t>& byLine, const ExaminerItem& item,
              std::size_t rank, ExaminerListKind kind, const std::string& indent, const std::string& remote,
              MessageIdSource& ids, std::vector<Insertion>& out)
{
    const auto [first, last] = byLine.equal_range(std::size_t(item.line - 1));
    std::vector<std::size_t> matches;
    for (auto it = first; it != last; ++it)
        matches.push_back(it->second);
    std::sort(matches.begin(), matches.end());
    int calls = 0;
    for (const std::size_t index : matches) {
        if (kind != ExaminerListKind::Exceptions) {
            const PascalRoutine& routine = structure.routines[index];
            if (routine.list != kind || rank-- > 0)
                continue;
            if (routine.instrumented)
                return 0;
            InsertAfter(structure, lines, routine.begin,
                        indent + BuildAddDebugCall(lines[routine.headerLine], kGeneralType, "", ids.NextId(), remote),
                        out);
            return 1;
        }
        const PascalHandler& handler = structure.handlers[index];
        for (const std::size_t after : handler.callAfter) {
            if (CallFollows(structure, after))
                continue;
            InsertAfter(structure, lines, after,
                        indent + BuildAddDebugCall(HandlerMessage(lines, handler), kErrorType, "", ids.NextId(), remote),
                        out);
            ++calls;
        }
    }
    return calls;
}

void AddItems(ExaminerList& list, ExaminerListKind kind, const std::vector<std::string>& lines,
              const std::vector<std::size_t>& at)
{
    list.clear();
    for (const std::size_t line : at) {
        if (!list.empty() && list.back().line == int(line + 1))
            continue;
        ExaminerItem item;
        item.line = int(line + 1);
        if (ListHasName(kind))
            item.name = StripLeadingBlanks(lines[line]);
        list.push_back(std::move(item));
    }
}

// A comment that opens with a code mark: where it starts and the mark's index in kCodeMarkKinds.
struct MarkComment {
    std::size_t line;
    std::size_t column;
    std::size_t kind;
};

// The comments that open with a code mark, in text order; in a unit, from the implementation part on.
std::vector<MarkComment> MarkComments(const PascalStructure& structure, const std::vector<std::string>& lines)
{
    std::vector<MarkComment> at;
    const std::size_t start = structure.isUnit ? structure.implementation.value_or(structure.tokens.size()) : 0;
    for (std::size_t i = start; i < structure.tokens.size(); ++i) {
        const PascalToken& token = structure.tokens[i];
        if (token.kind != PascalTokenKind::Comment)
            continue;
        const std::string_view text = std::string_view(lines[token.line]).substr(token.column);
        for (std::size_t k = 0; k < kCodeMarkKinds.size(); ++k)
            if (StartsWithTextAscii(text, kCodeMarkKinds[k].text))
                at.push_back({token.line, token.column, k});
    }
    return at;
}

} // namespace

void ScanPascalUnit(const std::vector<std::string>& lines, ExaminerLists& lists)
{
    const PascalStructure structure = ReadPascal(lines);
    lists[ExaminerListKind::Procedures].clear();
    lists[ExaminerListKind::Functions].clear();
    for (const auto& routine : structure.routines) {
        ExaminerItem item;
        item.name = lines[routine.headerLine];
        item.line = int(routine.headerLine + 1);
        item.instrumented = routine.instrumented;
        lists[routine.list].push_back(std::move(item));
    }
    std::vector<std::size_t> handlerLines;
    for (const auto& handler : structure.handlers)
        handlerLines.push_back(structure.tokens[handler.except].line);
    AddItems(lists[ExaminerListKind::Exceptions], ExaminerListKind::Exceptions, lines, handlerLines);
    AddItems(lists[ExaminerListKind::Fors], ExaminerListKind::Fors, lines, structure.fors);
    AddItems(lists[ExaminerListKind::Whiles], ExaminerListKind::Whiles, lines, structure.whiles);
    AddItems(lists[ExaminerListKind::Repeats], ExaminerListKind::Repeats, lines, structure.repeats);
    std::vector<std::size_t> markLines;
    for (const auto& mark : MarkComments(structure, lines))
        markLines.push_back(mark.line);
    AddItems(lists[ExaminerListKind::CodeMarks], ExaminerListKind::CodeMarks, lines, markLines);
}

// Of the kinds found on a line the last in kCodeMarkKinds wins, at its first comment, as the line
// rules pick among the marks of a line.
std::map<std::size_t, std::size_t> PascalCodeMarkColumns(const std::vector<std::string>& lines)
{
    std::map<std::size_t, MarkComment> chosen;
    for (const auto& mark : MarkComments(ReadPascal(lines), lines)) {
        const auto [at, added] = chosen.try_emplace(mark.line, mark);
        if (!added && mark.kind > at->second.kind)
            at->second = mark;
    }
    std::map<std::size_t, std::size_t> columns;
    for (const auto& [line, mark] : chosen)
        columns.emplace_hint(columns.end(), line, mark.column);
    return columns;
}

LineMap PreparePascalUnitForCalls(std::vector<std::string>& lines, int indentation, std::string_view filePath)
{
    const PascalStructure structure = ReadPascal(lines);
    std::vector<Insertion> insertions;
    PlanUnitPreparation(structure, lines, indentation, filePath, insertions);
    return Apply(lines, insertions);
}

DebugInsertionResult InsertPascalDebugCalls(std::vector<std::string>& lines, const ExaminerList& items,
                                            ExaminerListKind kind, const DebugInsertion& settings,
                                            std::string_view filePath, MessageIdSource& ids,
                                            const ExaminerProgress& progress, LineMap* lineMap)
{
    const PascalStructure structure = ReadPascal(lines);
    std::vector<Insertion> insertions;
    const auto byLine = kind == ExaminerListKind::Exceptions
                            ? ByLine(structure.handlers,
                                     [&](const PascalHandler& h) { return std::size_t(structure.tokens[h.except].line); })
                            : ByLine(structure.routines, [](const PascalRoutine& r) { return r.headerLine; });
    const std::string indent(std::size_t(std::max(settings.indentation, 0)), ' ');
    DebugInsertionResult result;
    ForEachSelectedItem(items, progress, [&](const ExaminerItem& item) {
        const std::size_t rank = RankOnLine(items, item);
        const int calls = PlanCalls(structure, lines, byLine, item, rank, kind, indent, settings.remoteComputer, ids,
                                    insertions);
        result.inserted += calls;
        result.skipped += calls == 0 ? 1 : 0;
    });
    // Without a call the unit needs neither the client unit nor the constant.
    if (result.inserted > 0)
        PlanUnitPreparation(structure, lines, settings.indentation, filePath, insertions);
    LineMap map = Apply(lines, insertions);
    if (lineMap)
        *lineMap = std::move(map);
    return result;
}

void RemapItemLines(ExaminerLists& lists, const LineMap& map)
{
    for (std::size_t k = 0; k < kExaminerListCount; ++k) {
        for (auto& item : lists[ExaminerListKind(k)])
            if (item.line >= 1 && std::size_t(item.line) <= map.size())
                item.line = int(map[std::size_t(item.line - 1)] + 1);
    }
}

} // namespace vireo
