// The Pascal client unit (clients/Vireo.pas) compiled into a program with fpc and run against a
// stand-in viewer served by this test process on a private bus: what reaches the viewer, with
// which time stamps, and what becomes of the program's own descriptors.
#include "PrivateBus.h"

#include "intake/VireoImpl.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include <chrono>
#include <ctime>
#include <functional>

using namespace vireo;
using vireo::testing::PrivateBus;

namespace {

const QString kClients = QStringLiteral(VIREO_SOURCE_DIR "/clients");

// "daemon LOG": posts, forks; the child closes every inherited descriptor, opens LOG, puts it on
// the numbers 3 to 31, posts and writes a line through each number before and after its
// VireoLastError. "paced N MS": posts "m 1" .. "m N", MS milliseconds apart. Both end by printing
// VireoLastError; "paced N MS end" prints instead its longest call and leaves the delivery to the
// unit's end. Built with -dNOCTHREADS it names no cthreads, so the calling thread sends.
const char kClient[] = R"(program Client;

{$mode objfpc}{$H+}

uses
  {$ifndef NOCTHREADS}cthreads,{$endif} SysUtils, BaseUnix, Vireo;

procedure WriteThroughEach(const Round: string);
var
  Fd: cint;
  Line: string;
begin
  for Fd := 3 to 31 do
  begin
    Line := Round + ' ' + IntToStr(Fd) + LineEnding;
    if fpWrite(Fd, PChar(Line)^, Length(Line)) <> Length(Line) then
      WriteLn('write to ', Fd, ' failed: errno ', fpGetErrno);
  end;
end;

var
  I, Pause: Integer;
  Start, Longest: QWord;
  Child: TPid;
  Fd, Log: cint;
  Status: cint;
begin
  if ParamStr(1) = 'daemon' then
  begin
    AddDebug(nil, 'parent', mtInfo, '', '', '', '');
    WriteLn('parent: ', VireoLastError);
    Flush(Output);
    Child := fpFork;
    if Child = 0 then
    begin
      for Fd := 3 to 1023 do
        fpClose(Fd);
      Log := fpOpen(ParamStr(2), O_WRONLY or O_CREAT or O_TRUNC, &600);
      for Fd := 3 to 31 do
        if Fd <> Log then
          fpDup2(Log, Fd);
      AddDebug(nil, 'child', mtInfo, '', '', '', '');
      WriteThroughEach('first');
      WriteLn('child: ', VireoLastError);
      WriteThroughEach('second');
      Halt(0);
    end;
    fpWaitPid(Child, @Status, 0);
  end
  else
  begin
    Pause := StrToInt(ParamStr(3));
    Longest := 0;
    for I := 1 to StrToInt(ParamStr(2)) do
    begin
      Start := GetTickCount64;
      AddDebug(nil, 'm ' + IntToStr(I), mtInfo, '', '', '', '');
      if GetTickCount64 - Start > Longest then
        Longest := GetTickCount64 - Start;
      Sleep(Pause);
    end;
    if ParamStr(4) = 'end' then
      WriteLn('longest call: ', Longest, ' ms')
    else
      WriteLn('last error: ', VireoLastError);
  end;
end.
)";

// Names its own TMessageType (AdvancedIPC's integer type) with the client unit last in its uses
// clause, posts a message of each kind, and has heaptrc (-gh) report its heap at its end, where
// it leaves one block of 100 bytes of its own (heaptrc says nothing of a heap without leaks).
const char kNamesAndHeapClient[] = R"(program NamesAndHeap;

{$mode objfpc}{$H+}

uses
  cthreads, AdvancedIPC, Vireo;

var
  Kind: TMessageType;
  Kept: Pointer;
begin
  GetMem(Kept, 100);
  Kind := 7;
  AddDebug(nil, 'general', mtGeneral, '', '', '', '');
  AddDebug(nil, 'info', mtInfo, '', '', '', '');
  AddDebug(nil, 'warning', Vireo.mtWarning, '', '', '', '');
  AddDebug(nil, 'error', Vireo.mtError, '', '', '', '');
  WriteLn('kind ', Kind, ', last error: ', VireoLastError);
end.
)";

// One message as the stand-in viewer received it.
struct Received {
    QString Text;
    double Stamp;
};

// The viewer's intake in this process: keeps each message; stalls once on a chosen text.
class RecordingIntake : public ITraceIntake {
public:
    void ReceiveTrace(const QString&, const QString& MessageStr, int32_t, const QString&, const QString&,
                      const QString&, const QString&, double MessageDateTime) override
    {
        received.push_back({MessageStr, MessageDateTime});
        if (MessageStr != stallOn)
            return;
        if (beforeStall)
            beforeStall();
        QThread::msleep(stallMs);
    }
    std::vector<Received> received;
    QString stallOn;
    unsigned long stallMs = 0;
    std::function<void()> beforeStall; // what the viewer does as it starts to stall
};

// A client program (kClient unless told) built with fpc, with the options given, in a folder of
// its own.
class ClientProgram {
public:
    explicit ClientProgram(const char* text = kClient, const QStringList& options = {})
    {
        QFile source(dir_.filePath(QStringLiteral("Client.dpr")));
        if (!source.open(QIODevice::WriteOnly) || source.write(text) < 0)
            return;
        source.close();
        QProcess fpc;
        fpc.setWorkingDirectory(dir_.path());
        fpc.setProcessChannelMode(QProcess::MergedChannels);
        fpc.start(QStringLiteral("fpc"), options + QStringList {QStringLiteral("-Fu") + kClients, QStringLiteral("-FU."),
                                                                QStringLiteral("-oclient"), QStringLiteral("Client.dpr")});
        compiled_ = fpc.waitForFinished(120000) && fpc.exitStatus() == QProcess::NormalExit && fpc.exitCode() == 0;
        log_ = fpc.readAll().toStdString();
    }

    bool Compiled() const { return compiled_; }
    const std::string& Log() const { return log_; }
    QString Program() const { return dir_.filePath(QStringLiteral("client")); }
    QString File(const QString& name) const { return dir_.filePath(name); }

private:
    QTemporaryDir dir_;
    bool compiled_ = false;
    std::string log_;
};

// A private bus with the stand-in viewer owning the viewer's name.
class StandInViewer {
public:
    explicit StandInViewer(const QProcessEnvironment& extra = {})
        : bus(extra), connection_(bus.Connect(QStringLiteral("stand-in"))), server_(connection_)
    {
        server_.SetIntake(&intake);
        started_ = server_.Start();
    }
    ~StandInViewer()
    {
        server_.Stop();
        QDBusConnection::disconnectFromBus(QStringLiteral("stand-in"));
    }

    bool Started() const { return started_; }
    // Gives up the viewer's name and object, as a viewer on its way out does.
    void Stop() { server_.Stop(); }

    PrivateBus bus;
    RecordingIntake intake;

private:
    QDBusConnection connection_;
    VireoServer server_;
    bool started_ = false;
};

// The texts received, one a line.
std::string Texts(const std::vector<Received>& received)
{
    std::string texts;
    for (const Received& r : received)
        texts += r.Text.toStdString() + '\n';
    return texts;
}

// The texts "m 1" .. "m count", one a line.
std::string Numbered(int count)
{
    std::string texts;
    for (int i = 1; i <= count; ++i)
        texts += "m " + std::to_string(i) + '\n';
    return texts;
}

} // namespace

// A daemon-style child closes what it inherited and opens its own log, which takes the number of
// the parent's bus connection; its posts must neither close that log nor write into it.
TEST(ClientUnit, AForkedChildLeavesItsOwnDescriptorsAlone)
{
    const ClientProgram client;
    ASSERT_TRUE(client.Compiled()) << client.Log();
    StandInViewer viewer;
    ASSERT_TRUE(viewer.Started());
    const QString log = client.File(QStringLiteral("child.log"));

    QString output;
    ASSERT_EQ(viewer.bus.Run(client.Program(), {QStringLiteral("daemon"), log}, &output), 0);
    EXPECT_EQ(output.toStdString(), "parent: \nchild: \n");
    std::string expected;
    for (const char* round : {"first", "second"})
        for (int fd = 3; fd <= 31; ++fd)
            expected += round + (' ' + std::to_string(fd)) + '\n';
    QFile file(log);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll().toStdString(), expected);
    EXPECT_EQ(Texts(viewer.intake.received), "parent\nchild\n");
}

// The client unit neither hides a type the program names (it exports no type of its own) nor
// leaves anything on the program's heap: threads, events, queue and strings are freed by its end.
TEST(ClientUnit, HidesNoTypeOfTheProgramAndLeavesNothingOnItsHeap)
{
    const ClientProgram client(kNamesAndHeapClient, {QStringLiteral("-gh")});
    ASSERT_TRUE(client.Compiled()) << client.Log();
    StandInViewer viewer;
    ASSERT_TRUE(viewer.Started());

    QString output, errors;
    ASSERT_EQ(viewer.bus.Run(client.Program(), {}, &output, &errors), 0) << errors.toStdString();
    EXPECT_EQ(output.toStdString(), "kind 7, last error: \n");
    EXPECT_EQ(Texts(viewer.intake.received), "general\ninfo\nwarning\nerror\n");
    EXPECT_TRUE(errors.contains(QStringLiteral("\n1 unfreed memory blocks : 100\n"))) << errors.toStdString();
}

// A viewer that owns its name but stalls longer than the client's patience for one answer: the
// messages posted meanwhile wait and arrive, none is given up, and no error is left.
TEST(ClientUnit, ASlowViewerLosesNothing)
{
    const ClientProgram client;
    ASSERT_TRUE(client.Compiled()) << client.Log();
    StandInViewer viewer;
    ASSERT_TRUE(viewer.Started());
    viewer.intake.stallOn = QStringLiteral("m 60");
    viewer.intake.stallMs = 4000;

    QString output;
    ASSERT_EQ(viewer.bus.Run(client.Program(), {QStringLiteral("paced"), QStringLiteral("100"), QStringLiteral("50")},
                             &output),
              0);
    EXPECT_EQ(output.toStdString(), "last error: \n");
    EXPECT_EQ(Texts(viewer.intake.received), Numbered(100));
}

// A program without cthreads posting densely while the viewer stalls longer than the client's
// patience for one answer: no call waits for the stalled viewer, and the program's end delivers
// every message queued meanwhile, in order.
TEST(ClientUnit, WithoutCthreadsAStalledViewerHoldsUpNoCallAndTheEndDeliversAll)
{
    const ClientProgram client(kClient, {QStringLiteral("-dNOCTHREADS")});
    ASSERT_TRUE(client.Compiled()) << client.Log();
    StandInViewer viewer;
    ASSERT_TRUE(viewer.Started());
    viewer.intake.stallOn = QStringLiteral("m 500");
    viewer.intake.stallMs = 4000;

    QString output;
    ASSERT_EQ(viewer.bus.Run(client.Program(),
                             {QStringLiteral("paced"), QStringLiteral("3000"), QStringLiteral("1"), QStringLiteral("end")},
                             &output),
              0);
    const QRegularExpressionMatch longest = QRegularExpression(QStringLiteral("^longest call: (\\d+) ms\n$")).match(output);
    ASSERT_TRUE(longest.hasMatch()) << output.toStdString();
    EXPECT_LT(longest.captured(1).toInt(), 1000);
    EXPECT_EQ(Texts(viewer.intake.received), Numbered(3000));
}

// A viewer that gives up its name while calls to it are unanswered: the client gives up what it
// cannot deliver and says how many messages it gave up.
TEST(ClientUnit, AViewerThatLeavesItsNameIsReportedWithTheMessagesGivenUp)
{
    const ClientProgram client;
    ASSERT_TRUE(client.Compiled()) << client.Log();
    StandInViewer viewer;
    ASSERT_TRUE(viewer.Started());
    viewer.intake.stallOn = QStringLiteral("m 20");
    viewer.intake.stallMs = 4000;
    viewer.intake.beforeStall = [&] { viewer.Stop(); };

    QString output;
    ASSERT_EQ(viewer.bus.Run(client.Program(), {QStringLiteral("paced"), QStringLiteral("60"), QStringLiteral("50")},
                             &output),
              0);
    const QRegularExpressionMatch given = QRegularExpression(QStringLiteral("^last error: .+ \\((\\d+) message\\(s\\) given up\\)\n$"))
                                              .match(output);
    ASSERT_TRUE(given.hasMatch()) << output.toStdString();
    const int givenUp = given.captured(1).toInt();
    const int received = static_cast<int>(viewer.intake.received.size());
    EXPECT_EQ(received, 20);
    EXPECT_GE(givenUp, 60 - received) << "every message not received was given up";
    EXPECT_LE(givenUp, 60);
}

namespace {

using Millis = std::chrono::milliseconds;

Millis UtcNow()
{
    return std::chrono::duration_cast<Millis>(std::chrono::system_clock::now().time_since_epoch());
}

// A zone at UTC that moves one hour ahead at the moment `switchAt` (a daylight-saving start),
// as a POSIX TZ value: the start is given by day of the year and time, the end half a year on.
QString ZoneSwitchingAt(std::time_t switchAt)
{
    std::tm utc{};
    ::gmtime_r(&switchAt, &utc);
    return QStringLiteral("AAA0BBB-1,%1/%2:%3:%4,%5/0")
        .arg(utc.tm_yday)
        .arg(utc.tm_hour)
        .arg(utc.tm_min, 2, 10, QLatin1Char('0'))
        .arg(utc.tm_sec, 2, 10, QLatin1Char('0'))
        .arg((utc.tm_yday + 180) % 365);
}

// Milliseconds since 1970 of the local time an automation date gives.
double LocalMillisOf(double automationDate)
{
    return (automationDate - 25569.0) * 86'400'000.0;
}

} // namespace

// Messages posted 150 ms apart across a daylight-saving start: each carries the local time of
// its call to the millisecond, before and after the change.
TEST(ClientUnit, StampsCarryMillisecondsAndFollowAZoneChange)
{
    const ClientProgram client;
    ASSERT_TRUE(client.Compiled()) << client.Log();
    const std::time_t switchAt = std::chrono::duration_cast<std::chrono::seconds>(UtcNow()).count() + 3;
    QProcessEnvironment zone;
    zone.insert(QStringLiteral("TZ"), ZoneSwitchingAt(switchAt));
    StandInViewer viewer(zone);
    ASSERT_TRUE(viewer.Started());

    const double started = static_cast<double>(UtcNow().count());
    QString output;
    ASSERT_EQ(viewer.bus.Run(client.Program(), {QStringLiteral("paced"), QStringLiteral("30"), QStringLiteral("150")},
                             &output),
              0);
    const double ended = static_cast<double>(UtcNow().count());
    EXPECT_EQ(output.toStdString(), "last error: \n");
    ASSERT_EQ(Texts(viewer.intake.received), Numbered(30));
    ASSERT_GT(ended, switchAt * 1000.0) << "the run must span the change";

    // Local time is UTC before the switch and an hour ahead from it on.
    const double change = switchAt * 1000.0;
    const double hour = 3'600'000.0;
    int before = 0, after = 0;
    double previous = 0;
    for (const Received& r : viewer.intake.received) {
        SCOPED_TRACE(r.Text.toStdString());
        const double local = LocalMillisOf(r.Stamp);
        const bool asBefore = local >= started - 1 && local <= std::min(ended, change) + 1;
        const bool asAfter = local >= std::max(started, change) + hour - 1 && local <= ended + hour + 1;
        EXPECT_TRUE(asBefore || asAfter) << std::fixed << "local " << local << " in a run from " << started << " to "
                                         << ended << ", the zone changing at " << change;
        EXPECT_GT(local, previous + 100) << "calls 150 ms apart";
        previous = local;
        before += asBefore;
        after += asAfter;
    }
    EXPECT_GT(before, 0);
    EXPECT_GT(after, 0);
}
