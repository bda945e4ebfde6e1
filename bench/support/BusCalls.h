#pragma once

// What the benchmarks that talk to a running viewer share: the viewer started on a private bus,
// the calls they send, and a client that keeps calls in flight and times each answer.

#include "PrivateBus.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QElapsedTimer>
#include <QProcess>
#include <QStringList>

#include <functional>
#include <vector>

namespace vireo::bench {

// Starts a viewer program with -Automation on the bus and waits until it serves; false if not.
bool StartViewer(QProcess& viewer, testing::PrivateBus& bus, const QString& program);

// An AddTrace call to the viewer with the given message text and ID.
QDBusMessage AddTraceCall(const QString& text, const QString& id = QStringLiteral("UniqueStr_123456789"));
// A Peer.Ping call to the viewer's process.
QDBusMessage PingCall();

// Keeps a fixed number of calls in flight until the wanted number has been answered, and keeps
// the time each call took from sending to its answer.
class CallPipeline {
public:
    // The call to send as call number i (0-based).
    using CallMaker = std::function<QDBusMessage(int)>;

    CallPipeline(QDBusConnection connection, CallMaker makeCall, int calls, int window);
    // The same call every time.
    CallPipeline(QDBusConnection connection, const QDBusMessage& call, int calls, int window);

    // Waits this long after each answer before sending the next call (for a probe: window 1).
    void SetPause(int milliseconds) { pauseMs_ = milliseconds; }
    // Sends the first calls; the answers send the rest while the event loop turns.
    void Start();
    // Sends no further calls.
    void Stop() { calls_ = sent_; }
    // Whether every call sent has been answered and no more are to be sent.
    bool Done() const { return answered_ == calls_; }
    // Runs every call; returns calls per second.
    double Run();
    // Calls answered.
    int Answered() const { return answered_; }
    // Calls answered with an error.
    int Failed() const { return failed_; }
    // Milliseconds from sending to answer, by call number, for the calls sent.
    const std::vector<double>& LatenciesMs() const { return latencies_; }

private:
    void SendOne();

    QDBusConnection connection_;
    CallMaker makeCall_;
    int calls_;
    int window_;
    int sent_ = 0;
    int answered_ = 0;
    int failed_ = 0;
    int pauseMs_ = 0;
    QElapsedTimer clock_;
    std::vector<double> latencies_;
};

// The value below which the given share (0 to 1) of the values lies; 0 for none.
double Percentile(std::vector<double> values, double share);

// The value of a "--name N" option, or fallback.
int Option(const QStringList& args, const QString& name, int fallback);

} // namespace vireo::bench
