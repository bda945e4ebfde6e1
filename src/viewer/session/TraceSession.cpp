#include "viewer/session/TraceSession.h"

namespace vireo {

TraceSession::TraceSession(std::unique_ptr<ITimeConventions> timeConventions, QObject* parent)
    : QObject(parent),
      timeConventions_(timeConventions ? std::move(timeConventions) : std::make_unique<LocaleTimeConventions>()),
      intake_(store_, *timeConventions_)
{
}

TraceSession::~TraceSession() = default;

void TraceSession::ReceiveTrace(const QString& ClassName, const QString& MessageStr, int32_t MessageType,
                                const QString& MessageGroup, const QString& ComputerName, const QString& MessageID,
                                const QString& UnitFileName, double MessageDateTime)
{
    emit IntakeStarted();
    Took(intake_.Take(ClassName, MessageStr, MessageType, MessageGroup, ComputerName, MessageID, UnitFileName,
                      MessageDateTime));
    AnnounceTaken();
    emit IntakeFinished();
}

std::vector<TraceRefusal> TraceSession::ReceiveTraces(const std::vector<TraceArguments>& traces)
{
    emit IntakeStarted();
    std::vector<TraceRefusal> refused;
    for (std::size_t i = 0; i < traces.size(); ++i) {
        const TraceArguments& t = traces[i];
        try {
            Took(intake_.Take(t.ClassName, t.MessageStr, t.MessageType, t.MessageGroup, t.ComputerName,
                              t.MessageID, t.UnitFileName, t.MessageDateTime));
        } catch (const std::exception& error) {
            refused.push_back({i, QString::fromUtf8(error.what())});
        }
    }
    AnnounceTaken();
    emit IntakeFinished();
    return refused;
}

void TraceSession::ReceiveLogged(std::vector<LoggedMessage>& messages)
{
    try {
        for (LoggedMessage& message : messages)
            Took(intake_.Take(message.Fields()));
    } catch (...) {
        AnnounceTaken(); // what was stored before the failure is shown all the same
        throw;
    }
    AnnounceTaken();
}

void TraceSession::Took(int storeIndex)
{
    Learn(storeIndex);
    ++takenTotal_;
    KeepWithinLimit(); // announces what came before a drop
}

void TraceSession::AnnounceTaken()
{
    const int count = store_.Count();
    if (count > unannounced_)
        emit MessagesAppended(unannounced_, count - 1);
    unannounced_ = count;
}

void TraceSession::KeepWithinLimit()
{
    const int drop = MessagesToDrop(limit_, store_.Count(), store_.Bytes(),
                                    [this](int index) { return store_.BytesAt(index); });
    if (drop == 0)
        return;
    AnnounceTaken(); // views learn of a message before it is dropped, so their indices stay true
    DropOldest(drop);
}

void TraceSession::SetHistoryLimit(const HistoryLimit& limit)
{
    limit_ = limit;
    KeepWithinLimit();
}

void TraceSession::Learn(int storeIndex)
{
    const TTraceInfo& message = store_.Items(storeIndex);
    const LearnedSources learned = sources_.Learn(message);
    if (learned.Class)
        emit NameLearned(NameKind::Class, message.ClassName.str());
    if (learned.Group)
        emit NameLearned(NameKind::Group, message.MessageGroup.str());
    if (learned.Computer)
        emit NameLearned(NameKind::Computer, message.ComputerName.str());
}

void TraceSession::Clear()
{
    store_.Clear();
    sources_.Reset();
    unannounced_ = 0;
    droppedSinceClear_ = 0;
    emit Cleared();
}

void TraceSession::DropOldest(int count)
{
    count = std::min(count, store_.Count());
    if (count <= 0)
        return;
    emit MessagesAboutToBeDropped(count);
    store_.DropOldest(count);
    unannounced_ = std::max(0, unannounced_ - count);
    droppedSinceClear_ += count;
    emit MessagesDropped(count);
}

} // namespace vireo
