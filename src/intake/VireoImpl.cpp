#include "intake/VireoImpl.h"

#include "intake/VireoX_TLB.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QTimer>

#include <exception>

namespace vireo {

uint32_t RunningObjectTable::Register(TVireo* object)
{
    const uint32_t cookie = nextCookie_++;
    entries_.emplace(cookie, object);
    return cookie;
}

void RunningObjectTable::Revoke(uint32_t cookie)
{
    entries_.erase(cookie);
}

TVireo* RunningObjectTable::Find(uint32_t cookie) const
{
    const auto found = entries_.find(cookie);
    return found == entries_.end() ? nullptr : found->second;
}

TVireo::TVireo(ITraceIntake& intake, RunningObjectTable& table)
    : intake_(intake), table_(table), cookie_(table.Register(this))
{
}

TVireo::~TVireo()
{
    table_.Revoke(cookie_);
}

void TVireo::AddTrace(const QString& ClassName, const QString& MessageStr, int32_t MessageType,
                      const QString& MessageGroup, const QString& ComputerName, const QString& MessageID,
                      const QString& UnitFileName, double MessageDateTime)
{
    intake_.ReceiveTrace(ClassName, MessageStr, MessageType, MessageGroup, ComputerName, MessageID, UnitFileName,
                         MessageDateTime);
}

std::vector<TraceRefusal> TVireo::AddTraces(const std::vector<TraceArguments>& traces)
{
    return intake_.ReceiveTraces(traces);
}

VireoServer::VireoServer(QDBusConnection connection, QObject* parent)
    : QDBusVirtualObject(parent),
      connection_(std::move(connection)),
      clientWatcher_(new QDBusServiceWatcher(this)),
      heldAnswersTimer_(new QTimer(this))
{
    heldAnswersTimer_->setInterval(5);
    connect(heldAnswersTimer_, &QTimer::timeout, this, [this] { ReleaseHeldAnswers(); });
    clientWatcher_->setConnection(connection_);
    clientWatcher_->setWatchMode(QDBusServiceWatcher::WatchForUnregistration);
    connect(clientWatcher_, &QDBusServiceWatcher::serviceUnregistered, this, &VireoServer::ClientLeft);
}

VireoServer::~VireoServer()
{
    Stop();
}

bool VireoServer::Start()
{
    if (!connection_.isConnected())
        return false;
    if (!connection_.registerVirtualObject(QLatin1String(VireoX::ObjectPath), this))
        return false;
    const auto reply = connection_.interface()->registerService(QLatin1String(VireoX::BusName),
                                                                QDBusConnectionInterface::DontQueueService,
                                                                QDBusConnectionInterface::DontAllowReplacement);
    if (!reply.isValid() || reply.value() != QDBusConnectionInterface::ServiceRegistered) {
        connection_.unregisterObject(QLatin1String(VireoX::ObjectPath));
        return false;
    }
    started_ = true;
    return true;
}

void VireoServer::Stop()
{
    if (!started_)
        return;
    started_ = false;
    ReleaseHeldAnswers(true);
    connection_.unregisterService(QLatin1String(VireoX::BusName));
    connection_.unregisterObject(QLatin1String(VireoX::ObjectPath));
}

QString VireoServer::introspect(const QString&) const
{
    return VireoX::InterfaceElement();
}

bool VireoServer::handleMessage(const QDBusMessage& message, const QDBusConnection&)
{
    if (message.type() != QDBusMessage::MethodCallMessage)
        return false;
    const QString iface = message.interface();
    if (!iface.isEmpty() && iface != QLatin1String(VireoX::InterfaceName))
        return false; // introspection and the bus's standard interfaces
    const bool batch = message.member() == QLatin1String(VireoX::AddTracesMethod);
    if (!batch && message.member() != QLatin1String(VireoX::AddTraceMethod)) {
        connection_.send(message.createErrorReply(QDBusError::UnknownMethod,
                                                  QStringLiteral("No such method: ") + message.member()));
        return true;
    }
    const QLatin1String signature(batch ? VireoX::AddTracesSignature : VireoX::AddTraceSignature);
    if (message.signature() != signature) {
        connection_.send(message.createErrorReply(
            QDBusError::InvalidArgs,
            QStringLiteral("%1 takes (%2), not (%3)").arg(message.member(), signature, message.signature())));
        return true;
    }
    if (batch)
        ServeAddTraces(message);
    else
        ServeAddTrace(message);
    return true;
}

void VireoServer::Answer(const QDBusMessage& message, const std::function<QString()>& serve, bool batch)
{
    QString failure;
    try {
        if (!intake_)
            throw std::runtime_error("The viewer is not ready to receive messages");
        failure = serve();
    } catch (const std::exception& e) {
        failure = QString::fromUtf8(e.what());
    } catch (...) {
        failure = QStringLiteral("Unexpected failure");
    }
    if (!message.isReplyRequired())
        return;
    QDBusMessage answer = failure.isNull() ? message.createReply()
                                           : message.createErrorReply(QLatin1String(VireoX::ErrorUnexpected), failure);
    // A sender of batches waits for each answer before its next batch: answering it later slows
    // a flood at its source, while the bus thread goes on answering everyone else at once.
    if (batch && intake_ && intake_->Crowded()) {
        message.setDelayedReply(true);
        heldAnswers_.push_back(std::move(answer));
        heldAnswersTimer_->start();
        return;
    }
    connection_.send(answer);
}

void VireoServer::ReleaseHeldAnswers(bool always)
{
    if (!always && intake_ && intake_->Crowded())
        return;
    heldAnswersTimer_->stop();
    for (const QDBusMessage& answer : heldAnswers_)
        connection_.send(answer);
    heldAnswers_.clear();
}

void VireoServer::ServeAddTrace(const QDBusMessage& message)
{
    Answer(message, [&] {
        const QList<QVariant> a = message.arguments();
        ObjectFor(message.service())
            .AddTrace(a[0].toString(), a[1].toString(), a[2].toInt(), a[3].toString(), a[4].toString(),
                      a[5].toString(), a[6].toString(), a[7].toDouble());
        return QString();
    });
}

void VireoServer::ServeAddTraces(const QDBusMessage& message)
{
    Answer(message, [&] {
        std::vector<TraceArguments> traces;
        const QDBusArgument elements = message.arguments().at(0).value<QDBusArgument>();
        elements.beginArray();
        while (!elements.atEnd()) {
            traces.emplace_back();
            elements >> traces.back();
        }
        elements.endArray();
        const std::vector<TraceRefusal> refused = ObjectFor(message.service()).AddTraces(traces);
        QString failure;
        if (!refused.empty()) {
            failure = QStringLiteral("%1 of %2 messages refused, the others taken; positions from 0:")
                          .arg(refused.size())
                          .arg(traces.size());
            for (const TraceRefusal& r : refused)
                failure += QStringLiteral(" %1 (%2);").arg(r.Position).arg(r.Reason);
            failure.chop(1);
        }
        return failure;
    }, true);
}

TVireo& VireoServer::ObjectFor(const QString& client)
{
    auto found = clients_.find(client);
    if (found != clients_.end())
        return *found->second;
    auto& object = clients_[client];
    object = std::make_unique<TVireo>(*intake_, runningObjects_);
    ++servedObjectCount_;
    WatchClient(client);
    return *object;
}

void VireoServer::WatchClient(const QString& client)
{
    clientWatcher_->addWatchedService(client);
    // A client may have left before the bus took the watch: ask whether it is still there.
    // The bus answers after it has entered the watch, so one of the two always tells.
    QDBusMessage ask = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("NameHasOwner"));
    ask << client;
    auto* pending = new QDBusPendingCallWatcher(connection_.asyncCall(ask), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this, [this, client](QDBusPendingCallWatcher* call) {
        const QDBusPendingReply<bool> reply = *call;
        if (reply.isValid() && !reply.value())
            ClientLeft(client);
        call->deleteLater();
    });
}

void VireoServer::ClientLeft(const QString& client)
{
    clientWatcher_->removeWatchedService(client);
    clients_.erase(client);
}

} // namespace vireo
