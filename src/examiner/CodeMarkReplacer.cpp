#include "examiner/CodeMarkReplacer.h"

#include "examiner/TextTests.h"
#include "examiner/TickSource.h"

#include <algorithm>

namespace vireo {

namespace {

// The text up to, not including, its first quote.
std::string_view UpToQuote(std::string_view text)
{
    return text.substr(0, text.find('\''));
}

std::string_view From(std::string_view text, std::size_t offset)
{
    return offset < text.size() ? text.substr(offset) : std::string_view();
}

} // namespace

std::optional<CodeMark> ReadCodeMark(std::string_view line)
{
    const std::string upper = UpperCaseAscii(line);
    const CodeMarkKind* kind = nullptr;
    for (const auto& candidate : kCodeMarkKinds)
        if (ContainsText(candidate.text, upper))
            kind = &candidate;
    if (kind == nullptr)
        return std::nullopt;
    CodeMark mark;
    mark.start = TextPosition(kind->text, upper) - 1;
    mark.messageType = kind->messageType;
    const std::string_view rest = From(line, mark.start + kind->skip);
    if (rest.find('\'') != std::string_view::npos)
        mark.message = std::string(UpToQuote(rest));
    if (mark.message.empty())
        mark.message = "No Message";
    const auto semicolon = rest.find(';');
    const std::string_view afterSemicolon = From(rest, semicolon == std::string_view::npos ? 3 : semicolon + 4);
    if (afterSemicolon.find('\'') != std::string_view::npos)
        mark.second = std::string(UpToQuote(afterSemicolon));
    const auto close = line.find('}', mark.start);
    mark.end = close == std::string_view::npos ? line.size() : close + 1;
    return mark;
}

int ReplaceCodeMarks(std::vector<std::string>& lines, const ExaminerList& marks, const DebugInsertion& settings,
                     MessageIdSource& ids, TickSource& clock, const ExaminerProgress& progress)
{
    int replaced = 0;
    const int maximum = marks.empty() ? 0 : int(marks.size()) - 1;
    if (progress)
        progress(0, maximum);
    int position = 0;
    for (const auto& item : marks) {
        if (progress)
            progress(position++, maximum);
        if (!item.selected)
            continue;
        const std::size_t index = std::size_t(std::max(item.line - 1, 0));
        if (index >= lines.size())
            continue;
        std::string& line = lines[index];
        const auto mark = ReadCodeMark(line);
        if (!mark)
            continue;
        const std::string call =
            BuildAddDebugCall(mark->message, mark->messageType, mark->second, ids.NextId(), settings.remoteComputer);
        line = line.substr(0, mark->start) + call + line.substr(mark->end);
        ++replaced;
        clock.PauseOneMillisecond();
    }
    return replaced;
}

} // namespace vireo
