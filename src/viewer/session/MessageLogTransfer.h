#pragma once

#include "components/PieceQueue.h"
#include "viewer/session/MessageLog.h"

#include <QObject>
#include <QTimer>

#include <atomic>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace vireo {

class TraceSession;

// Opening or saving a message log without holding up the window or the intake: the file is read
// or written on a thread of its own while the session takes or gives its messages a piece per
// turn of the event loop, so posted messages are taken between the pieces. It starts when made
// and ends with Finished, or at once when destroyed (a save then leaves the old file whole).
class MessageLogTransfer : public QObject {
    Q_OBJECT
public:
    // How a transfer ended.
    enum class Outcome { Running, Done, Cancelled, Failed };

    ~MessageLogTransfer() override;

    // Stops the transfer; Finished follows with Outcome Cancelled unless it had ended already.
    void Cancel();
    // How it ended, or Running.
    Outcome Result() const { return result_; }
    // What made it fail (Outcome Failed).
    std::exception_ptr Failure() const { return failure_; }
    // How far it has come, 0 to 100.
    int Percent() const { return percent_; }

signals:
    // Percent rose.
    void Progressed(int percent);
    // The transfer ended; Result says how.
    void Finished();

protected:
    explicit MessageLogTransfer(QObject* parent);
    // Runs work on the transfer's thread.
    void StartThread(std::function<void()> work);
    // Stops the queue and waits for the transfer's thread to end; each kind's destructor calls it,
    // as the thread uses that kind's members.
    void StopAndWait();
    // Runs the next step on the window's thread in a coming turn of the event loop; any thread.
    void ScheduleStep();
    // Sets how far the transfer has come.
    void SetProgress(std::uint64_t done, std::uint64_t total);
    // Ends the transfer: waits for its thread, then announces the outcome.
    void Conclude(std::exception_ptr failure);

    // Stops the queue between the two threads.
    virtual void StopQueue() = 0;
    // Does the next step on the window's thread.
    virtual void Step() = 0;

    // Thrown on the transfer's thread to leave the file's reading or writing when cancelled.
    struct Stopped {};

private:
    std::thread thread_;
    QTimer step_;
    Outcome result_ = Outcome::Running;
    std::exception_ptr failure_;
    bool cancelled_ = false;
    int percent_ = 0;
};

// Reads a message log on its thread; the session takes its messages in pieces, announced a piece
// at a time. Messages read before a failure or a cancel stay, as if they had arrived; clearing the
// messages cancels the opening.
class MessageLogOpening final : public MessageLogTransfer {
    Q_OBJECT
public:
    // Starts opening the log at path into the session.
    MessageLogOpening(TraceSession& session, std::filesystem::path path, QObject* parent = nullptr);
    ~MessageLogOpening() override;

    // What the opening read besides the messages (valid once Finished).
    const MessageLogReport& Report() const { return report_; }

private:
    void Read();
    void StopQueue() override;
    void Step() override;

    TraceSession& session_;
    const std::filesystem::path path_;
    std::uint64_t fileBytes_ = 0;
    std::atomic<std::uint64_t> bytesRead_{0};
    PieceQueue<std::vector<LoggedMessage>> pieces_;
    MessageLogReport report_;     // written by the thread before it ends
    std::exception_ptr readError_; // the same
};

// Writes the messages at given store indices, in that order, to a log replacing the file
// atomically: the window's thread formats a piece per turn, the transfer's thread writes it.
// Messages dropped by the history limit before their turn are left out; clearing the messages
// cancels the save. A failed or cancelled save leaves the old file whole.
class MessageLogSaving final : public MessageLogTransfer {
    Q_OBJECT
public:
    // Starts saving the messages at the store indices to path.
    MessageLogSaving(TraceSession& session, std::filesystem::path path, std::vector<int> indices,
                     QObject* parent = nullptr);
    ~MessageLogSaving() override;

private:
    void Write();
    void StopQueue() override;
    void Step() override;
    // Formats the next messages into the piece being made.
    void FormatNextPiece();

    TraceSession& session_;
    const std::filesystem::path path_;
    std::vector<int> indices_;
    std::size_t formatted_ = 0; // indices formatted so far
    int dropped_ = 0;           // messages dropped since the save began: indices fell by as many
    std::string piece_;
    const ContentSink toPiece_;
    MessageLogWriter writer_;
    PieceQueue<std::string> pieces_;
    std::atomic<bool> written_{false}; // the transfer's thread has ended
    std::exception_ptr writeError_;    // written by the thread before it ends
};

} // namespace vireo
