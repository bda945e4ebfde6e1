#pragma once

#include "intake/TraceIntake.h"

#include <QObject>

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <vector>

namespace vireo {

// How much the relay holds before it is crowded; at twice as much, senders wait.
struct RelayCapacity {
    std::size_t Messages = 65536;           // messages waiting before the relay is crowded
    std::size_t TextBytes = 64u << 20;      // their texts' bytes (one bigger message still passes alone)
};

// Lets clients be answered on a thread of their own while the messages are stored on the thread
// the relay lives on: a call is checked and queued at once, so a busy window (a relayout, a sort,
// a log being opened) no longer holds up a client's reply. Messages reach the target in the order
// they were queued, in batches, each turn of the target thread's event loop taking a bounded
// share so that the window stays responsive. Past its capacity the relay is crowded (the server
// then answers batches later, which slows their senders and no one else); at twice its capacity
// callers wait: nothing is dropped.
class IntakeRelay : public QObject, public ITraceIntake {
    Q_OBJECT
public:
    // A relay handing messages to target, which is used only on the relay's own thread.
    explicit IntakeRelay(ITraceIntake& target, RelayCapacity capacity = {}, QObject* parent = nullptr);
    ~IntakeRelay() override;

    // Checks one message's time stamp (throws as the target would) and queues it; any thread.
    void ReceiveTrace(const QString& ClassName, const QString& MessageStr, int32_t MessageType,
                      const QString& MessageGroup, const QString& ComputerName, const QString& MessageID,
                      const QString& UnitFileName, double MessageDateTime) override;

    // Queues a batch's good messages in order and returns the refused ones; any thread.
    std::vector<TraceRefusal> ReceiveTraces(const std::vector<TraceArguments>& traces) override;

    // Where messages go from now on (on the relay's thread); those queued go there too.
    void SetTarget(ITraceIntake& target);

    // Hands everything queued to the target now (the relay's thread); for an orderly end.
    void DeliverAll();

    // Ends waiting: callers blocked on a full queue return and later messages are refused.
    void Close();

    // Messages queued and not yet handed on.
    std::size_t Waiting() const;

    // Whether more than the capacity waits.
    bool Crowded() const override;

private:
    void Queue(std::vector<TraceArguments>& traces);
    void DeliverShare();
    std::vector<TraceArguments> TakeQueued(std::size_t most);
    void ReturnFreedMemory();

    ITraceIntake* target_;
    const RelayCapacity capacity_;
    mutable std::mutex lock_;
    std::condition_variable roomFreed_;
    std::deque<TraceArguments> queued_;
    std::size_t queuedBytes_ = 0;
    std::size_t peakQueued_ = 0; // most messages queued since memory was last given back
    bool deliveryPosted_ = false;
    bool closed_ = false;
};

} // namespace vireo
