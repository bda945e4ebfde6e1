#pragma once

#include "intake/TraceIntake.h"
#include "otlp/OtlpMapping.h"
#include "otlp_logs.pb.h"

#include <QCoreApplication>

#include <atomic>
#include <functional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace vireo::test {

// An intake that keeps what it is given; a message text "refuse" is thrown on, as a session
// throws on a time stamp it cannot show.
class RecordingIntake : public ITraceIntake {
public:
    void ReceiveTrace(const QString& ClassName, const QString& MessageStr, int32_t MessageType,
                      const QString& MessageGroup, const QString& ComputerName, const QString& MessageID,
                      const QString& UnitFileName, double MessageDateTime) override
    {
        if (MessageStr == QLatin1String("refuse"))
            throw std::runtime_error("refused by the intake");
        Traces.push_back({ClassName, MessageStr, MessageType, MessageGroup, ComputerName, MessageID, UnitFileName,
                          MessageDateTime});
    }
    std::vector<MappedTrace> Traces; // what was stored, in order
};

// Runs work on another thread while this one serves the event loop, until work ends.
inline void WhileServing(const std::function<void()>& work)
{
    std::atomic<bool> done{false};
    std::thread worker([&] {
        work();
        done = true;
    });
    while (!done)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    worker.join();
    QCoreApplication::processEvents();
}

// A protobuf export request of count records: service, host and text given, severity 9.
inline std::string ProtobufRequest(int count, const std::string& text = "hello", uint64_t firstNanos = 1)
{
    otlp::ExportLogsServiceRequest request;
    auto* resourceLogs = request.add_resource_logs();
    auto* service = resourceLogs->mutable_resource()->add_attributes();
    service->set_key("service.name");
    service->mutable_value()->set_string_value("TService");
    auto* host = resourceLogs->mutable_resource()->add_attributes();
    host->set_key("host.name");
    host->mutable_value()->set_string_value("buildhost");
    auto* scopeLogs = resourceLogs->add_scope_logs();
    for (int i = 0; i < count; ++i) {
        auto* record = scopeLogs->add_log_records();
        record->set_time_unix_nano(firstNanos + static_cast<uint64_t>(i));
        record->set_severity_number(9);
        record->mutable_body()->set_string_value(text + " " + std::to_string(i));
    }
    return request.SerializeAsString();
}

} // namespace vireo::test
