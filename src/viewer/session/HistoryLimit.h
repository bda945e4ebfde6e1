#pragma once

#include <cstdint>
#include <functional>

namespace vireo {

// How much of a long capture the session keeps: past either bound the oldest messages go.
struct HistoryLimit {
    int MaxMessages = 5'000'000; // most messages kept; 0: no bound
    int MaxMegabytes = 0;        // most megabytes of messages kept; 0: no bound

    bool operator==(const HistoryLimit&) const = default;
};

// How many of the oldest messages to drop so that the store is within the limit again. Within
// it, none; past it, enough to fall an eighth of the bound below it, so that drops come in
// blocks and each costs a constant share of the messages that arrived since the last one (a list
// lays out all its rows after each).
// bytesOf(i) tells how many bytes the message at store index i takes.
int MessagesToDrop(const HistoryLimit& limit, int count, std::int64_t bytes,
                   const std::function<std::int64_t(int index)>& bytesOf);

} // namespace vireo
