#pragma once

#include "components/AsciiText.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace vireo {

// Hash that ignores ASCII letter case, so names can be looked up as their upper-cased forms
// without building the upper-cased text.
struct AsciiCaseHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view text) const
    {
        std::uint64_t hash = 14695981039346656037ull; // FNV-1a
        for (char c : text) {
            hash ^= static_cast<unsigned char>(UpperCaseAscii(c));
            hash *= 1099511628211ull;
        }
        return static_cast<std::size_t>(hash);
    }
};

// Equality of two texts once both are upper-cased with ASCII rules.
struct AsciiCaseEqual {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const { return SameTextAscii(a, b); }
};

// A set of names compared without regard to ASCII case.
using AsciiCaseSet = std::unordered_set<std::string, AsciiCaseHash, AsciiCaseEqual>;

// Hash for exact lookups of std::string keys by string_view.
struct TextHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view text) const { return std::hash<std::string_view>{}(text); }
};

// A map from exact texts, searchable by string_view without allocating.
template <class V>
using TextMap = std::unordered_map<std::string, V, TextHash, std::equal_to<>>;

} // namespace vireo
