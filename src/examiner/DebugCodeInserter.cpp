#include "examiner/DebugCodeInserter.h"

#include "examiner/TextTests.h"
#include "examiner/TickSource.h"

#include <algorithm>

namespace vireo {

namespace {

// A call to insert directly after line `after` of the text as it was before any call.
struct PendingCall {
    std::size_t after;
    std::string text;
};

std::vector<std::string> UpperLines(const std::vector<std::string>& lines)
{
    std::vector<std::string> upper;
    upper.reserve(lines.size());
    for (const auto& line : lines)
        upper.push_back(UpperCaseAscii(line));
    return upper;
}

// The first word of the text after its leading blanks, upper-cased.
std::string_view FirstWord(std::string_view upper)
{
    const auto start = upper.find_first_not_of(' ');
    if (start == std::string_view::npos)
        return {};
    const auto end = upper.find_first_of(" \t", start);
    return upper.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
}

// A handler list of "on E: X do" clauses admits no plain statement in front of it.
bool HandlerStartsWithOn(const std::vector<std::string>& upper, std::size_t exceptLine)
{
    const std::string& line = upper[exceptLine];
    const auto at = line.rfind("EXCEPT");
    const std::string_view after = at == std::string::npos ? std::string_view() : std::string_view(line).substr(at + 6);
    if (!FirstWord(after).empty())
        return FirstWord(after) == "ON";
    for (std::size_t i = exceptLine + 1; i < upper.size(); ++i) {
        const auto word = FirstWord(upper[i]);
        if (!word.empty())
            return word == "ON";
    }
    return false;
}

// The header of the routine an exception handler stands in: the nearest header line above it.
std::string EnclosingRoutine(const std::vector<std::string>& lines, const std::vector<std::string>& upper,
                             std::size_t line)
{
    for (std::size_t i = line; i-- > 0;) {
        if (HasWord("PROCEDURE", upper[i]) || HasWord("FUNCTION", upper[i]))
            return StripLeadingBlanks(lines[i]);
        if (HasWord("IMPLEMENTATION", upper[i]))
            break;
    }
    return {};
}

std::string ExceptionMessage(const std::vector<std::string>& lines, const std::vector<std::string>& upper,
                             std::size_t line)
{
    const std::string routine = EnclosingRoutine(lines, upper, line);
    return routine.empty() ? std::string("Exception") : "Exception in " + routine;
}

std::vector<std::size_t> NextBeginLines(const std::vector<std::string>& upper)
{
    std::vector<std::size_t> next(upper.size() + 1, upper.size());
    for (std::size_t i = upper.size(); i-- > 0;)
        next[i] = HasWord("BEGIN", upper[i]) ? i : next[i + 1];
    return next;
}

// Puts each call after its line; calls after the same line stand in reverse order, the last one
// made directly below that line, as they would if inserted one after the other.
void MergeCalls(std::vector<std::string>& lines, std::vector<PendingCall>& calls)
{
    if (calls.empty())
        return;
    std::stable_sort(calls.begin(), calls.end(),
                     [](const PendingCall& a, const PendingCall& b) { return a.after < b.after; });
    std::vector<std::string> merged;
    merged.reserve(lines.size() + calls.size());
    std::size_t next = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        merged.push_back(std::move(lines[i]));
        std::size_t end = next;
        while (end < calls.size() && calls[end].after == i)
            ++end;
        for (std::size_t k = end; k-- > next;)
            merged.push_back(std::move(calls[k].text));
        next = end;
    }
    lines = std::move(merged);
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

std::optional<std::size_t> InsertUnitFileNameConst(std::vector<std::string>& lines, int indentation,
                                                   std::string_view filePath)
{
    const std::string blanks(std::size_t(std::max(indentation, 0)), ' ');
    const std::string constantWord = blanks + "UNITFILENAME =";
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string upper = UpperCaseAscii(lines[i]);
        if (HasWord(constantWord, upper))
            return std::nullopt;
        if (HasWord("IMPLEMENTATION", upper)) {
            // Above the line preceding the implementation line, usually an empty one; a unit
            // that starts with the implementation line gets the block on top.
            const std::size_t at = i == 0 ? 0 : i - 1;
            const std::string block[kConstantBlockLines] = {
                "", "Const", blanks + "UnitFileName = '" + PascalQuoted(filePath) + "';", ""};
            lines.insert(lines.begin() + std::ptrdiff_t(at), std::begin(block), std::end(block));
            return at;
        }
    }
    return std::nullopt;
}

bool AddClientUnitToUses(std::vector<std::string>& lines)
{
    std::size_t uses = lines.size();
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string upper = UpperCaseAscii(lines[i]);
        if (ContainsText("VIREO", upper))
            return false;
        if (uses == lines.size() && HasWord("USES", upper))
            uses = i;
    }
    for (std::size_t i = uses; i < lines.size(); ++i) {
        const auto semicolon = lines[i].find(';');
        if (semicolon != std::string::npos) {
            lines[i].insert(semicolon, ", Vireo");
            return true;
        }
    }
    return false;
}

DebugInsertionResult InsertDebugCalls(std::vector<std::string>& lines, ExaminerList& items, bool exceptionList,
                                      const DebugInsertion& settings, MessageIdSource& ids, TickSource& clock,
                                      const ExaminerProgress& progress)
{
    DebugInsertionResult result;
    const std::vector<std::string> upper = UpperLines(lines);
    const std::vector<std::size_t> nextBegin = exceptionList ? std::vector<std::size_t>() : NextBeginLines(upper);
    const std::string indent(std::size_t(std::max(settings.indentation, 0)), ' ');
    const std::string_view messageType = exceptionList ? "mtError" : "mtGeneral";
    std::vector<PendingCall> calls;
    const int maximum = items.empty() ? 0 : int(items.size()) - 1;
    if (progress)
        progress(0, maximum);
    int position = 0;
    for (auto& item : items) {
        if (progress)
            progress(position++, maximum);
        if (!item.selected)
            continue;
        const std::size_t header = std::size_t(std::max(item.line - 1, 0));
        const auto callsAbove = std::count_if(calls.begin(), calls.end(),
                                              [header](const PendingCall& c) { return c.after < header; });
        item.line = int(header + std::size_t(callsAbove) + 1);
        if (header + 1 >= lines.size()) {
            ++result.skipped;
            continue;
        }
        std::size_t after = header;
        std::string message;
        if (exceptionList) {
            if (HandlerStartsWithOn(upper, header)) {
                ++result.skipped;
                continue;
            }
            message = ExceptionMessage(lines, upper, header);
        } else {
            after = nextBegin[header + 1];
            if (after >= lines.size()) {
                ++result.skipped;
                continue;
            }
            message = item.name;
        }
        calls.push_back({after, indent + BuildAddDebugCall(message, messageType, "", ids.NextId(),
                                                           settings.remoteComputer)});
        ++result.inserted;
        clock.PauseOneMillisecond();
    }
    MergeCalls(lines, calls);
    return result;
}

} // namespace vireo
