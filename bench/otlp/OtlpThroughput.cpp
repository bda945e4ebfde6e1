// OTLP/protobuf batches of 1,000 records from concurrent senders over loopback, each sender
// waiting for each reply (the receiver replies once every record of the batch is stored).
//   otlp_throughput [--batches N] [--senders N] [--records N]
// First against the receiver feeding a TraceSession in this process (the stored count is
// checked against what was sent), then against the viewer program (window offscreen, private
// bus) started with --otlp.

#include "BusCalls.h"
#include "HttpClient.h"
#include "PrivateBus.h"

#include "otlp/OtlpReceiver.h"
#include "otlp_logs.pb.h"
#include "viewer/session/TraceSession.h"

#include <QCoreApplication>
#include <QTcpServer>
#include <QTemporaryDir>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace vireo;

std::string Batch(int records, int sender, int batch)
{
    otlp::ExportLogsServiceRequest request;
    auto* rl = request.add_resource_logs();
    for (const auto& [key, value] : {std::pair{"service.name", "TOrderService"}, {"host.name", "BUILD-PC"}}) {
        auto* a = rl->mutable_resource()->add_attributes();
        a->set_key(key);
        a->mutable_value()->set_string_value(value);
    }
    auto* sl = rl->add_scope_logs();
    for (int i = 0; i < records; ++i) {
        auto* r = sl->add_log_records();
        r->set_time_unix_nano(1'700'000'000'000'000'000u + static_cast<uint64_t>(i) * 1000);
        r->set_severity_number(9 + (i % 4) * 4);
        r->mutable_body()->set_string_value("order " + std::to_string(sender) + "/" + std::to_string(batch) + "/"
                                            + std::to_string(i) + " confirmed for the customer");
        for (const auto& [key, value] : {std::pair{"vireo.group", "mgBlue"}, {"vireo.message_id", "UniqueStr_123456789"},
                                         {"code.filepath", "/projects/shop/OrderForm.pas"}}) {
            auto* a = r->add_attributes();
            a->set_key(key);
            a->mutable_value()->set_string_value(value);
        }
    }
    const std::string body = request.SerializeAsString();
    return "POST /v1/logs HTTP/1.1\r\nHost: bench\r\nContent-Type: application/x-protobuf\r\nContent-Length: "
        + std::to_string(body.size()) + "\r\n\r\n" + body;
}

// Sends one request on a kept-alive connection (opened anew when closed); its status, 0 on failure.
int Post(int& fd, quint16 port, const std::string& request)
{
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (fd < 0)
            fd = vireo::test::http::Connect(port);
        size_t sent = 0;
        while (fd >= 0 && sent < request.size()) {
            const ssize_t n = ::send(fd, request.data() + sent, request.size() - sent, MSG_NOSIGNAL);
            if (n <= 0)
                break;
            sent += static_cast<size_t>(n);
        }
        std::string data;
        char chunk[4096];
        while (fd >= 0 && sent == request.size()) {
            const size_t end = data.find("\r\n\r\n");
            if (end != std::string::npos) {
                const size_t at = data.find("Content-Length:");
                const size_t length = at < end ? std::stoul(data.substr(at + 15)) : 0;
                if (data.size() >= end + 4 + length)
                    return std::atoi(data.c_str() + 9);
            }
            const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
            if (n <= 0)
                break;
            data.append(chunk, static_cast<size_t>(n));
        }
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
    return 0;
}

double ThreadCpuSeconds()
{
    rusage usage{};
    ::getrusage(RUSAGE_THREAD, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Processor seconds a process has used so far (user and system), from /proc.
double ProcessCpuSeconds(qint64 pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string field;
    double ticks = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i)
        if (i >= 14)
            ticks += std::stod(field);
    return ticks / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

struct Outcome {
    double Seconds = 0;
    double ServingCpuSeconds = 0; // processor time of this thread (the receiver's) during the run
    long Accepted = 0; // records in batches answered 200
    long Failed = 0;   // batches answered otherwise
};

// Runs the senders while serve() keeps this thread's event loop turning (or does nothing).
Outcome Run(quint16 port, int senders, int batches, int records, const std::function<void()>& serve)
{
    std::vector<std::vector<std::string>> requests(static_cast<size_t>(senders));
    for (int s = 0; s < senders; ++s)
        for (int b = 0; b < batches; ++b)
            requests[static_cast<size_t>(s)].push_back(Batch(records, s, b));
    std::atomic<long> accepted{0}, failed{0};
    std::atomic<int> running{senders};
    const auto start = std::chrono::steady_clock::now();
    const double cpuStart = ThreadCpuSeconds();
    std::vector<std::thread> threads;
    for (int s = 0; s < senders; ++s)
        threads.emplace_back([&, s] {
            int fd = -1;
            for (const std::string& request : requests[static_cast<size_t>(s)]) {
                if (Post(fd, port, request) == 200)
                    accepted += records;
                else
                    ++failed;
            }
            if (fd >= 0)
                ::close(fd);
            --running;
        });
    while (running > 0)
        serve();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double cpu = ThreadCpuSeconds() - cpuStart;
    for (std::thread& t : threads)
        t.join();
    return {seconds, cpu, accepted, failed};
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int batches = bench::Option(args, QStringLiteral("--batches"), 100);
    const int senders = bench::Option(args, QStringLiteral("--senders"), 4);
    const int records = bench::Option(args, QStringLiteral("--records"), 1000);
    const long total = static_cast<long>(batches) * senders * records;

    {
        TraceSession session;
        OtlpReceiver receiver(session);
        if (!receiver.Listen(OtlpEndpoint{QStringLiteral("127.0.0.1"), 0}, {}))
            return 1;
        const Outcome o = Run(receiver.Port(), senders, batches, records,
                              [] { QCoreApplication::processEvents(QEventLoop::AllEvents, 20); });
        std::printf("in-process session: %d senders x %d batches x %d records: %.0f records/s stored "
                    "(%.0f per second of the receiving thread's processor time); stored %d of %ld, answered 200 "
                    "for %ld, other replies %ld\n",
                    senders, batches, records, static_cast<double>(session.Store().Count()) / o.Seconds,
                    static_cast<double>(session.Store().Count()) / o.ServingCpuSeconds, session.Store().Count(), total,
                    o.Accepted, o.Failed);
    }

    QTemporaryDir registry;
    QTcpServer probe; // a free port for the viewer
    probe.listen(QHostAddress::LocalHost, 0);
    const quint16 port = probe.serverPort();
    probe.close();
    testing::PrivateBus bus;
    QProcess viewer;
    QProcessEnvironment env = bus.Environment();
    env.insert(QStringLiteral("VIREO_REGISTRY_DIR"), registry.path());
    viewer.setProcessEnvironment(env);
    viewer.setProcessChannelMode(QProcess::ForwardedChannels);
    viewer.start(QStringLiteral(VIREO_VIEWER),
                 {QStringLiteral("-Automation"), QStringLiteral("--otlp"), QStringLiteral("127.0.0.1:%1").arg(port)});
    if (!testing::PrivateBus::WaitUntil([&] {
            const int fd = vireo::test::http::Connect(port);
            if (fd >= 0)
                ::close(fd);
            return fd >= 0;
        })) {
        std::fprintf(stderr, "the viewer did not start its receiver\n");
        return 1;
    }
    const double viewerCpuStart = ProcessCpuSeconds(viewer.processId());
    const Outcome o = Run(port, senders, batches, records, [] { std::this_thread::sleep_for(std::chrono::milliseconds(20)); });
    const double viewerCpu = ProcessCpuSeconds(viewer.processId()) - viewerCpuStart;
    std::printf("viewer (window offscreen): %d senders x %d batches x %d records: %.0f records/s stored "
                "(%.0f per second of the viewer's processor time); answered 200 for %ld of %ld, other replies %ld\n",
                senders, batches, records, static_cast<double>(o.Accepted) / o.Seconds,
                static_cast<double>(o.Accepted) / viewerCpu, o.Accepted, total, o.Failed);
    viewer.terminate();
    viewer.waitForFinished(30000);
    return o.Failed == 0 && o.Accepted == total ? 0 : 1;
}
