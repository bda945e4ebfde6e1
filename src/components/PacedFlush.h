#pragma once

#include <QElapsedTimer>
#include <QObject>

#include <functional>

namespace vireo {

// Runs a flush at the end of the event-loop turn in which it was first requested, but no sooner
// than Pause after the previous flush. Views re-lay out every row on each announcement; paced so,
// that work stays a small share of the time however fast names arrive and however many there are.
class TPacedFlush {
public:
    // Shortest time between two flushes, in milliseconds.
    static constexpr int PauseMs = 50;

    // A pacer running flush in context's thread, never after context is gone.
    TPacedFlush(QObject* context, std::function<void()> flush);

    // Asks for a flush; requests while one is waiting join it.
    void Request();
    // Runs a waiting flush now (when nothing waits, nothing runs).
    void FlushNow();

private:
    QObject* context_;
    std::function<void()> flush_;
    bool waiting_ = false;
    QElapsedTimer sinceFlush_;
};

} // namespace vireo
