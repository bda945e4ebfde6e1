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
    const int index = intake_.Take(ClassName, MessageStr, MessageType, MessageGroup, ComputerName, MessageID,
                                   UnitFileName, MessageDateTime);
    Learn(index);
    emit MessagesAppended(index, index);
    emit IntakeFinished();
}

MessageLogReport TraceSession::OpenLog(const std::filesystem::path& path)
{
    const int first = store_.Count();
    // Whatever was read before a failure is announced all the same: it is stored.
    struct AnnounceRead {
        TraceSession& session;
        int first;
        ~AnnounceRead()
        {
            if (session.store_.Count() > first)
                emit session.MessagesAppended(first, session.store_.Count() - 1);
        }
    } announce{*this, first};
    return OpenMessageLog(path, [this](TraceFields&& fields) { Learn(intake_.Take(std::move(fields))); });
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
    emit Cleared();
}

void TraceSession::DropOldest(int count)
{
    count = std::min(count, store_.Count());
    if (count <= 0)
        return;
    store_.DropOldest(count);
    emit MessagesDropped(count);
}

} // namespace vireo
