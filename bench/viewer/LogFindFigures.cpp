// Figures of message logs and finding: saving and opening 1,000,000 messages, and finding the
// next match across 1,000,000 rows when it is the last row.

#include "../BenchSupport.h"

#include "intake/TimeStampText.h"
#include "viewer/session/MessageFind.h"
#include "viewer/session/MessageLog.h"
#include "viewer/session/MessageLogTransfer.h"
#include "viewer/session/TraceSession.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTemporaryDir>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <numeric>

using namespace vireo;

namespace {

class FixedConventions : public ITimeConventions {
public:
    FixedConventions() : conventions_(ConventionsFromStrftime("%d/%m/%Y", "%H:%M:%S", "", "")) {}
    const TimeConventions& Current() override { return conventions_; }

private:
    TimeConventions conventions_;
};

// Runs the event loop until the transfer ends; returns how long that took.
double RunToEnd(MessageLogTransfer& transfer)
{
    QEventLoop loop;
    QObject::connect(&transfer, &MessageLogTransfer::Finished, &loop, &QEventLoop::quit);
    return bench::Milliseconds([&] { loop.exec(); });
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    constexpr int kCount = 1'000'000;
    TraceSession session(std::make_unique<FixedConventions>());
    {
        std::vector<LoggedMessage> messages;
        const std::string classes[] = {"TForm1", "TDataModule", "TWorker", "TParser"};
        for (int i = 0; i < kCount; ++i) {
            LoggedMessage& m = messages.emplace_back();
            m.ClassName = classes[i % 4];
            m.MessageStr = "Processing record " + std::to_string(i) + " of the \"batch\"\twith a tab";
            m.MessageType = i % 4;
            m.MessageGroup = i % 3 == 0 ? "Database" : "";
            m.ComputerName = "BUILD-PC";
            m.MessageID = "UniqueStr_" + std::to_string(i % 50);
            m.UnitFileName = "/projects/demo/Unit" + std::to_string(i % 20) + ".pas";
            m.MessageDateTime = 46000.25 + i / 86'400'000.0 * 7;
        }
        session.ReceiveLogged(messages);
    }
    const MessageStore& store = session.Store();

    QTemporaryDir dir;
    const std::filesystem::path path = dir.filePath(QStringLiteral("bench.jsonl")).toStdString();
    std::vector<int> all(static_cast<std::size_t>(kCount));
    std::iota(all.begin(), all.end(), 0);
    MessageLogSaving saving(session, path, all);
    const double saveMs = RunToEnd(saving);
    std::printf("save %d messages: %.0f ms (%.0f MB, target 1000 ms)\n", kCount, saveMs,
                static_cast<double>(std::filesystem::file_size(path)) / 1e6);

    std::size_t bytes = 0;
    const ContentSink discard = [&bytes](std::string_view piece) { bytes += piece.size(); };
    const double formatMs = bench::Milliseconds([&] {
        MessageLogWriter writer(discard);
        for (int index = 0; index < kCount; ++index)
            writer.Write(store.Items(index));
        writer.Flush();
    });
    std::printf("the same log written to no file (formatting alone): %.0f ms\n", formatMs);

    TraceSession openedSession(std::make_unique<FixedConventions>());
    MessageLogOpening opening(openedSession, path);
    const double openMs = RunToEnd(opening);
    const MessageLogReport& report = opening.Report();
    const MessageStore& opened = openedSession.Store();
    std::printf("open %lld messages into a store: %.0f ms (target 2000 ms), %lld lines skipped\n",
                static_cast<long long>(report.Messages), openMs, static_cast<long long>(report.SkippedLines));

    ShownColumns shown{{0, 1, 2, 3, 4, 5}, false};
    const auto find = [&](const char* text, bool expression) {
        const TextMatcher matcher(QString::fromUtf8(text), expression);
        FoundRow found;
        const std::clock_t cpuStart = std::clock();
        const double ms = bench::Milliseconds([&] {
            found = FindRow(kCount, 0, true, [&](int row) { return matcher.Matches(opened.Items(row), shown); });
        });
        const double cpuMs = 1000.0 * static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
        std::printf("find \"%s\"%s%s across %d rows: row %d in %.1f ms (processor %.1f ms)\n", text,
                    expression ? " (expression)" : "", shown.Milliseconds ? " (milliseconds shown)" : "", kCount,
                    found.Row, ms, cpuMs);
    };
    find("record 999999 OF", false); // the last row, case-insensitive (target 50 ms)
    find("record 999999\\b", true);
    shown.Milliseconds = true;
    find("record 999999 OF", false);
    return 0;
}
