#include "HttpClient.h"
#include "OtlpTestSupport.h"

#include "otlp/OtlpReceiver.h"

#include <gtest/gtest.h>

#include <poll.h>
#include <sys/resource.h>
#include <unistd.h>

namespace vireo {
namespace {

using test::ProtobufRequest;
using test::RecordingIntake;
using test::WhileServing;
using namespace test::http;

class OtlpReceiverTest : public ::testing::Test {
protected:
    void Start(OtlpLimits limits = {}, const QString& token = {})
    {
        receiver_ = std::make_unique<OtlpReceiver>(intake_, limits);
        ASSERT_TRUE(receiver_->Listen(OtlpEndpoint{"127.0.0.1", 0}, token)) << receiver_->ErrorString().toStdString();
        port_ = receiver_->Port();
    }
    RecordingIntake intake_;
    std::unique_ptr<OtlpReceiver> receiver_;
    quint16 port_ = 0;
};

TEST_F(OtlpReceiverTest, EachFaultGetsItsStatusAndNothingStoredIsLost)
{
    Start();
    std::map<std::string, Reply> replies;
    std::string cut = ProtobufRequest(5);
    cut.resize(cut.size() - 2);
    WhileServing([&] {
        replies["good"] = Exchange(port_, Request(ProtobufRequest(3)));
        replies["protobuf"] = Exchange(port_, Request(cut));
        replies["json"] = Exchange(port_, Request("{\"resourceLogs\":[{", "application/json"));
        replies["partial"] = Exchange(
            port_, Request(R"({"resourceLogs":[{"scopeLogs":[{"logRecords":[{"body":{"stringValue":"refuse"}},{"body":{"stringValue":"kept"}}]}]}]})",
                           "application/json"));
        replies["type"] = Exchange(port_, Request("x", "text/plain"));
        replies["path"] = Exchange(port_, Request(ProtobufRequest(1), "application/x-protobuf", "", "/v1/traces"));
        replies["gzip"] = Exchange(port_, Request("not gzip", "application/json", "Content-Encoding: gzip\r\n"));
        replies["http"] = Exchange(port_, "NOT HTTP AT ALL\r\n\r\n");
        replies["header"] = Exchange(port_, "POST /v1/logs HTTP/1.1\r\nContent-Type: application/json\r\nContent-Length: abc\r\n\r\nx");
    });
    EXPECT_EQ(replies["good"].Status, 200);
    EXPECT_TRUE(replies["good"].Body.empty());
    EXPECT_EQ(replies["protobuf"].Status, 400);
    otlp::Status status;
    ASSERT_TRUE(status.ParseFromString(replies["protobuf"].Body));
    EXPECT_FALSE(status.message().empty());
    EXPECT_EQ(replies["json"].Status, 400);
    EXPECT_NE(replies["json"].Body.find("not JSON"), std::string::npos);
    EXPECT_EQ(replies["partial"].Status, 200);
    EXPECT_NE(replies["partial"].Body.find("\"rejectedLogRecords\":\"1\""), std::string::npos);
    EXPECT_EQ(replies["type"].Status, 415);
    EXPECT_EQ(replies["path"].Status, 404);
    EXPECT_EQ(replies["gzip"].Status, 400);
    EXPECT_EQ(replies["http"].Status, 400);
    EXPECT_EQ(replies["header"].Status, 400);
    ASSERT_EQ(intake_.Traces.size(), 4u);
    EXPECT_EQ(intake_.Traces[0].ClassName, QStringLiteral("TService"));
    EXPECT_EQ(intake_.Traces[3].MessageStr, QStringLiteral("kept"));
    EXPECT_EQ(receiver_->Counters().RecordsStored, 4);
}

TEST_F(OtlpReceiverTest, TokenIsAskedOfEveryRequest)
{
    Start({}, QStringLiteral("s3cret"));
    Reply none, wrong, longer, right;
    WhileServing([&] {
        none = Exchange(port_, Request(ProtobufRequest(1)));
        wrong = Exchange(port_, Request(ProtobufRequest(1), "application/x-protobuf", "Authorization: Bearer s3creT\r\n"));
        longer = Exchange(port_, Request(ProtobufRequest(1), "application/x-protobuf", "Authorization: Bearer s3cret2\r\n"));
        right = Exchange(port_, Request(ProtobufRequest(1), "application/x-protobuf", "authorization: Bearer s3cret\r\n"));
    });
    for (const Reply* refused : {&none, &wrong, &longer}) {
        EXPECT_EQ(refused->Status, 401);
        EXPECT_EQ(refused->Headers.at("www-authenticate"), "Bearer");
    }
    EXPECT_EQ(right.Status, 200);
    EXPECT_EQ(intake_.Traces.size(), 1u);
}

TEST_F(OtlpReceiverTest, OversizedAndStalledBodiesAreCutWhileOthersAreServed)
{
    OtlpLimits limits;
    limits.IdleTimeoutMs = 300;
    Start(limits);
    Reply huge, unpackedHuge, stalled, during;
    WhileServing([&] {
        // 100 MB declared and sent: answered 413 once the head is read, long before the body ends.
        const int fd = Connect(port_);
        const std::string head = "POST /v1/logs HTTP/1.1\r\nHost: x\r\nContent-Type: application/x-protobuf\r\n"
                                 "Content-Length: 100000000\r\n\r\n";
        SendAll(fd, head);
        const std::string block(1 << 20, 'x');
        for (int i = 0; i < 100 && SendAll(fd, block); ++i) {
        }
        huge = ReadReply(fd);
        ::close(fd);

        // A length declared and never sent: the connection is closed, and meanwhile others are served.
        const int silent = Connect(port_);
        SendAll(silent, "POST /v1/logs HTTP/1.1\r\nHost: x\r\nContent-Type: application/json\r\nContent-Length: 5000\r\n\r\n{");
        during = Exchange(port_, Request(ProtobufRequest(2)));
        stalled = ReadReply(silent);
        char byte;
        EXPECT_EQ(::recv(silent, &byte, 1, 0), 0);
        ::close(silent);
    });
    EXPECT_EQ(huge.Status, 413);
    EXPECT_EQ(during.Status, 200);
    EXPECT_EQ(stalled.Status, 0);
    EXPECT_EQ(intake_.Traces.size(), 2u);
}

TEST_F(OtlpReceiverTest, TenThousandConnectionsEachGetAReply)
{
    rlimit files{};
    ::getrlimit(RLIMIT_NOFILE, &files);
    files.rlim_cur = files.rlim_max;
    ::setrlimit(RLIMIT_NOFILE, &files);
    constexpr int kConnections = 10'000;
    if (files.rlim_cur < kConnections + 4096)
        GTEST_SKIP() << "needs " << kConnections + 4096 << " file descriptors, the limit is " << files.rlim_cur;
    OtlpLimits limits;
    limits.MaxConnections = 1000;
    Start(limits);
    std::map<int, int> statuses;
    int withRetryAfter = 0;
    WhileServing([&] {
        const std::string request = Request(ProtobufRequest(1));
        std::vector<int> fds;
        for (int i = 0; i < kConnections; ++i) {
            const int fd = Connect(port_);
            if (fd < 0) {
                ++statuses[-1];
                continue;
            }
            SendAll(fd, request);
            fds.push_back(fd);
        }
        for (const int fd : fds) {
            const Reply reply = ReadReply(fd);
            ++statuses[reply.Status];
            withRetryAfter += reply.Status == 429 && reply.Headers.count("retry-after") ? 1 : 0;
            ::close(fd);
        }
    });
    EXPECT_EQ(statuses[200] + statuses[429], kConnections) << "connect failures " << statuses[-1]
                                                          << ", no reply " << statuses[0];
    EXPECT_GT(statuses[429], 0);
    EXPECT_EQ(withRetryAfter, statuses[429]);
    EXPECT_EQ(static_cast<int>(intake_.Traces.size()), statuses[200]);
    Reply after;
    WhileServing([&] { after = Exchange(port_, Request(ProtobufRequest(1))); });
    EXPECT_EQ(after.Status, 200);
}

TEST_F(OtlpReceiverTest, BytesArrivingBeyondTheBoundAreAnswered429)
{
    OtlpLimits limits;
    limits.MaxBufferedBytes = 1 << 20;
    Start(limits);
    Reply refused, completed;
    WhileServing([&] {
        // Two requests of 1,000,000 bytes each send 700,000: whichever passes the bound is refused,
        // the other is still received whole.
        const std::string head = "POST /v1/logs HTTP/1.1\r\nHost: x\r\nContent-Type: application/json\r\n"
                                 "Content-Length: 1000000\r\n\r\n";
        int fds[2] = {Connect(port_), Connect(port_)};
        for (const int fd : fds)
            SendAll(fd, head + std::string(700'000, 'x'));
        pollfd polled[2] = {{fds[0], POLLIN, 0}, {fds[1], POLLIN, 0}};
        ::poll(polled, 2, -1);
        const int first = (polled[0].revents & POLLIN) ? 0 : 1;
        refused = ReadReply(fds[first]);
        SendAll(fds[1 - first], std::string(300'000, ' '));
        completed = ReadReply(fds[1 - first]);
        ::close(fds[0]);
        ::close(fds[1]);
    });
    EXPECT_EQ(refused.Status, 429);
    EXPECT_EQ(refused.Headers["retry-after"], "1");
    EXPECT_EQ(completed.Status, 400); // received whole, and not JSON
}

} // namespace
} // namespace vireo
