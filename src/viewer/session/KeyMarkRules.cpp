#include "viewer/session/KeyMarkRules.h"

#include "components/AsciiText.h"
#include "settings/RegUtils.h"
#include "viewer/session/SourceNavigation.h"

#include <charconv>

namespace vireo {

namespace {
constexpr std::string_view kKeyMarksKey = "Vireo\\KeyMarks";

std::string EntryKey(int n)
{
    return std::string(kKeyMarksKey) + "\\" + std::to_string(n);
}

// The number a whole text spells in decimal digits (with an optional minus sign), if any.
std::optional<int> DecimalNumber(std::string_view text)
{
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty())
        return std::nullopt;
    return value;
}

// The row a mark's line-number text names when it is written as the source window writes line
// numbers (no sign, no leading zero), else -1: only such texts can equal a row's number.
int CanonicalRow(const KeyMark& mark)
{
    const std::optional<int> number = DecimalNumber(mark.LineNumber);
    if (!number || *number < 1 || std::to_string(*number) != mark.LineNumber)
        return -1;
    return *number - 1;
}
} // namespace

std::string_view KeyMarkLineText(const KeyMark& mark)
{
    return mark.Description.empty() ? std::string_view(mark.Caption) : mark.Description;
}

bool HasKeyMark(const KeyMarkList& marks, std::string_view lineText, std::string_view lineNumber,
                std::string_view unit)
{
    if (marks.empty())
        return false;
    const std::string stripped = StripLeadingBlanks(lineText);
    for (const KeyMark& mark : marks)
        if (mark.LineNumber == lineNumber && SameTextAscii(mark.UnitName, unit)
            && SameTextAscii(KeyMarkLineText(mark), stripped))
            return true;
    return false;
}

std::vector<bool> KeyMarkedLines(const KeyMarkList& marks, const UnitLines& lines, std::string_view unit)
{
    std::vector<bool> marked(lines.size(), false);
    for (const KeyMark& mark : marks) {
        const int row = CanonicalRow(mark);
        if (row < 0 || static_cast<std::size_t>(row) >= lines.size() || !SameTextAscii(mark.UnitName, unit))
            continue;
        const auto at = static_cast<std::size_t>(row);
        if (!marked[at] && SameTextAscii(KeyMarkLineText(mark), StripLeadingBlanks(lines[at])))
            marked[at] = true;
    }
    return marked;
}

KeyMark PlainKeyMark(std::string_view lineText, int row, std::string_view unit)
{
    return {StripLeadingBlanks(lineText), std::to_string(row + 1), std::string(unit), std::string()};
}

KeyMark DescribedKeyMark(std::string description, std::string_view lineText, int row, std::string_view unit)
{
    return {std::move(description), std::to_string(row + 1), std::string(unit), StripLeadingBlanks(lineText)};
}

std::optional<int> KeyMarkLineNumber(const KeyMark& mark)
{
    return DecimalNumber(mark.LineNumber);
}

int FindKeyMarkOnLine(const KeyMarkList& marks, std::string_view lineText, int row, std::string_view unit)
{
    const std::string stripped = StripLeadingBlanks(lineText);
    for (std::size_t i = 0; i < marks.size(); ++i)
        if (SameTextAscii(KeyMarkLineText(marks[i]), stripped) && KeyMarkLineNumber(marks[i]) == row + 1
            && SameTextAscii(marks[i].UnitName, unit))
            return static_cast<int>(i);
    return -1;
}

std::string KeyMarkLineNotFoundText(std::string_view unit)
{
    return "Key mark line not found in " + std::string(unit);
}

bool ShowKeyMark(const KeyMark& mark, KeyMarkPane& pane, UnitReader& reader)
{
    const std::string& unit = mark.UnitName;
    const bool otherUnit = !SameTextAscii(unit, pane.CurrentUnitFile());
    if (otherUnit)
        pane.ClearUnit();
    if (!reader.Exists(unit))
        return false;
    if (otherUnit) {
        UnitReadResult read = reader.Read(unit);
        if (!read.Ok) {
            pane.ShowMessage(UnreadableUnitText(unit, read.Error));
            return false;
        }
        pane.LoadUnitSource(unit, std::move(read.Lines));
    }
    const std::optional<int> number = KeyMarkLineNumber(mark);
    if (!number || *number < 1 || *number > pane.RowCount()) {
        pane.SetStatusText(KeyMarkLineNotFoundText(unit));
        return false;
    }
    pane.RevealSourceRow(*number - 1, !otherUnit);
    pane.SetKeyMarkImage(*number - 1);
    return true;
}

KeyMarkList ReadKeyMarks()
{
    KeyMarkList marks;
    WithRegBatch([&] {
        const int count = CountRegSubKeys(std::string(kKeyMarksKey) + "\\");
        for (int n = 0; n < count; ++n) {
            const std::string key = EntryKey(n);
            KeyMark mark;
            mark.Caption = ReadRegString(key, "MeaningFullDesc", "");
            mark.LineNumber = ReadRegString(key, "Line Number", "");
            mark.UnitName = ReadRegString(key, "Unit Name", "");
            mark.Description = ReadRegString(key, "Description", "");
            marks.push_back(std::move(mark));
        }
    });
    return marks;
}

void WriteKeyMarks(const KeyMarkList& marks)
{
    WithRegBatch([&] {
        DeleteRegKey(kKeyMarksKey);
        for (std::size_t n = 0; n < marks.size(); ++n) {
            const std::string key = EntryKey(static_cast<int>(n));
            WriteRegString(key, "MeaningFullDesc", marks[n].Caption);
            WriteRegString(key, "Line Number", marks[n].LineNumber);
            WriteRegString(key, "Unit Name", marks[n].UnitName);
            WriteRegString(key, "Description", marks[n].Description);
        }
    });
}

} // namespace vireo
