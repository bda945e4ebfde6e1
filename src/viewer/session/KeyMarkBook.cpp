#include "viewer/session/KeyMarkBook.h"

#include "components/Permuted.h"

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
    marks_ = Permuted(marks_, order);
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
