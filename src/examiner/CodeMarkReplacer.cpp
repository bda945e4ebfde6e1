#include "examiner/CodeMarkReplacer.h"

#include "examiner/CodeMarkKinds.h"
#include "examiner/TextMatching.h"
#include "examiner/TickSource.h"

#include <algorithm>
#include <iterator>

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

// The mark's text from its message on, its lines joined without their indentation, with where
// each line starts.
class MarkStream {
public:
    // The stream of one line from the column on; further lines join it as Grow adds them.
    MarkStream(const std::vector<std::string>& lines, std::size_t line, std::size_t column)
        : lines_(lines), next_(line + 1)
    {
        text_ = From(lines[line], column);
        starts_.push_back({0, line, column});
    }
    // The text joined so far.
    const std::string& Text() const { return text_; }
    // Adds the next line; false at the end of the text.
    bool Grow()
    {
        if (next_ >= lines_.size())
            return false;
        // A value continued on the next line reads on from its first non-blank character.
        const std::string& line = lines_[next_];
        const std::size_t indent = std::min(line.find_first_not_of(' '), line.size());
        starts_.push_back({text_.size(), next_, indent});
        text_.append(line, indent);
        ++next_;
        return true;
    }
    // The line and column of an offset into the text.
    std::pair<std::size_t, std::size_t> Place(std::size_t offset) const
    {
        const auto after = std::upper_bound(starts_.begin(), starts_.end(), offset,
                                            [](std::size_t o, const Start& s) { return o < s.offset; });
        const Start& start = *std::prev(after);
        return {start.line, start.column + offset - start.offset};
    }

private:
    struct Start {
        std::size_t offset, line, column;
    };
    const std::vector<std::string>& lines_;
    std::size_t next_;
    std::string text_;
    std::vector<Start> starts_;
};

// Where the quoted parts of a mark end in R (the text from its message on): past the message's
// closing quote when the quote before the message opens it, and past the second value's closing
// quote when the third character after the first ";" opens that. 0 when there is none.
std::size_t QuotedPartsEnd(std::string_view rest, bool messageOpened)
{
    std::size_t end = 0;
    if (messageOpened) {
        const auto close = rest.find('\'');
        if (close != std::string_view::npos)
            end = close + 1;
    }
    const auto semicolon = rest.find(';');
    if (semicolon != std::string_view::npos && semicolon + 3 < rest.size() && rest[semicolon + 3] == '\'') {
        const auto close = rest.find('\'', semicolon + 4);
        if (close != std::string_view::npos)
            end = std::max(end, close + 1);
    }
    return end;
}

// Reads the mark of that kind opening at the column.
CodeMark ReadMark(const std::vector<std::string>& lines, std::size_t line, std::size_t column, const CodeMarkKind& kind)
{
    CodeMark mark;
    mark.line = line;
    mark.start = column;
    mark.messageType = kind.messageType;
    const std::size_t messageAt = mark.start + kind.skip;
    const bool messageOpened = messageAt <= lines[line].size() && lines[line][messageAt - 1] == '\'';
    MarkStream stream(lines, line, std::min(messageAt, lines[line].size()));
    // The closing brace: the first "}" past the quoted parts of the mark's first line, on
    // whatever line it stands.
    const std::size_t quoted = QuotedPartsEnd(stream.Text(), messageOpened);
    std::size_t close = stream.Text().find('}', quoted);
    while (close == std::string::npos && stream.Grow())
        close = stream.Text().find('}', quoted);
    std::string_view rest = stream.Text();
    if (close == std::string::npos) {
        mark.endLine = line;
        mark.end = lines[line].size();
        rest = From(lines[line], messageAt);
    } else {
        const auto [endLine, endColumn] = stream.Place(close);
        mark.endLine = endLine;
        mark.end = endColumn + 1;
        rest = rest.substr(0, close);
    }
    if (rest.find('\'') != std::string_view::npos)
        mark.message = std::string(UpToQuote(rest));
    if (mark.message.empty())
        mark.message = "No Message";
    const auto semicolon = rest.find(';');
    const std::string_view afterSemicolon = From(rest, semicolon == std::string_view::npos ? 3 : semicolon + 4);
    if (afterSemicolon.find('\'') != std::string_view::npos)
        mark.second = std::string(UpToQuote(afterSemicolon));
    return mark;
}

} // namespace

std::optional<CodeMark> ReadCodeMark(const std::vector<std::string>& lines, std::size_t line)
{
    const std::string upper = UpperCaseAscii(lines[line]);
    const CodeMarkKind* kind = nullptr;
    for (const auto& candidate : kCodeMarkKinds)
        if (ContainsText(candidate.text, upper))
            kind = &candidate;
    if (kind == nullptr)
        return std::nullopt;
    return ReadMark(lines, line, TextPosition(kind->text, upper) - 1, *kind);
}

std::optional<CodeMark> ReadCodeMarkAt(const std::vector<std::string>& lines, std::size_t line, std::size_t column)
{
    const std::string_view rest = From(lines[line], column);
    for (const auto& kind : kCodeMarkKinds)
        if (StartsWithTextAscii(rest, kind.text))
            return ReadMark(lines, line, column, kind);
    return std::nullopt;
}

CodeMarkReplacement ReplaceCodeMarks(UnitText& text, const ExaminerList& marks, const DebugInsertion& settings,
                                     MessageIdSource& ids, TickSource& clock, const ExaminerProgress& progress,
                                     const CodeMarkReader& read)
{
    CodeMarkReplacement result;
    std::vector<std::string>& lines = text.lines;
    text.FillBreaks();
    std::vector<bool> removed;
    std::size_t coveredUntil = 0;
    ForEachSelectedItem(marks, progress, [&](const ExaminerItem& item) {
        const std::size_t index = std::size_t(std::max(item.line - 1, 0));
        if (index >= lines.size() || index < coveredUntil)
            return;
        const auto mark = read(lines, index);
        if (!mark)
            return;
        const std::string call =
            BuildAddDebugCall(mark->message, mark->messageType, mark->second, ids.NextId(), settings.remoteComputer);
        lines[index] = lines[index].substr(0, mark->start) + call + lines[mark->endLine].substr(mark->end);
        if (mark->endLine > index) {
            removed.resize(lines.size());
            std::fill(removed.begin() + std::ptrdiff_t(index) + 1, removed.begin() + std::ptrdiff_t(mark->endLine) + 1,
                      true);
            text.breaks[index] = text.breaks[mark->endLine];
            result.removedLines.push_back({int(index) + 2, int(mark->endLine - index)});
        }
        coveredUntil = mark->endLine + 1;
        ++result.replaced;
        clock.PauseOneMillisecond();
    });
    if (!removed.empty()) {
        std::size_t kept = 0;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            if (removed[i])
                continue;
            if (kept != i)
                lines[kept] = std::move(lines[i]);
            text.breaks[kept++] = text.breaks[i];
        }
        lines.resize(kept);
        text.breaks.resize(kept);
    }
    return result;
}

} // namespace vireo
