#include "examiner/DebugCodeInserter.h"

#include "examiner/TextMatching.h"
#include "examiner/TickSource.h"

#include <algorithm>

namespace vireo {

namespace {

// A call to insert directly after line `after` of the text as it was before any call.
struct PendingCall {
    std::size_t after;
    std::string text;
};

// A place in the text: line index and 0-based column.
struct TextPlace {
    std::size_t line;
    std::size_t column;
};

bool IsWordChar(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

// Whether the keyword (upper-case) stands at that column as a whole word, in any case.
bool IsWordAt(std::string_view line, std::size_t column, std::string_view keyword)
{
    if (column + keyword.size() > line.size() || (column > 0 && IsWordChar(line[column - 1])))
        return false;
    if (column + keyword.size() < line.size() && IsWordChar(line[column + keyword.size()]))
        return false;
    return SameTextAscii(line.substr(column, keyword.size()), keyword);
}

// The first place from `from` on, outside comments ({ }, (* *), //) and string literals, where
// found(place) holds; string literals are skipped whole. Comments may span lines.
template <typename Found>
std::optional<TextPlace> FindInCode(const std::vector<std::string>& lines, TextPlace from, Found found)
{
    std::string_view closing;
    for (std::size_t l = from.line; l < lines.size(); ++l) {
        const std::string& line = lines[l];
        for (std::size_t c = l == from.line ? from.column : 0; c < line.size(); ++c) {
            if (!closing.empty()) {
                if (line.compare(c, closing.size(), closing) == 0) {
                    c += closing.size() - 1;
                    closing = {};
                }
                continue;
            }
            if (line[c] == '{') {
                closing = "}";
            } else if (line.compare(c, 2, "(*") == 0) {
                closing = "*)";
                ++c;
            } else if (line.compare(c, 2, "//") == 0) {
                break;
            } else if (line[c] == '\'') {
                const auto end = line.find('\'', c + 1);
                c = end == std::string::npos ? line.size() : end;
            } else if (found(TextPlace {l, c})) {
                return TextPlace {l, c};
            }
        }
    }
    return std::nullopt;
}

// Where the handler's EXCEPT keyword ends on its line, when it stands there as code.
std::optional<std::size_t> ExceptKeywordEnd(const std::vector<std::string>& lines, std::size_t line)
{
    const auto at = FindInCode(lines, {line, 0}, [&](TextPlace p) {
        return p.line > line || IsWordAt(lines[line], p.column, "EXCEPT");
    });
    if (!at || at->line != line)
        return std::nullopt;
    return at->column + 6;
}

// A handler list of "on E: X do" clauses admits no plain statement in front of it.
bool HandlerStartsWithOn(const std::vector<std::string>& lines, TextPlace afterExcept)
{
    const auto first = FindInCode(lines, afterExcept, [&](TextPlace p) {
        const char c = lines[p.line][p.column];
        return c != ' ' && c != '\t';
    });
    return first && IsWordAt(lines[first->line], first->column, "ON");
}

// For every line, the nearest procedure or function header above it within the implementation
// part; lines.size() when there is none.
std::vector<std::size_t> EnclosingHeaders(const std::vector<std::string>& upper)
{
    std::vector<std::size_t> enclosing(upper.size());
    std::size_t last = upper.size();
    for (std::size_t i = 0; i < upper.size(); ++i) {
        enclosing[i] = last;
        if (HasWord("PROCEDURE", upper[i]) || HasWord("FUNCTION", upper[i]))
            last = i;
        else if (HasWord("IMPLEMENTATION", upper[i]))
            last = upper.size();
    }
    return enclosing;
}

std::vector<std::string> UpperLines(const std::vector<std::string>& lines)
{
    std::vector<std::string> upper;
    upper.reserve(lines.size());
    for (const auto& line : lines)
        upper.push_back(UpperCaseAscii(line));
    return upper;
}

std::vector<std::size_t> NextBeginLines(const std::vector<std::string>& upper)
{
    std::vector<std::size_t> next(upper.size() + 1, upper.size());
    for (std::size_t i = upper.size(); i-- > 0;)
        next[i] = HasWord("BEGIN", upper[i]) ? i : next[i + 1];
    return next;
}

// Puts each call after its line in one pass; calls after the same line stand in reverse order,
// the last one made directly below that line, as they would if inserted one after the other. An
// inserted line ends as the line above it did; after a last line without a break, it becomes the
// text's end instead.
void MergeCalls(UnitText& text, std::vector<PendingCall>& calls)
{
    if (calls.empty())
        return;
    text.FillBreaks();
    std::vector<std::string> lines;
    std::vector<LineBreak> breaks;
    lines.reserve(text.lines.size() + calls.size());
    breaks.reserve(lines.capacity());
    std::size_t next = 0;
    for (std::size_t i = 0; i < text.lines.size(); ++i) {
        lines.push_back(std::move(text.lines[i]));
        breaks.push_back(text.breaks[i]);
        std::size_t end = next;
        while (end < calls.size() && calls[end].after == i)
            ++end;
        for (std::size_t k = end; k-- > next;) {
            const LineBreak above = breaks.back();
            if (above == LineBreak::None)
                breaks.back() = text.style;
            lines.push_back(std::move(calls[k].text));
            breaks.push_back(above);
        }
        next = end;
    }
    text.lines = std::move(lines);
    text.breaks = std::move(breaks);
}

} // namespace

std::string PascalQuoted(std::string_view text)
{
    std::string quoted;
    quoted.reserve(text.size() + 2);
    for (const char c : text) {
        quoted += c;
        if (c == '\'')
            quoted += '\'';
    }
    return quoted;
}

std::string BuildAddDebugCall(std::string_view message, std::string_view messageType, std::string_view second,
                              std::string_view id, std::string_view remoteComputer)
{
    std::string call = "AddDebug(Self, '";
    call += PascalQuoted(message);
    call += "', ";
    call += messageType;
    call += ", '";
    call += PascalQuoted(second);
    call += "','";
    call += id;
    call += "',UnitFileName, '";
    call += PascalQuoted(remoteComputer);
    call += "');";
    return call;
}

std::optional<std::size_t> InsertUnitFileNameConst(UnitText& text, int indentation, std::string_view filePath)
{
    const std::string blanks(std::size_t(std::max(indentation, 0)), ' ');
    const std::string constantWord = blanks + "UNITFILENAME =";
    for (std::size_t i = 0; i < text.lines.size(); ++i) {
        const std::string upper = UpperCaseAscii(text.lines[i]);
        if (HasWord(constantWord, upper))
            return std::nullopt;
        if (HasWord("IMPLEMENTATION", upper)) {
            // Above the line preceding the implementation line, usually an empty one; a unit
            // that starts with the implementation line gets the block on top.
            const std::size_t at = i == 0 ? 0 : i - 1;
            text.InsertLines(at, {"", "Const", blanks + "UnitFileName = '" + PascalQuoted(filePath) + "';", ""});
            return at;
        }
    }
    return std::nullopt;
}

bool MentionsThreadManager(std::string_view text)
{
    return ContainsText("CTHREADS", UpperCaseAscii(text));
}

bool AddThreadManagerToProgram(UnitText& text)
{
    std::vector<std::string>& lines = text.lines;
    if (std::any_of(lines.begin(), lines.end(), [](const std::string& line) { return MentionsThreadManager(line); }))
        return false;
    const auto firstWord = FindInCode(lines, {0, 0}, [&](TextPlace p) { return IsWordChar(lines[p.line][p.column]); });
    if (!firstWord || !IsWordAt(lines[firstWord->line], firstWord->column, "PROGRAM"))
        return false;
    const auto uses = FindInCode(lines, *firstWord, [&](TextPlace p) { return IsWordAt(lines[p.line], p.column, "USES"); });
    if (!uses)
        return false;
    lines[uses->line].insert(uses->column + 4, " " + std::string(kThreadManagerUse));
    return true;
}

UsesEdit AddClientUnitToUses(UnitText& text)
{
    const std::vector<std::string>& lines = text.lines;
    std::size_t scannedImplementation = lines.size();
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string upper = UpperCaseAscii(lines[i]);
        if (ContainsText("VIREO", upper))
            return {};
        if (scannedImplementation == lines.size() && HasWord("IMPLEMENTATION", upper))
            scannedImplementation = i;
    }
    const auto keyword = [&](std::string_view word) {
        return FindInCode(lines, {0, 0}, [&](TextPlace p) { return IsWordAt(lines[p.line], p.column, word); });
    };
    if (const auto uses = keyword("USES")) {
        const auto semicolon = FindInCode(lines, {uses->line, uses->column + 4},
                                          [&](TextPlace p) { return lines[p.line][p.column] == ';'; });
        if (!semicolon)
            return {};
        text.lines[semicolon->line].insert(semicolon->column, ", Vireo");
        AddThreadManagerToProgram(text);
        return {true, std::nullopt};
    }
    // No uses clause at all: one of its own, where every inserted call can see it.
    auto place = keyword("IMPLEMENTATION");
    if (!place || place->line > scannedImplementation)
        place = keyword("INTERFACE");
    if (!place)
        return {};
    text.InsertLines(place->line + 1, {"uses Vireo;"});
    return {true, place->line + 1};
}

DebugInsertionResult InsertDebugCalls(UnitText& text, ExaminerList& items, bool exceptionList,
                                      const DebugInsertion& settings, MessageIdSource& ids, TickSource& clock,
                                      const ExaminerProgress& progress)
{
    DebugInsertionResult result;
    std::vector<std::string>& lines = text.lines;
    const std::vector<std::string> upper = UpperLines(lines);
    const std::vector<std::size_t> nextBegin = exceptionList ? std::vector<std::size_t>() : NextBeginLines(upper);
    const std::vector<std::size_t> enclosing = exceptionList ? EnclosingHeaders(upper) : std::vector<std::size_t>();
    const std::string indent(std::size_t(std::max(settings.indentation, 0)), ' ');
    const std::string_view messageType = exceptionList ? "mtError" : "mtGeneral";
    std::vector<PendingCall> calls;
    // Items come in ascending line order, so the calls' lines do too: those above an item are
    // counted once, as the walk goes down.
    std::size_t callsAbove = 0;
    ForEachSelectedItem(items, progress, [&](ExaminerItem& item) {
        const std::size_t header = std::size_t(std::max(item.line - 1, 0));
        while (callsAbove < calls.size() && calls[callsAbove].after < header)
            ++callsAbove;
        item.line = int(header + callsAbove + 1);
        if (header + 1 >= lines.size()) {
            ++result.skipped;
            return;
        }
        if (exceptionList) {
            // After the EXCEPT keyword itself: on its line when the handler goes on there,
            // else on a line of its own below it.
            const auto exceptEnd = ExceptKeywordEnd(lines, header);
            if (!exceptEnd || HandlerStartsWithOn(lines, {header, *exceptEnd})) {
                ++result.skipped;
                return;
            }
            const std::string routine = enclosing[header] < lines.size() ? StripLeadingBlanks(lines[enclosing[header]])
                                                                         : std::string();
            const std::string call = BuildAddDebugCall(routine.empty() ? "Exception" : "Exception in " + routine,
                                                       messageType, "", ids.NextId(), settings.remoteComputer);
            std::string& line = lines[header];
            if (line.find_first_not_of(" \t", *exceptEnd) == std::string::npos)
                calls.push_back({header, indent + call});
            else
                line.insert(*exceptEnd, " " + call);
        } else {
            const std::size_t after = nextBegin[header + 1];
            if (after >= lines.size()) {
                ++result.skipped;
                return;
            }
            calls.push_back({after, indent + BuildAddDebugCall(item.name, messageType, "", ids.NextId(),
                                                               settings.remoteComputer)});
        }
        ++result.inserted;
        clock.PauseOneMillisecond();
    });
    MergeCalls(text, calls);
    return result;
}

} // namespace vireo
