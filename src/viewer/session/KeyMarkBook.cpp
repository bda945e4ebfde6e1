#include "viewer/session/KeyMarkBook.h"

#include <stdexcept>

namespace vireo {

void KeyMarkBook::Add(KeyMark mark)
{
    marks_.push_back(std::move(mark));
    emit Added(Count() - 1);
}

void KeyMarkBook::Delete(int index)
{
    if (index < 0 || index >= Count())
        throw std::out_of_range("List index out of bounds (" + std::to_string(index) + ")");
    emit AboutToRemove(index);
    marks_.erase(marks_.begin() + index);
    emit Removed(index);
}

void KeyMarkBook::Assign(KeyMarkList marks)
{
    emit AboutToReset();
    marks_ = std::move(marks);
    emit Reset();
}

void KeyMarkBook::SetCaption(int index, std::string caption)
{
    marks_.at(static_cast<std::size_t>(index)).Caption = std::move(caption);
    emit CaptionChanged(index);
}

void KeyMarkBook::Permute(std::span<const int> order)
{
    if (order.size() != marks_.size())
        throw std::invalid_argument("Row order does not cover every row");
    KeyMarkList moved;
    moved.reserve(order.size());
    for (const int from : order)
        moved.push_back(std::move(marks_.at(static_cast<std::size_t>(from))));
    marks_ = std::move(moved);
}

std::optional<std::string> KeyMarkBook::Load()
{
    return stored_.Read([this] { Assign(ReadKeyMarks()); });
}

std::optional<std::string> KeyMarkBook::Save() const
{
    return stored_.Write([this] { WriteKeyMarks(marks_); });
}

} // namespace vireo
