#pragma once

#include <span>
#include <stdexcept>
#include <utility>
#include <vector>

namespace vireo {

// The items reordered so that item i is then what item order[i] was (a list was sorted). Throws
// std::invalid_argument when order does not cover every item.
template <typename T>
std::vector<T> Permuted(std::vector<T>& items, std::span<const int> order)
{
    if (order.size() != items.size())
        throw std::invalid_argument("Row order does not cover every row");
    std::vector<T> moved;
    moved.reserve(order.size());
    for (const int from : order)
        moved.push_back(std::move(items.at(static_cast<std::size_t>(from))));
    return moved;
}

} // namespace vireo
