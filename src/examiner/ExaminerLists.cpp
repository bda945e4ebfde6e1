#include "examiner/ExaminerLists.h"

#include <algorithm>

namespace vireo {

bool ListHasName(ExaminerListKind kind)
{
    return kind != ExaminerListKind::Exceptions && kind != ExaminerListKind::Repeats;
}

void ShiftItemLines(ExaminerLists& lists, int from, int count)
{
    for (std::size_t k = 0; k < kExaminerListCount; ++k) {
        for (auto& item : lists[ExaminerListKind(k)])
            if (item.line >= from)
                item.line += count;
    }
}

// One pass over the items, however many ranges were removed.
void FollowRemovedLines(ExaminerLists& lists, const std::vector<std::pair<int, int>>& removed)
{
    if (removed.empty())
        return;
    std::vector<int> ends;
    std::vector<int> removedUpTo;
    int total = 0;
    for (const auto& [from, count] : removed) {
        ends.push_back(from + count - 1);
        removedUpTo.push_back(total += count);
    }
    for (std::size_t k = 0; k < kExaminerListCount; ++k) {
        for (auto& item : lists[ExaminerListKind(k)]) {
            const auto range = std::size_t(std::lower_bound(ends.begin(), ends.end(), item.line) - ends.begin());
            if (range < removed.size() && item.line >= removed[range].first)
                item.line = removed[range].first - 1;
            if (range > 0)
                item.line -= removedUpTo[range - 1];
        }
    }
}

} // namespace vireo
