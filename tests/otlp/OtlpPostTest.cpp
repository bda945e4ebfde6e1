#include "OtlpTestSupport.h"

#include "otlp/OtlpReceiver.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QProcess>
#include <QSysInfo>
#include <QTcpServer>
#include <QTcpSocket>

#include <cmath>

namespace vireo {
namespace {

using test::RecordingIntake;

// Runs vireo-post with the arguments, its input and its environment's token, serving the event
// loop meanwhile; returns its exit code and what it printed on its error channel.
std::pair<int, std::string> RunPost(const QStringList& arguments, const QByteArray& input, const QString& token = {})
{
    QProcess post;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("VIREO_OTLP_TOKEN"), token);
    post.setProcessEnvironment(environment);
    post.start(QStringLiteral(VIREO_POST), arguments);
    post.write(input);
    post.closeWriteChannel();
    while (post.state() != QProcess::NotRunning)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return {post.exitCode(), post.readAllStandardError().toStdString()};
}

QByteArray Lines(int count)
{
    QByteArray lines;
    for (int i = 0; i < count; ++i)
        lines += "line " + QByteArray::number(i) + "\n";
    return lines;
}

TEST(OtlpPost, LinesArriveInOrderAndMappedAndTheReceiversRefusalsEndThePosting)
{
    RecordingIntake intake;
    OtlpReceiver receiver(intake);
    ASSERT_TRUE(receiver.Listen({QStringLiteral("127.0.0.1"), 0}, QStringLiteral("secret")));
    const QString url = QStringLiteral("http://127.0.0.1:%1").arg(receiver.Port());
    const double before = QDateTime::currentDateTime().toMSecsSinceEpoch();

    const auto [code, errors] =
        RunPost({QStringLiteral("--otlp"), url, QStringLiteral("--class"), QStringLiteral("TMake"),
                 QStringLiteral("--type"), QStringLiteral("warning"), QStringLiteral("--group"), QStringLiteral("build"),
                 QStringLiteral("--id"), QStringLiteral("Id_1"), QStringLiteral("--unit"), QStringLiteral("/src/u.pas")},
                Lines(3000), QStringLiteral("secret"));
    EXPECT_EQ(code, 0) << errors;
    ASSERT_EQ(intake.Traces.size(), 3000u);
    for (std::size_t i = 0; i < intake.Traces.size(); ++i)
        ASSERT_EQ(intake.Traces[i].MessageStr.toStdString(), "line " + std::to_string(i)) << "in order";
    const MappedTrace& first = intake.Traces.front();
    EXPECT_EQ(first.ClassName, QStringLiteral("TMake"));
    EXPECT_EQ(first.MessageType, 2);
    EXPECT_EQ(first.MessageGroup, QStringLiteral("build"));
    EXPECT_EQ(first.MessageID, QStringLiteral("Id_1"));
    EXPECT_EQ(first.UnitFileName, QStringLiteral("/src/u.pas"));
    EXPECT_EQ(first.ComputerName, QSysInfo::machineHostName());
    // The automation date of the local time the line was read.
    const QDateTime stamped = QDateTime(QDate(1899, 12, 30), QTime(0, 0))
                                  .addMSecs(std::llround(first.MessageDateTime * 86'400'000.0));
    EXPECT_NEAR(static_cast<double>(stamped.toMSecsSinceEpoch()), before, 60'000.0);

    const auto [refusedCode, refusal] = RunPost({QStringLiteral("--otlp"), url}, "x\n");
    EXPECT_EQ(refusedCode, 1);
    EXPECT_NE(refusal.find("answered 401"), std::string::npos) << refusal;
    const auto [goneCode, gone] = RunPost({QStringLiteral("--otlp"), QStringLiteral("http://127.0.0.1:1")}, "x\n");
    EXPECT_EQ(goneCode, 1);
    EXPECT_NE(gone.find("cannot be reached"), std::string::npos) << gone;
    EXPECT_EQ(RunPost({QStringLiteral("--otlp"), QStringLiteral("ftp://x")}, {}).first, 2);
    EXPECT_EQ(intake.Traces.size(), 3000u);
}

TEST(OtlpPost, AReceiverAskingToWaitIsWaitedForAndGetsTheSameRequestAgain)
{
    // Answers the first request 429, the next ones 200, keeping each body.
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost));
    std::vector<QByteArray> bodies;
    QObject::connect(&server, &QTcpServer::newConnection, [&] {
        QTcpSocket* socket = server.nextPendingConnection();
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [socket, &bodies, buffer = QByteArray()]() mutable {
            buffer += socket->readAll();
            const qsizetype headersEnd = buffer.indexOf("\r\n\r\n");
            const qsizetype lengthAt = buffer.toLower().indexOf("content-length:");
            if (headersEnd < 0 || lengthAt < 0)
                return;
            const qsizetype length = buffer.mid(lengthAt + 15, buffer.indexOf("\r\n", lengthAt) - lengthAt - 15).trimmed().toLongLong();
            if (buffer.size() < headersEnd + 4 + length)
                return;
            bodies.push_back(buffer.mid(headersEnd + 4, length));
            buffer = buffer.mid(headersEnd + 4 + length);
            socket->write(bodies.size() == 1
                              ? "HTTP/1.1 429 Too Many Requests\r\nRetry-After: 1\r\nContent-Length: 0\r\n\r\n"
                              : "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nContent-Length: 2\r\n\r\n{}");
        });
    });
    const auto [code, errors] =
        RunPost({QStringLiteral("--otlp"), QStringLiteral("http://127.0.0.1:%1").arg(server.serverPort())}, Lines(5));
    EXPECT_EQ(code, 0) << errors;
    ASSERT_EQ(bodies.size(), 2u);
    EXPECT_EQ(bodies[0], bodies[1]);
    EXPECT_NE(bodies[1].indexOf("line 4"), -1);
}

} // namespace
} // namespace vireo
