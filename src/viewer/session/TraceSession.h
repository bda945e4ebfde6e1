#pragma once

#include "intake/TimeStampText.h"
#include "intake/TraceIntake.h"
#include "viewer/session/HistoryLimit.h"
#include "viewer/session/KeyMarkBook.h"
#include "viewer/session/MessageIntake.h"
#include "viewer/session/MessageLog.h"
#include "viewer/session/MessageStore.h"
#include "viewer/session/TraceSources.h"
#include "viewer/session/TrackBook.h"

#include <QObject>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace vireo {

// The document of a viewer run: every message taken in (from the bus, from logs), the classes,
// groups and computers learned from them, the message tracks and the key marks. It knows no
// widget; views follow it through its signals, which it sends synchronously in a fixed order for
// each message: names learned first, then the messages appended, so a view deciding whether to
// list a message already knows its names.
class TraceSession : public QObject, public ITraceIntake {
    Q_OBJECT
public:
    // A session formatting time stamps by the given conventions (the process locale's without).
    explicit TraceSession(std::unique_ptr<ITimeConventions> timeConventions = nullptr, QObject* parent = nullptr);
    ~TraceSession() override;

    // Takes one posted message: stored, numbered, its names learned, announced. A time stamp that
    // cannot be formatted throws before anything is stored; IntakeFinished is then not sent.
    void ReceiveTrace(const QString& ClassName, const QString& MessageStr, int32_t MessageType,
                      const QString& MessageGroup, const QString& ComputerName, const QString& MessageID,
                      const QString& UnitFileName, double MessageDateTime) override;

    // Takes a batch in order, announced as one range; a message whose time stamp cannot be
    // formatted is refused alone. Returns the refused ones.
    std::vector<TraceRefusal> ReceiveTraces(const std::vector<TraceArguments>& traces) override;

    // Takes a piece of a message log's messages in as if they had just arrived and announces them
    // as one range (MessageLogOpening hands them on). Their texts move out.
    void ReceiveLogged(std::vector<LoggedMessage>& messages);

    // Forgets every message and learned name ("Clear All Messages"); numbering goes on.
    void Clear();

    // Drops the oldest messages, count at most the stored number; numbering is not touched.
    void DropOldest(int count);
    // Keeps at most so much history from now on, dropping the oldest messages at once if needed.
    void SetHistoryLimit(const HistoryLimit& limit);
    // How much history is kept.
    const HistoryLimit& Limit() const { return limit_; }
    // Messages dropped since the session began or was last cleared.
    std::int64_t DroppedSinceClear() const { return droppedSinceClear_; }
    // Messages taken in since the session began, cleared or dropped ones included.
    std::int64_t TakenTotal() const { return takenTotal_; }

    // The stored messages, in arrival order.
    const MessageStore& Store() const { return store_; }
    // The key marks, in list order.
    KeyMarkBook& KeyMarks() { return keyMarks_; }
    const KeyMarkBook& KeyMarks() const { return keyMarks_; }
    // The message tracks, in the order made or loaded.
    TrackBook& Tracks() { return tracks_; }
    const TrackBook& Tracks() const { return tracks_; }

signals:
    // An intake of a posted message began; IntakeFinished follows unless it failed.
    void IntakeStarted();
    // The intake begun by IntakeStarted ended with the message stored.
    void IntakeFinished();
    // A class, group or computer name not known before (as the first message spelled it).
    void NameLearned(vireo::NameKind kind, const std::string& name);
    // Messages first .. last (store indices) were appended.
    void MessagesAppended(int first, int last);
    // The count oldest messages are about to be dropped; MessagesDropped follows.
    void MessagesAboutToBeDropped(int count);
    // The count oldest messages were dropped: every store index fell by count.
    void MessagesDropped(int count);
    // Every message and learned name was forgotten.
    void Cleared();

private:
    // Follows a message just stored at a store index: its names learned, counted, the history
    // limit kept.
    void Took(int storeIndex);
    // Learns the names of the message at a store index and announces the new ones.
    void Learn(int storeIndex);
    // Announces the messages stored since the last announcement.
    void AnnounceTaken();
    // Drops the oldest messages past the history limit, announcing what came before.
    void KeepWithinLimit();

    std::unique_ptr<ITimeConventions> timeConventions_;
    MessageStore store_;
    MessageIntake intake_;
    TraceSourceRegistry sources_;
    KeyMarkBook keyMarks_;
    TrackBook tracks_;
    HistoryLimit limit_;
    int unannounced_ = 0; // store index of the first message not yet announced
    std::int64_t droppedSinceClear_ = 0;
    std::int64_t takenTotal_ = 0;
};

} // namespace vireo
