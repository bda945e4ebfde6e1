#pragma once

#include "intake/TraceIntake.h"

#include <QDBusConnection>
#include <QDBusVirtualObject>
#include <QString>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

class QDBusServiceWatcher;
class QTimer;

namespace vireo {

class TVireo;

// The process's table of live automation objects, cookie to object. It does not own them.
class RunningObjectTable {
public:
    // Enters an object and returns the cookie that revokes it.
    uint32_t Register(TVireo* object);
    // Removes the entry of a cookie; unknown cookies are ignored.
    void Revoke(uint32_t cookie);
    // The object registered under a cookie, or nullptr.
    TVireo* Find(uint32_t cookie) const;
    // Number of live entries.
    int Count() const { return static_cast<int>(entries_.size()); }

private:
    std::unordered_map<uint32_t, TVireo*> entries_;
    uint32_t nextCookie_ = 1;
};

// One client's automation object: enters itself in the running-object table for its life and
// hands every posted message unchanged to the intake.
class TVireo {
public:
    TVireo(ITraceIntake& intake, RunningObjectTable& table);
    ~TVireo();
    TVireo(const TVireo&) = delete;
    TVireo& operator=(const TVireo&) = delete;

    // Posts one message to the intake; throws what the intake throws.
    void AddTrace(const QString& ClassName, const QString& MessageStr, int32_t MessageType,
                  const QString& MessageGroup, const QString& ComputerName, const QString& MessageID,
                  const QString& UnitFileName, double MessageDateTime);

    // Posts a batch to the intake in order; returns the messages it refused.
    std::vector<TraceRefusal> AddTraces(const std::vector<TraceArguments>& traces);

    // The running-object registration cookie.
    uint32_t Cookie() const { return cookie_; }

private:
    ITraceIntake& intake_;
    RunningObjectTable& table_;
    uint32_t cookie_;
};

// The viewer's server on the bus: owns the well-known name, serves the Vireo object and its
// description, keeps one TVireo per client connection and revokes it when the client leaves.
class VireoServer : public QDBusVirtualObject {
    Q_OBJECT
public:
    explicit VireoServer(QDBusConnection connection, QObject* parent = nullptr);
    ~VireoServer() override;

    // The intake every TVireo hands messages to; calls fail while there is none.
    void SetIntake(ITraceIntake* intake) { intake_ = intake; }

    // Serves the object and takes the well-known name; false when the name is already owned
    // (another viewer runs) or the bus refuses.
    bool Start();

    // Releases the name and the object; no call is served afterwards.
    void Stop();

    // Number of TVireo objects created since start; never falls.
    int32_t ServedObjectCount() const { return servedObjectCount_.load(); }

    // The live TVireo objects.
    const RunningObjectTable& RunningObjects() const { return runningObjects_; }

    // Serves one call to /Vireo.
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;

    // The interface description served by introspection.
    QString introspect(const QString& path) const override;

private:
    // Runs a call's work and answers it: a plain return for a null failure text, otherwise
    // VireoX.Error.Unexpected with it (or with what the work threw).
    // A batch's answer waits while the intake is crowded (see ReleaseHeldAnswers).
    void Answer(const QDBusMessage& message, const std::function<QString()>& serve, bool batch = false);
    // Sends the answers held back, in order, once the intake is no longer crowded (or always).
    void ReleaseHeldAnswers(bool always = false);
    void ServeAddTrace(const QDBusMessage& message);
    void ServeAddTraces(const QDBusMessage& message);
    TVireo& ObjectFor(const QString& client);
    void WatchClient(const QString& client);
    void ClientLeft(const QString& client);

    QDBusConnection connection_;
    ITraceIntake* intake_ = nullptr;
    QDBusServiceWatcher* clientWatcher_;
    QTimer* heldAnswersTimer_;
    std::vector<QDBusMessage> heldAnswers_;
    RunningObjectTable runningObjects_;
    std::unordered_map<QString, std::unique_ptr<TVireo>> clients_;
    std::atomic<int32_t> servedObjectCount_ = 0; // read by the window while calls are served elsewhere
    bool started_ = false;
};

} // namespace vireo
