#include "examiner/AddOnRules.h"

#include <array>
#include <cstddef>

namespace vireo {

namespace {

constexpr int kLineColumnWidth = 60;

constexpr std::array<ExaminerColumn, 3> kNamedColumns = {
    {{"Unit Name", 140}, {"Name", 530}, {"Line", kLineColumnWidth}}};
constexpr std::array<ExaminerColumn, 2> kLineColumns = {{{"Unit Name", 140}, {"Line", kLineColumnWidth}}};

constexpr std::array<std::string_view, kExaminerListCount> kTabCaptions = {
    "Procedures", "Functions", "Exceptions", "For Statements", "While Statements", "Repeat Statements",
    "Custom", "Code Marks"};

constexpr std::array<std::string_view, kExaminerListCount> kTabNames = {
    "TabSheet_Procedures", "TabSheet_Function", "TabSheet_Exceptions", "TabSheet_Fors",
    "TabSheet_Whiles", "TabSheet_Repeats", "TabSheet_Custom", "TabSheet_CodeMarks"};

constexpr std::array<std::string_view, kExaminerListCount> kListNames = {
    "ListView_Procedures", "ListView_Functions", "ListView_Exceptions", "ListView_Fors",
    "ListView_Whiles", "ListView_Repeats", "ListView_Custom", "ListView_CodeMarks"};

} // namespace

std::span<const ExaminerColumn> ExaminerListColumns(ExaminerListKind kind)
{
    if (ListHasName(kind))
        return kNamedColumns;
    return kLineColumns;
}

std::string_view ExaminerTabCaption(ExaminerListKind kind)
{
    return kTabCaptions[std::size_t(kind)];
}

std::string_view ExaminerTabName(ExaminerListKind kind)
{
    return kTabNames[std::size_t(kind)];
}

std::string_view ExaminerListName(ExaminerListKind kind)
{
    return kListNames[std::size_t(kind)];
}

std::string ExaminerCellText(ExaminerListKind kind, const ExaminerItem& item, int column,
                             std::string_view unitName)
{
    if (column == 0)
        return std::string(unitName);
    if (column == 1 && ListHasName(kind))
        return item.name;
    return std::to_string(item.line);
}

std::optional<int> FirstSelectedLine(const ExaminerList& list)
{
    for (const auto& item : list) {
        if (item.selected)
            return item.line;
    }
    return std::nullopt;
}

void CopyLinesWithProgress(const std::vector<std::string>& lines, const ExaminerProgress& progress,
                           const std::function<void(const std::string& line)>& append)
{
    const int count = int(lines.size());
    if (progress)
        progress(0, count);
    for (int i = 0; i < count; ++i) {
        append(lines[std::size_t(i)]);
        if (progress)
            progress(i + 1, count);
    }
}

} // namespace vireo
