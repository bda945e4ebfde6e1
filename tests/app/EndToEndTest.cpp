// A Pascal program instrumented by vireo-examine, compiled with the client unit and run: the
// viewer must receive its messages and trace each one back to its line.
#include "PrivateBus.h"
#include "examiner/LanManShares.h"
#include "settings/RegUtils.h"
#include "viewer/session/UnitSource.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QSysInfo>
#include <QTemporaryDir>

#include <map>

using vireo::testing::BuiltProgram;
using vireo::testing::PrivateBus;

namespace {

const QString kExaminer = BuiltProgram(QStringLiteral("src/app/vireo-examine"));
const QString kProbe = BuiltProgram(QStringLiteral("tests/app/vireo_probe"));
const QString kClients = QStringLiteral(VIREO_SOURCE_DIR "/clients");

// A class with a constructor (never instrumented), procedures, a function, a class method, an
// exception handler, and a plain procedure that has no Self of its own.
const char kUnit[] = R"(unit Counters;

interface

uses
  SysUtils;

type
  TCounter = class
  private
    FValue: Integer;
  public
    constructor Create(Start: Integer);
    procedure Add(Amount: Integer);
    function Value: Integer;
    class procedure Describe;
  end;

procedure ResetAll;

implementation

constructor TCounter.Create(Start: Integer);
begin
  inherited Create;
  FValue := Start;
end;

procedure TCounter.Add(Amount: Integer);
begin
  try
    FValue := FValue + Amount;
    if FValue > 100 then
      raise Exception.Create('too many');
  except
    FValue := 0;
  end;
end;

function TCounter.Value: Integer;
begin
  Result := FValue;
end;

class procedure TCounter.Describe;
begin
  WriteLn('counter');
end;

procedure ResetAll;
begin
end;

end.
)";

// Add runs twice, the second time into its handler. Then one direct call with a nil sender, a
// group, a text in UTF-8 and one in Latin-1, sent to the bus address given as parameter.
const char kProgram[] = "program Demo;\n"
                        "\n"
                        "uses\n"
                        "  Counters, Vireo;\n"
                        "\n"
                        "var\n"
                        "  Counter: TCounter;\n"
                        "begin\n"
                        "  Counter := TCounter.Create(99);\n"
                        "  Counter.Add(1);\n"
                        "  Counter.Add(5);\n"
                        "  WriteLn(Counter.Value);\n"
                        "  TCounter.Describe;\n"
                        "  ResetAll;\n"
                        "  Counter.Free;\n"
                        "  AddDebug(nil, 'Caf\xC3\xA9 Caf'#$E9, mtWarning, 'Builds', 'Direct_1', 'Demo.dpr', ParamStr(1));\n"
                        "  WriteLn('last error: ', VireoLastError);\n"
                        "  WriteLn('done');\n"
                        "end.\n";

// Posts bursts: "threads N T" from T threads (one, the main thread, without cthreads), "fork N"
// before a fork (w0), in the child (w1, which then prints VireoLastError) and in the parent
// after it (w2), "ask N T" as threads and then prints VireoLastError. Thread or process K posts the texts "wK 1" .. "wK N" in group
// "wK". The program ends without waiting for the viewer: the unit's end delivers.
const char kBurst[] = R"(program Burst;

{$mode objfpc}{$H+}

uses
  {$ifdef THREADS}cthreads,{$endif} SysUtils, BaseUnix, Vireo;

var
  Count: Integer;

function Post(Parameter: Pointer): PtrInt;
var
  I: Integer;
  Name: string;
begin
  Name := 'w' + IntToStr(PtrInt(Parameter));
  for I := 1 to Count do
    AddDebug(nil, Name + ' ' + IntToStr(I), mtInfo, Name, 'Burst_1', 'Burst.dpr', '');
  Result := 0;
end;

var
  Threads: array of TThreadID;
  I: Integer;
  Child: TPid;
  Status: cint;
begin
  Count := StrToInt(ParamStr(2));
  if ParamStr(1) = 'fork' then
  begin
    Post(Pointer(0));
    Child := fpFork;
    if Child = 0 then
    begin
      Post(Pointer(1));
      WriteLn('child: ', VireoLastError);
      Halt(0);
    end;
    Post(Pointer(2));
    fpWaitPid(Child, @Status, 0);
  end
  else
  begin
    SetLength(Threads, StrToInt(ParamStr(3)));
    for I := 0 to High(Threads) do
      {$ifdef THREADS}BeginThread(@Post, Pointer(PtrInt(I)), Threads[I]){$else}Post(Pointer(PtrInt(I))){$endif};
    {$ifdef THREADS}
    for I := 0 to High(Threads) do
      WaitForThreadTerminate(Threads[I], 0);
    {$endif}
  end;
  if ParamStr(1) = 'ask' then
    WriteLn('last error: ', VireoLastError);
end.
)";

// One message as the probe recorded it.
struct Received {
    QString Date, Time, ClassName, Text, Type, Group, Computer, Id, UnitFile;
};

QString ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

bool WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Lines "record seq|date|time|class|text|type|group|computer|id|unit" of the probe's file.
std::vector<Received> Records(const QString& probeFile)
{
    std::vector<Received> records;
    for (const QString& line : ReadAll(probeFile).split(QLatin1Char('\n'))) {
        if (!line.startsWith(QStringLiteral("record ")))
            continue;
        const QStringList f = line.split(QLatin1Char('|'));
        if (f.size() == 10)
            records.push_back({f[1], f[2], f[3], f[4], f[5], f[6], f[7], f[8], f[9]});
    }
    return records;
}

// Runs a program to its end; its exit code, or -1 when it did not end normally.
int RunTool(const QString& program, const QStringList& args, const QString& folder, QString* output)
{
    QProcess process;
    process.setWorkingDirectory(folder);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, args);
    const bool ended = process.waitForFinished(120000);
    *output = QString::fromUtf8(process.readAll());
    return ended && process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

// The demo program in a folder of its own: its unit instrumented, then compiled.
class InstrumentedDemo {
public:
    // Instruments every procedure, function and exception handler, then compiles in the mode.
    explicit InstrumentedDemo(const QString& mode)
    {
        unit_ = dir_.filePath(QStringLiteral("Counters.pas"));
        program_ = dir_.filePath(QStringLiteral("demo"));
        if (!WriteFile(unit_, kUnit) || !WriteFile(dir_.filePath(QStringLiteral("Demo.dpr")), kProgram)) {
            log_ = QStringLiteral("cannot write the sources");
            return;
        }
        QString out;
        for (const char* list : {"procedures:all", "functions:all", "exceptions:all"}) {
            if (RunTool(kExaminer, {unit_, QStringLiteral("--add-debug"), QLatin1String(list)}, dir_.path(), &out)
                != 0) {
                log_ = out;
                return;
            }
        }
        QDir(dir_.path()).mkpath(QStringLiteral("units"));
        compiled_ = RunTool(QStringLiteral("fpc"),
                            {mode, QStringLiteral("-Fu") + kClients, QStringLiteral("-FUunits"),
                             QStringLiteral("-odemo"), QStringLiteral("Demo.dpr")},
                            dir_.path(), &log_)
                == 0;
    }

    bool Compiled() const { return compiled_; }
    // What went wrong on the way to the program.
    std::string Log() const { return log_.toStdString(); }
    QString Program() const { return program_; }
    QString UnitPath() const { return unit_; }
    vireo::UnitLines UnitLines() const { return vireo::SplitUnitLines(ReadAll(unit_).toStdString()); }

private:
    QTemporaryDir dir_;
    QString unit_;
    QString program_;
    QString log_;
    bool compiled_ = false;
};

// The burst program built with the client unit, with and without cthreads.
class BurstProgram {
public:
    explicit BurstProgram(bool threads)
    {
        program_ = dir_.filePath(QStringLiteral("burst"));
        QStringList args = {QStringLiteral("-Fu") + kClients, QStringLiteral("-FU."), QStringLiteral("-oburst"),
                            QStringLiteral("Burst.dpr")};
        if (threads)
            args.prepend(QStringLiteral("-dTHREADS"));
        compiled_ = WriteFile(dir_.filePath(QStringLiteral("Burst.dpr")), kBurst)
            && RunTool(QStringLiteral("fpc"), args, dir_.path(), &log_) == 0;
    }

    bool Compiled() const { return compiled_; }
    std::string Log() const { return log_.toStdString(); }
    QString Program() const { return program_; }

private:
    QTemporaryDir dir_;
    QString program_;
    QString log_;
    bool compiled_ = false;
};

// Whether the records from index `from` on are, per group "wK", exactly the texts "wK 1" ..
// "wK count" in order, for each of the wanted groups and no other.
::testing::AssertionResult EachGroupWholeInOrder(const std::vector<Received>& records, size_t from,
                                                 const QStringList& groups, int count)
{
    std::map<QString, int> last;
    for (size_t i = from; i < records.size(); ++i) {
        const Received& r = records[i];
        const int number = r.Text.section(QLatin1Char(' '), 1).toInt();
        if (!groups.contains(r.Group) || r.Text.section(QLatin1Char(' '), 0, 0) != r.Group || number != last[r.Group] + 1)
            return ::testing::AssertionFailure() << "record " << i << ": " << r.Text.toStdString() << " after "
                                                 << last[r.Group];
        last[r.Group] = number;
    }
    for (const QString& group : groups) {
        if (last[group] != count)
            return ::testing::AssertionFailure() << group.toStdString() << " ends at " << last[group];
    }
    return ::testing::AssertionSuccess();
}

QString Trimmed(const std::string& line)
{
    return QString::fromStdString(line).trimmed();
}

// Whether the message's local date and time texts (C locale) lie in the run's time span.
bool StampedWithin(const Received& r, const QDateTime& from, const QDateTime& to)
{
    const QDate date = QDate::fromString(r.Date, QStringLiteral("MM/dd/yy")).addYears(100);
    const QDateTime stamp(date, QTime::fromString(r.Time, QStringLiteral("HH:mm:ss")));
    return stamp.isValid() && stamp >= from.addSecs(-1) && stamp <= to.addSecs(1);
}

// The value of the unit's UnitFileName constant, the path its messages carry.
QString UnitFileNameConstant(const vireo::UnitLines& lines)
{
    const QString start = QStringLiteral("UnitFileName = '");
    for (const std::string& line : lines) {
        const QString text = Trimmed(line);
        if (text.startsWith(start) && text.endsWith(QStringLiteral("';")))
            return text.mid(start.size(), text.size() - start.size() - 2);
    }
    return {};
}

// Runs a program whose session bus address names no bus at all; its exit code (-1 when it did
// not end normally) and its standard output.
int RunWithoutBus(const QString& program, const QStringList& args, QString* output)
{
    QTemporaryDir nowhere;
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("unix:path=") + nowhere.filePath(QStringLiteral("bus")));
    process.setProcessEnvironment(env);
    process.start(program, args);
    const bool ended = process.waitForFinished(60000);
    *output = QString::fromUtf8(process.readAllStandardOutput());
    return ended && process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

} // namespace

TEST(EndToEnd, InstrumentedProgramPostsEveryCallAndEachTracesBackToItsLine)
{
    // This computer shares its root, so the unit names itself in network form; the viewer still
    // opens it here.
    QTemporaryDir registry;
    qputenv("VIREO_REGISTRY_DIR", registry.path().toUtf8());
    vireo::WriteRegStringAt(std::string(vireo::kLanManKeyPath) + "ROOT", "Path", "/");
    InstrumentedDemo demo(QStringLiteral("-Mdelphi"));
    ASSERT_TRUE(demo.Compiled()) << demo.Log();
    const QString networkPath =
        QStringLiteral("\\\\") + QString::fromStdString(vireo::LocalComputerName()) + QStringLiteral("\\ROOT") + demo.UnitPath();

    QTemporaryDir out;
    const QString probeFile = out.filePath(QStringLiteral("probe.txt"));
    QProcessEnvironment env;
    env.insert(QStringLiteral("VIREO_PROBE_OUT"), probeFile);
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    PrivateBus bus(env);
    ASSERT_EQ(bus.Run(kProbe, {QStringLiteral("-RegServer")}), 0);

    QString output;
    const QDateTime started = QDateTime::currentDateTime();
    ASSERT_EQ(bus.Run(demo.Program(), {bus.Address()}, &output), 0);
    const QDateTime ended = QDateTime::currentDateTime();
    EXPECT_EQ(output, QStringLiteral("0\ncounter\nlast error: \ndone\n"));

    const QString add = QStringLiteral("procedure TCounter.Add(Amount: Integer);");
    const struct {
        QString ClassName, Text, Type;
    } expected[] = {
        {QStringLiteral("TCounter"), add, QStringLiteral("0")},
        {QStringLiteral("TCounter"), add, QStringLiteral("0")},
        {QStringLiteral("TCounter"), QStringLiteral("Exception in ") + add, QStringLiteral("3")},
        {QStringLiteral("TCounter"), QStringLiteral("function TCounter.Value: Integer;"), QStringLiteral("0")},
        {QStringLiteral("TCounter"), QStringLiteral("class procedure TCounter.Describe;"), QStringLiteral("0")},
        {QString(), QStringLiteral("procedure ResetAll;"), QStringLiteral("0")},
    };
    const size_t instrumented = std::size(expected);
    ASSERT_TRUE(PrivateBus::WaitUntil([&] { return Records(probeFile).size() >= instrumented + 1; }))
        << ReadAll(probeFile).toStdString();
    const std::vector<Received> records = Records(probeFile);
    ASSERT_EQ(records.size(), instrumented + 1);

    const vireo::UnitReadResult opened = vireo::FileUnitReader().Read(networkPath.toStdString());
    qunsetenv("VIREO_REGISTRY_DIR");
    ASSERT_TRUE(opened.Ok) << opened.Error;
    const vireo::UnitLines lines = opened.Lines;
    EXPECT_EQ(lines, demo.UnitLines());
    for (size_t i = 0; i < instrumented; ++i) {
        SCOPED_TRACE(i);
        const Received& r = records[i];
        EXPECT_EQ(r.ClassName, expected[i].ClassName);
        EXPECT_EQ(r.Text, expected[i].Text);
        EXPECT_EQ(r.Type, expected[i].Type);
        EXPECT_EQ(r.Group, QString());
        EXPECT_EQ(r.Computer, QSysInfo::machineHostName());
        EXPECT_EQ(r.UnitFile, networkPath);
        EXPECT_TRUE(StampedWithin(r, started, ended)) << r.Date.toStdString() << ' ' << r.Time.toStdString();

        const int at = vireo::LocateMessageLine(lines, r.Id.toStdString());
        ASSERT_GE(at, 2) << r.Id.toStdString();
        EXPECT_TRUE(Trimmed(lines[at]).startsWith(QStringLiteral("AddDebug(Self, '") + r.Text + QLatin1Char('\'')));
        if (r.Type == QStringLiteral("3")) {
            EXPECT_EQ(Trimmed(lines[at - 1]), QStringLiteral("except"));
        } else {
            EXPECT_EQ(Trimmed(lines[at - 1]), QStringLiteral("begin"));
            EXPECT_EQ(Trimmed(lines[at - 2]), r.Text);
        }
    }
    EXPECT_EQ(records[0].Id, records[1].Id) << "one line, one ID, however often it runs";
    EXPECT_NE(records[0].Id, records[2].Id);
    EXPECT_EQ(records[0].UnitFile, UnitFileNameConstant(lines));

    const Received& direct = records[instrumented];
    EXPECT_EQ(direct.ClassName, QString());
    EXPECT_EQ(direct.Text, QStringLiteral("Caf\u00e9 Caf\u00e9")) << "a Latin-1 byte is read as Latin-1";
    EXPECT_EQ(direct.Type, QStringLiteral("2"));
    EXPECT_EQ(direct.Group, QStringLiteral("Builds"));
    EXPECT_EQ(direct.Id, QStringLiteral("Direct_1"));
}

TEST(EndToEnd, WithoutAViewerTheProgramRunsToItsEndAndKeepsTheReason)
{
    InstrumentedDemo demo(QStringLiteral("-Mobjfpc"));
    ASSERT_TRUE(demo.Compiled()) << demo.Log();

    PrivateBus bus;
    QString output;
    ASSERT_EQ(bus.Run(demo.Program(), {}, &output), 0);
    EXPECT_TRUE(output.contains(QStringLiteral("was not provided by any .service files (7 message(s) given up)")))
        << output.toStdString();
    EXPECT_TRUE(output.endsWith(QStringLiteral("done\n"))) << output.toStdString();

    QString noBus;
    EXPECT_EQ(RunWithoutBus(demo.Program(), {}, &noBus), 0);
    EXPECT_TRUE(noBus.endsWith(QStringLiteral("done\n"))) << noBus.toStdString();
    EXPECT_FALSE(noBus.contains(QStringLiteral("last error: \n"))) << noBus.toStdString();
}

// Bursts from three threads, from a process before and after its fork, and from a program
// without cthreads: every message arrives once, in order per sender, though each program ends
// right after its last call. A child forked while the sender thread was inside libdbus may find
// libdbus's own locks taken for good; then it must say so, and lose nothing of its parent's.
TEST(EndToEnd, BurstsArriveWholeAndInOrderFromThreadsForksAndAtTheEnd)
{
    const BurstProgram threaded(true);
    ASSERT_TRUE(threaded.Compiled()) << threaded.Log();
    const BurstProgram plain(false);
    ASSERT_TRUE(plain.Compiled()) << plain.Log();
    QTemporaryDir out;
    const QString probeFile = out.filePath(QStringLiteral("probe.txt"));
    QProcessEnvironment env;
    env.insert(QStringLiteral("VIREO_PROBE_OUT"), probeFile);
    PrivateBus bus(env);
    ASSERT_EQ(bus.Run(kProbe, {QStringLiteral("-RegServer")}), 0);

    const struct {
        const BurstProgram& program;
        QStringList args, groups;
    } runs[] = {
        {threaded, {QStringLiteral("threads"), QStringLiteral("3000"), QStringLiteral("3")},
         {QStringLiteral("w0"), QStringLiteral("w1"), QStringLiteral("w2")}},
        {threaded, {QStringLiteral("fork"), QStringLiteral("3000")},
         {QStringLiteral("w0"), QStringLiteral("w1"), QStringLiteral("w2")}},
        {plain, {QStringLiteral("threads"), QStringLiteral("3000"), QStringLiteral("1")}, {QStringLiteral("w0")}},
        {plain, {QStringLiteral("fork"), QStringLiteral("3000")},
         {QStringLiteral("w0"), QStringLiteral("w1"), QStringLiteral("w2")}},
    };
    size_t from = 0;
    for (const auto& run : runs) {
        SCOPED_TRACE(run.args.join(QLatin1Char(' ')).toStdString());
        QString output, errors;
        ASSERT_EQ(bus.Run(run.program.Program(), run.args, &output, &errors), 0) << errors.toStdString();
        QStringList groups = run.groups;
        if (output.contains(QStringLiteral("child: 3000 message(s) not answered in time; the sender thread is stuck"))) {
            groups.removeOne(QStringLiteral("w1"));
        } else if (run.args[0] == QStringLiteral("fork")) {
            EXPECT_EQ(output, QStringLiteral("child: \n"));
        }
        const size_t expected = from + 3000 * groups.size();
        PrivateBus::WaitUntil([&] { return Records(probeFile).size() >= expected; });
        const std::vector<Received> records = Records(probeFile);
        EXPECT_EQ(records.size(), expected);
        EXPECT_TRUE(EachGroupWholeInOrder(records, from, groups, 3000));
        from = records.size();
    }
}

// With a bus but no viewer, and with no bus at all, a burst from threads runs to its end and
// VireoLastError tells why nothing arrived.
TEST(EndToEnd, WithoutAViewerABurstRunsThroughAndKeepsTheReason)
{
    const BurstProgram threaded(true);
    ASSERT_TRUE(threaded.Compiled()) << threaded.Log();
    const QStringList args = {QStringLiteral("ask"), QStringLiteral("20000"), QStringLiteral("2")};
    PrivateBus bus;
    QString output;
    ASSERT_EQ(bus.Run(threaded.Program(), args, &output), 0);
    EXPECT_TRUE(output.contains(QStringLiteral("was not provided by any .service files (40000 message(s) given up)")))
        << output.toStdString();

    QString noBus;
    EXPECT_EQ(RunWithoutBus(threaded.Program(), args, &noBus), 0);
    EXPECT_TRUE(noBus.startsWith(QStringLiteral("last error: Failed to connect to socket"))) << noBus.toStdString();
    EXPECT_TRUE(noBus.endsWith(QStringLiteral(" (40000 message(s) given up)\n"))) << noBus.toStdString();
}
