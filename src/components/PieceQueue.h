#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <optional>

namespace vireo {

// Hands pieces of work from one thread to another, holding at most a few, so a producer faster
// than its consumer waits instead of filling memory. Either side may cancel; the other then stops.
template <typename T>
class PieceQueue {
public:
    // A queue holding at most capacity pieces.
    explicit PieceQueue(std::size_t capacity) : capacity_(capacity) {}

    // Waits for room, then adds the piece; false (the piece dropped) once cancelled.
    bool Push(T piece)
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return cancelled_ || pieces_.size() < capacity_; });
        if (cancelled_)
            return false;
        pieces_.push_back(std::move(piece));
        changed_.notify_all();
        return true;
    }

    // Adds the piece when there is room at once; false (the piece kept) otherwise or once cancelled.
    bool TryPush(T& piece)
    {
        std::lock_guard lock(mutex_);
        if (cancelled_ || pieces_.size() >= capacity_)
            return false;
        pieces_.push_back(std::move(piece));
        changed_.notify_all();
        return true;
    }

    // Waits for the next piece; nothing once the producer has finished and all were taken, or once
    // cancelled.
    std::optional<T> Pop()
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return cancelled_ || finished_ || !pieces_.empty(); });
        return TakeFront();
    }

    // The next piece if one is waiting.
    std::optional<T> TryPop()
    {
        std::lock_guard lock(mutex_);
        return TakeFront();
    }

    // Says no more pieces come.
    void Finish()
    {
        std::lock_guard lock(mutex_);
        finished_ = true;
        changed_.notify_all();
    }

    // Stops both sides: waiting pieces are dropped, pushes fail, pops return nothing.
    void Cancel()
    {
        std::lock_guard lock(mutex_);
        cancelled_ = true;
        pieces_.clear();
        changed_.notify_all();
    }

    // Whether either side cancelled.
    bool Cancelled() const
    {
        std::lock_guard lock(mutex_);
        return cancelled_;
    }

    // Whether no piece will come any more: cancelled, or finished with every piece taken.
    bool Ended() const
    {
        std::lock_guard lock(mutex_);
        return cancelled_ || (finished_ && pieces_.empty());
    }

private:
    std::optional<T> TakeFront()
    {
        if (cancelled_ || pieces_.empty())
            return std::nullopt;
        std::optional<T> piece(std::move(pieces_.front()));
        pieces_.pop_front();
        changed_.notify_all();
        return piece;
    }

    const std::size_t capacity_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<T> pieces_;
    bool finished_ = false;
    bool cancelled_ = false;
};

} // namespace vireo
