#pragma once

#include <algorithm>
#include <cstddef>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace vireo {

// An ordered list that owns its objects: deleting an entry or clearing the list frees them.
template <class T>
class TObjectList {
public:
    TObjectList() = default;
    TObjectList(const TObjectList&) = delete;
    TObjectList& operator=(const TObjectList&) = delete;
    ~TObjectList() { Clear(); }

    // Number of objects held.
    int Count() const { return static_cast<int>(items_.size()); }

    // The object at an index; an index outside 0 .. Count() - 1 throws std::out_of_range.
    T& Items(int index) { return *items_.at(checked(index)); }
    const T& Items(int index) const { return *items_.at(checked(index)); }

    // Appends an object and returns its index.
    int Add(std::unique_ptr<T> item)
    {
        items_.push_back(std::move(item));
        return Count() - 1;
    }

    // Inserts an object before the entry at index (index == Count() appends).
    void Insert(int index, std::unique_ptr<T> item)
    {
        if (index < 0 || index > Count())
            throw std::out_of_range("List index out of bounds (" + std::to_string(index) + ")");
        items_.insert(items_.begin() + index, std::move(item));
    }

    // Frees the object at index and closes the gap.
    void Delete(int index) { items_.erase(items_.begin() + checked(index)); }

    // Deletes the first count objects (all when count exceeds Count()), closing the gap once.
    void DeleteFirst(int count)
    {
        items_.erase(items_.begin(), items_.begin() + std::clamp(count, 0, Count()));
    }

    // Frees every object in order, then empties the list.
    void Clear()
    {
        for (auto& item : items_)
            item.reset();
        items_.clear();
    }

    // Reserves room for a number of objects without changing the list.
    void Reserve(int count) { items_.reserve(static_cast<std::size_t>(count)); }

private:
    std::size_t checked(int index) const
    {
        if (index < 0 || index >= Count())
            throw std::out_of_range("List index out of bounds (" + std::to_string(index) + ")");
        return static_cast<std::size_t>(index);
    }

    std::vector<std::unique_ptr<T>> items_;
};

} // namespace vireo
