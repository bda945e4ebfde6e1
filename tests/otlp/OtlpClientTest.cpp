// The Pascal client unit (clients/Vireo.pas) posting OTLP when VIREO_OTLP_ENDPOINT is set: built
// into a program with fpc and run against the viewer's receiver, or against a stand-in endpoint
// that refuses, asks to wait and drops a connection.
#include "PrivateBus.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSysInfo>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <cmath>
#include <map>

namespace vireo {
namespace {

using testing::BuiltProgram;
using testing::PrivateBus;

// "fields THREADS COUNT": thread T (the main thread when THREADS is 0) posts 'wT 1' ..
// 'wT COUNT', every 50th with odd characters and an 8-bit byte, the four types in turn, thread 1
// from a TAlpha, thread 2 as class TBeta, group 'wT', ID 'Id_<i>', a unit path. "script": a
// refused message, then messages around one the endpoint asks to wait for, one whose connection
// it drops and one it rejects, VireoLastError after each.
const char kClient[] = R"(program Client;

{$mode objfpc}{$H+}

uses
  {$IFDEF WITH_THREADS}cthreads,{$ENDIF} SysUtils, System.UITypes, Vireo;

type
  TAlpha = class end;
  TBeta = class end;

const
  OddText = ' "q" \b\ '#1#9#10#13#27#127' é€😀'#$E9;
  Types: array[0..3] of TMsgDlgType = (mtGeneral, mtInfo, mtWarning, mtError);

var
  Count: Integer;
  Alpha: TAlpha;

function Post(Parameter: Pointer): PtrInt;
var
  T, I: Integer;
  Text: string;
begin
  T := PtrInt(Parameter);
  for I := 1 to Count do
  begin
    Text := 'w' + IntToStr(T) + ' ' + IntToStr(I);
    if I mod 50 = 0 then
      Text := Text + OddText;
    case T of
      1: AddDebug(Alpha, Text, Types[I mod 4], 'w1', 'Id_' + IntToStr(I), '/src/unit one.pas', '');
      2: AddDebug(TBeta, Text, Types[I mod 4], 'w2', 'Id_' + IntToStr(I), '/src/unit one.pas', '');
    else
      AddDebug(nil, Text, Types[I mod 4], 'w' + IntToStr(T), 'Id_' + IntToStr(I), '/src/unit one.pas', '');
    end;
  end;
  Result := 0;
end;

procedure Numbered(First, Last: Integer);
var
  I: Integer;
begin
  for I := First to Last do
    AddDebug(nil, 'n ' + IntToStr(I), mtInfo, '', '', '', '');
end;

var
  Threads: array of TThreadID;
  T: Integer;
begin
  Alpha := TAlpha.Create;
  if ParamStr(1) = 'fields' then
  begin
    Count := StrToInt(ParamStr(3));
    SetLength(Threads, StrToInt(ParamStr(2)));
    if Length(Threads) = 0 then
      Post(nil);
    for T := 0 to High(Threads) do
      BeginThread(@Post, Pointer(PtrInt(T)), Threads[T]);
    for T := 0 to High(Threads) do
      WaitForThreadTerminate(Threads[T], 0);
    WriteLn('last error: ', VireoLastError);
  end
  else
  begin
    AddDebug(nil, 'refuse-me', mtInfo, '', '', '', '');
    WriteLn('refused: ', VireoLastError);
    AddDebug(nil, 'wait-me', mtInfo, '', '', '', '');
    Numbered(1, 300);
    WriteLn('waited: ', VireoLastError);
    AddDebug(nil, 'drop-me', mtInfo, '', '', '', '');
    Numbered(301, 600);
    WriteLn('dropped: ', VireoLastError);
    AddDebug(nil, 'reject-one', mtInfo, '', '', '', '');
    WriteLn('rejected: ', VireoLastError);
  end;
  Alpha.Free;
end.
)";

// The text thread T posts as its message i.
std::string PostedText(int thread, int i)
{
    std::string text = "w" + std::to_string(thread) + ' ' + std::to_string(i);
    if (i % 50 == 0)
        text += " \"q\" \\b\\ \x01\t\n\r\x1b\x7f é€😀é"; // the stray 8-bit byte read as Latin-1
    return text;
}

bool FpcAvailable()
{
    return std::system("command -v fpc > /dev/null 2>&1") == 0;
}

// The client program built with fpc, with or without cthreads (and so a sender thread).
class ClientProgram {
public:
    explicit ClientProgram(bool threads)
    {
        QFile source(dir_.filePath(QStringLiteral("Client.dpr")));
        if (!source.open(QIODevice::WriteOnly) || source.write(kClient) < 0)
            return;
        source.close();
        QProcess fpc;
        fpc.setWorkingDirectory(dir_.path());
        fpc.setProcessChannelMode(QProcess::MergedChannels);
        QStringList args{QStringLiteral("-Fu" VIREO_SOURCE_DIR "/clients"), QStringLiteral("-FU."),
                         QStringLiteral("-oclient"), QStringLiteral("Client.dpr")};
        if (threads)
            args.prepend(QStringLiteral("-dWITH_THREADS"));
        fpc.start(QStringLiteral("fpc"), args);
        compiled_ = fpc.waitForFinished(120000) && fpc.exitStatus() == QProcess::NormalExit && fpc.exitCode() == 0;
        log_ = fpc.readAll().toStdString();
    }

    bool Compiled() const { return compiled_; }
    const std::string& Log() const { return log_; }

    // Runs the program with the endpoint (and token) while this thread serves its event loop;
    // what it printed, or "failed" when it did not end well.
    std::string Run(const QStringList& args, const QString& endpoint, const QString& token = {}) const
    {
        QProcess client;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("VIREO_OTLP_ENDPOINT"), endpoint);
        env.insert(QStringLiteral("VIREO_OTLP_TOKEN"), token);
        env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS")); // no bus is needed
        client.setProcessEnvironment(env);
        client.start(dir_.filePath(QStringLiteral("client")), args);
        PrivateBus::WaitUntil([&] { return client.state() == QProcess::NotRunning; }, 120000);
        if (client.state() != QProcess::NotRunning || client.exitStatus() != QProcess::NormalExit || client.exitCode() != 0)
            return "failed: " + client.readAllStandardError().toStdString();
        return client.readAllStandardOutput().toStdString();
    }

private:
    QTemporaryDir dir_;
    bool compiled_ = false;
    std::string log_;
};

quint16 FreePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

// The records the viewer probe stored, one JSON object each.
std::vector<QJsonObject> Stored(const QString& file)
{
    QFile in(file);
    std::vector<QJsonObject> records;
    if (!in.open(QIODevice::ReadOnly))
        return records;
    for (const QByteArray& line : in.readAll().split('\n'))
        if (!line.isEmpty())
            records.push_back(QJsonDocument::fromJson(line).object());
    return records;
}

// The local time an automation date gives, in milliseconds since 1970 as the local clock reads.
qint64 LocalMillis(double automationDate)
{
    return QDateTime(QDate(1899, 12, 30), QTime(0, 0)).addMSecs(std::llround(automationDate * 86'400'000.0)).toMSecsSinceEpoch();
}

TEST(OtlpClient, EveryFieldArrivesAtTheViewerAsMappedInOrderWithAndWithoutThreads)
{
    if (!FpcAvailable())
        GTEST_SKIP() << "Free Pascal (fpc) is not installed";
    const ClientProgram threaded(true);
    ASSERT_TRUE(threaded.Compiled()) << threaded.Log();
    const ClientProgram plain(false);
    ASSERT_TRUE(plain.Compiled()) << plain.Log();

    QTemporaryDir out, registry;
    const QString probeFile = out.filePath(QStringLiteral("probe.txt"));
    QProcessEnvironment extra;
    extra.insert(QStringLiteral("VIREO_PROBE_OUT"), probeFile);
    PrivateBus bus(extra);
    const quint16 port = FreePort();
    QProcess viewer;
    QProcessEnvironment env = bus.Environment();
    env.insert(QStringLiteral("VIREO_REGISTRY_DIR"), registry.path());
    viewer.setProcessEnvironment(env);
    viewer.start(BuiltProgram(QStringLiteral("tests/otlp/vireo_otlp_probe")),
                 {QStringLiteral("-Automation"), QStringLiteral("--otlp"), QStringLiteral("127.0.0.1:%1").arg(port)});
    ASSERT_TRUE(PrivateBus::WaitUntil([&] {
        QTcpSocket probe;
        probe.connectToHost(QHostAddress::LocalHost, port);
        return probe.waitForConnected(100);
    }));
    const QString endpoint = QStringLiteral("http://localhost:%1").arg(port);

    const qint64 started = QDateTime::currentDateTime().toMSecsSinceEpoch();
    EXPECT_EQ(threaded.Run({QStringLiteral("fields"), QStringLiteral("3"), QStringLiteral("2000")}, endpoint),
              "last error: \n");
    EXPECT_EQ(plain.Run({QStringLiteral("fields"), QStringLiteral("0"), QStringLiteral("1000")}, endpoint + '/'),
              "last error: \n");
    const qint64 ended = QDateTime::currentDateTime().toMSecsSinceEpoch();
    viewer.terminate();
    viewer.waitForFinished(30000);

    // Thread T's messages, in the order stored; the plain program's thread 0 runs second.
    std::map<std::string, std::vector<QJsonObject>> byGroup;
    for (const QJsonObject& record : Stored(probeFile))
        byGroup[record[QStringLiteral("group")].toString().toStdString()].push_back(record);
    ASSERT_EQ(byGroup.size(), 3u);
    ASSERT_EQ(byGroup["w0"].size(), 3000u);
    ASSERT_EQ(byGroup["w1"].size(), 2000u);
    ASSERT_EQ(byGroup["w2"].size(), 2000u);
    const QString classes[] = {QString(), QStringLiteral("TAlpha"), QStringLiteral("TBeta")};
    for (int thread = 0; thread < 3; ++thread) {
        const std::vector<QJsonObject>& records = byGroup["w" + std::to_string(thread)];
        qint64 previous = started - 2;
        for (size_t n = 0; n < records.size(); ++n) {
            const int i = static_cast<int>(n % 2000) + 1;
            const QJsonObject& r = records[n];
            SCOPED_TRACE(PostedText(thread, i));
            ASSERT_EQ(r[QStringLiteral("text")].toString().toStdString(), PostedText(thread, i)) << "in order";
            EXPECT_EQ(r[QStringLiteral("class")].toString(), classes[thread]);
            EXPECT_EQ(r[QStringLiteral("type")].toInt(), i % 4);
            EXPECT_EQ(r[QStringLiteral("id")].toString(), QStringLiteral("Id_%1").arg(i));
            EXPECT_EQ(r[QStringLiteral("unit")].toString(), QStringLiteral("/src/unit one.pas"));
            EXPECT_EQ(r[QStringLiteral("computer")].toString(), QSysInfo::machineHostName());
            // The local time of the call, to the millisecond, in the order of the calls.
            const qint64 local = LocalMillis(r[QStringLiteral("stamp")].toDouble());
            EXPECT_GE(local, previous);
            EXPECT_LE(local, ended + 2);
            previous = local;
        }
    }
}

// An endpoint that answers "refuse-me" 401, asks to wait once for "wait-me", drops the connection
// once for "drop-me" (no answer), rejects one record of "reject-one", takes the rest, and asks
// every request for the token; the texts it took, in the order taken.
class StandInEndpoint {
public:
    StandInEndpoint()
    {
        server_.listen(QHostAddress::LocalHost);
        QObject::connect(&server_, &QTcpServer::newConnection, [this] {
            QTcpSocket* socket = server_.nextPendingConnection();
            QObject::connect(socket, &QTcpSocket::readyRead, socket,
                             [this, socket, buffer = QByteArray()]() mutable { Read(socket, buffer); });
        });
    }
    quint16 Port() const { return server_.serverPort(); }
    std::vector<std::string> Taken;

private:
    void Read(QTcpSocket* socket, QByteArray& buffer)
    {
        buffer += socket->readAll();
        const qsizetype headEnd = buffer.indexOf("\r\n\r\n");
        const qsizetype lengthAt = buffer.indexOf("Content-Length: ");
        if (headEnd < 0 || lengthAt < 0)
            return;
        const qsizetype length = buffer.mid(lengthAt + 16, buffer.indexOf("\r\n", lengthAt) - lengthAt - 16).toLongLong();
        if (buffer.size() < headEnd + 4 + length)
            return;
        const QByteArray head = buffer.left(headEnd);
        const QByteArray body = buffer.mid(headEnd + 4, length);
        buffer.remove(0, headEnd + 4 + length);
        if (!head.startsWith("POST /v1/logs HTTP/1.1") || !head.contains("\r\nAuthorization: Bearer secret\r\n")
            || body.contains("refuse-me")) {
            Answer(socket, "401 Unauthorized", R"({"code":16,"message":"a valid bearer token is required"})");
        } else if (body.contains("wait-me") && !waited_) {
            waited_ = true;
            socket->write("HTTP/1.1 429 Too Many Requests\r\nRetry-After: 1\r\nContent-Length: 0\r\n\r\n");
        } else if (body.contains("drop-me") && !dropped_) {
            dropped_ = true;
            socket->abort();
        } else {
            for (const QJsonValue& rl : QJsonDocument::fromJson(body)[QStringLiteral("resourceLogs")].toArray())
                for (const QJsonValue& sl : rl[QStringLiteral("scopeLogs")].toArray())
                    for (const QJsonValue& lr : sl[QStringLiteral("logRecords")].toArray())
                        Taken.push_back(lr[QStringLiteral("body")][QStringLiteral("stringValue")].toString().toStdString());
            Answer(socket, "200 OK",
                   body.contains("reject-one")
                       ? R"({"partialSuccess":{"rejectedLogRecords":"1","errorMessage":"refused by the intake"}})"
                       : "{}");
        }
    }
    static void Answer(QTcpSocket* socket, const QByteArray& status, const QByteArray& body)
    {
        socket->write("HTTP/1.1 " + status + "\r\nContent-Type: application/json\r\nContent-Length: "
                      + QByteArray::number(body.size()) + "\r\n\r\n" + body);
    }

    QTcpServer server_;
    bool waited_ = false;
    bool dropped_ = false;
};

TEST(OtlpClient, RefusalsAreReportedWhileWaitsDropsAndRejectionsLoseNothingElse)
{
    if (!FpcAvailable())
        GTEST_SKIP() << "Free Pascal (fpc) is not installed";
    const ClientProgram client(true);
    ASSERT_TRUE(client.Compiled()) << client.Log();
    StandInEndpoint endpoint;

    EXPECT_EQ(client.Run({QStringLiteral("script")}, QStringLiteral("http://127.0.0.1:%1").arg(endpoint.Port()),
                         QStringLiteral("secret")),
              "refused: The OTLP endpoint answered 401: a valid bearer token is required (1 message(s) given up)\n"
              "waited: \n"
              "dropped: \n"
              "rejected: The OTLP endpoint rejected 1 of 1 message(s): refused by the intake\n");
    std::vector<std::string> expected{"wait-me"};
    for (int i = 1; i <= 600; ++i) {
        if (i == 301)
            expected.push_back("drop-me");
        expected.push_back("n " + std::to_string(i));
    }
    expected.push_back("reject-one");
    EXPECT_EQ(endpoint.Taken, expected);

    // No one listens: after a while of refused connections the messages are given up, counted.
    const QString nowhere = QStringLiteral("http://127.0.0.1:%1").arg(FreePort());
    EXPECT_EQ(client.Run({QStringLiteral("fields"), QStringLiteral("0"), QStringLiteral("5")}, nowhere),
              "last error: The OTLP endpoint " + nowhere.toStdString()
                  + " cannot be reached: Connection refused (5 message(s) given up)\n");
    EXPECT_EQ(client.Run({QStringLiteral("fields"), QStringLiteral("0"), QStringLiteral("2")}, QStringLiteral("https://x")),
              "last error: VIREO_OTLP_ENDPOINT is no http:// address (https is not supported): https://x (2 message(s) given up)\n");
}

} // namespace
} // namespace vireo
