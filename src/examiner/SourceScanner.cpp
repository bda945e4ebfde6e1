#include "examiner/SourceScanner.h"

#include "examiner/CodeMarkKinds.h"
#include "examiner/TextMatching.h"

namespace vireo {

namespace {

ExaminerItem MakeItem(std::string name, std::size_t index)
{
    ExaminerItem item;
    item.name = std::move(name);
    item.line = int(index + 1);
    return item;
}

} // namespace

SourceScanner::SourceScanner(const std::vector<std::string>& lines)
    : lines_(lines), implementation_(lines.size())
{
    upper_.reserve(lines.size());
    for (const auto& line : lines)
        upper_.push_back(UpperCaseAscii(line));
    for (std::size_t i = 0; i < upper_.size(); ++i) {
        if (HasWord("IMPLEMENTATION", upper_[i])) {
            implementation_ = i;
            break;
        }
    }
}

template <typename Test>
void SourceScanner::ScanLines(ExaminerList& list, bool withName, Test test) const
{
    list.clear();
    for (std::size_t i = implementation_; i < upper_.size(); ++i) {
        if (test(upper_[i]))
            list.push_back(MakeItem(withName ? StripLeadingBlanks(lines_[i]) : std::string(), i));
    }
}

void SourceScanner::ScanRoutines(ExaminerList& procedures, ExaminerList& functions) const
{
    procedures.clear();
    functions.clear();
    // nextBegin[i - implementation_]: the first line at or after i holding the word BEGIN. The
    // search for a routine's begin line does not stop at other headers, so one backward pass
    // answers every header without rescanning.
    const std::size_t count = upper_.size() - implementation_;
    std::vector<std::size_t> nextBegin(count + 1, upper_.size());
    for (std::size_t k = count; k-- > 0;) {
        const std::size_t i = implementation_ + k;
        nextBegin[k] = HasWord("BEGIN", upper_[i]) ? i : nextBegin[k + 1];
    }
    for (std::size_t i = implementation_; i < upper_.size(); ++i) {
        const std::string& upper = upper_[i];
        ExaminerList* list = nullptr;
        if (HasWord("PROCEDURE", upper))
            list = &procedures;
        else if (HasWord("FUNCTION", upper))
            list = &functions;
        else
            continue;
        ExaminerItem item = MakeItem(lines_[i], i);
        const std::size_t begin = nextBegin[i - implementation_];
        const std::size_t body = begin == i ? i : begin + 1;
        item.instrumented = body < upper_.size() && ContainsText("ADDDEBUG", upper_[body]);
        list->push_back(std::move(item));
    }
}

void SourceScanner::ScanExceptions(ExaminerList& list) const
{
    ScanLines(list, false, [](const std::string& u) { return HasWordEnd("EXCEPT", u); });
}

void SourceScanner::ScanForStatements(ExaminerList& list) const
{
    ScanLines(list, true, [](const std::string& u) {
        return ContainsText("FOR", u) && ContainsText(":=", u) && ContainsText("TO", u) && ContainsText("DO", u);
    });
}

void SourceScanner::ScanWhileStatements(ExaminerList& list) const
{
    ScanLines(list, true, [](const std::string& u) { return ContainsText("WHILE", u) && ContainsText("DO", u); });
}

void SourceScanner::ScanRepeatStatements(ExaminerList& list) const
{
    ScanLines(list, false, [](const std::string& u) { return ContainsText("REPEAT", u); });
}

void SourceScanner::ScanCodeMarks(ExaminerList& list) const
{
    ScanLines(list, true, [](const std::string& u) {
        for (const auto& mark : kCodeMarkKinds)
            if (ContainsText(mark.text, u))
                return true;
        return false;
    });
}

void SourceScanner::ScanCustomSearch(std::string_view search, ExaminerList& list) const
{
    list.clear();
    const std::string pattern = UpperCaseAscii(search);
    for (std::size_t i = 0; i < upper_.size(); ++i) {
        if (ContainsText(pattern, upper_[i]))
            list.push_back(MakeItem(StripLeadingBlanks(lines_[i]), i));
    }
}

void SourceScanner::ScanAll(ExaminerLists& lists) const
{
    ScanRoutines(lists[ExaminerListKind::Procedures], lists[ExaminerListKind::Functions]);
    ScanExceptions(lists[ExaminerListKind::Exceptions]);
    ScanForStatements(lists[ExaminerListKind::Fors]);
    ScanWhileStatements(lists[ExaminerListKind::Whiles]);
    ScanRepeatStatements(lists[ExaminerListKind::Repeats]);
    ScanCodeMarks(lists[ExaminerListKind::CodeMarks]);
}

} // namespace vireo
