// Prints the figures of a long capture against a history limit, in the main window shown
// offscreen with "All" listed and the list following: messages taken in batches of 1,000 per
// event-loop turn (as the bus delivers AddTraces), the resident memory every million, the intake
// rate while dropping beside a run without a limit (twice, each in a fresh process), and the
// longest turn of the event loop (a stall the user would see).
//   viewer_history_limit_figures [messages, default 20000000] [limit, default 1000000]

#include "../BenchSupport.h"
#include "OffscreenViewer.h"
#include "TypicalTraffic.h"
#include "viewer/session/TraceSession.h"
#include "viewer/window/MainFormUnit.h"

#include <QApplication>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

using namespace vireo;
using namespace vireo::bench;

namespace {

constexpr int kBatch = 1000;

// Messages first .. first + kBatch - 1 of the traffic, as one AddTraces brings them.
std::vector<TraceArguments> Batch(long long first)
{
    std::vector<TraceArguments> batch;
    batch.reserve(kBatch);
    for (int k = 0; k < kBatch; ++k)
        batch.push_back(TypicalMessage(first + k));
    return batch;
}

struct Run {
    double perSecond = 0;             // over the whole run
    double beforeLimitPerSecond = 0;  // until the first drop: the same store without a limit so far
    double afterLimitPerSecond = 0;   // once messages are being dropped
    double longestTurnMs = 0;
};

// Takes count messages into a shown window over a session with the limit; reports every million.
Run Capture(long long count, HistoryLimit limit, bool report)
{
    TraceSession session;
    TForm_Main form(session);
    form.Dialogs.ShowMessageBox = [](const QString& text) { std::fprintf(stderr, "%s\n", qPrintable(text)); };
    form.show();
    form.FormActivate();
    session.SetHistoryLimit(limit);
    QCoreApplication::processEvents();

    Run run;
    double millionMs = 0, afterMs = 0, totalMs = 0;
    long long after = 0;
    for (long long first = 0; first < count; first += kBatch) {
        const std::vector<TraceArguments> batch = Batch(first);
        const bool dropping = session.DroppedSinceClear() > 0;
        const double ms = Milliseconds([&] {
            session.ReceiveTraces(batch);
            QCoreApplication::processEvents();
        });
        run.longestTurnMs = std::max(run.longestTurnMs, ms);
        millionMs += ms;
        totalMs += ms;
        if (dropping) {
            afterMs += ms;
            after += kBatch;
        }
        if ((first + kBatch) % 1'000'000 == 0) {
            if (report)
                std::printf("%5lld M posted: %8d stored, resident %6.0f MB, %8.0f messages/s\n",
                            (first + kBatch) / 1'000'000, session.Store().Count(), ResidentBytes() / 1048576.0,
                            1'000'000 / (millionMs / 1000));
            millionMs = 0;
        }
    }
    run.afterLimitPerSecond = after > 0 ? after / (afterMs / 1000) : 0;
    run.beforeLimitPerSecond = (count - after) / ((totalMs - afterMs) / 1000);
    run.perSecond = count / (totalMs / 1000);
    session.KeyMarks().Assign({});
    return run;
}

// The run without a limit, in a process of its own so that it starts on a fresh heap as the
// run with the limit did: messages per second and the longest turn.
std::pair<double, double> UnlimitedInAFreshProcess(const char* self, int limit)
{
    QProcess child;
    child.start(QString::fromLocal8Bit(self), {QStringLiteral("--unlimited"), QString::number(2LL * limit)});
    child.waitForFinished(-1);
    const QList<QByteArray> figures = child.readAllStandardOutput().trimmed().split(' ');
    if (child.exitCode() != 0 || figures.size() != 2) {
        std::fprintf(stderr, "the run without a limit failed\n");
        std::exit(1);
    }
    return {figures[0].toDouble(), figures[1].toDouble()};
}

} // namespace

int main(int argc, char* argv[])
{
    std::setvbuf(stdout, nullptr, _IOLBF, 0); // each figure as soon as it is known
    const OffscreenViewer viewer(argc, argv);
    if (argc == 3 && std::strcmp(argv[1], "--unlimited") == 0) {
        const Run run = Capture(std::atoll(argv[2]), {0, 0}, false);
        std::printf("%.0f %.1f\n", run.perSecond, run.longestTurnMs);
        return 0;
    }
    const long long messages = argc > 1 ? std::atoll(argv[1]) : 20'000'000;
    const int limit = argc > 2 ? std::atoi(argv[2]) : 1'000'000;

    std::printf("%lld messages against a limit of %d, in batches of %d per event-loop turn:\n", messages, limit,
                kBatch);
    const Run limited = Capture(messages, {limit, 0}, true);
    // The machine's pace drifts over a long run, so the run without a limit goes twice, each from
    // a fresh heap, and the faster is the one compared against.
    const auto [firstRate, firstTurn] = UnlimitedInAFreshProcess(argv[0], limit);
    const auto [secondRate, secondTurn] = UnlimitedInAFreshProcess(argv[0], limit);
    std::printf("intake with the limit, while dropping:  %8.0f messages/s (ratio %.2f to the same run before its "
                "first drop, %.0f messages/s)\n",
                limited.afterLimitPerSecond, limited.afterLimitPerSecond / limited.beforeLimitPerSecond,
                limited.beforeLimitPerSecond);
    std::printf("intake without a limit, twice the limit: %8.0f and %.0f messages/s (ratio %.2f to the faster)\n",
                firstRate, secondRate, limited.afterLimitPerSecond / std::max(firstRate, secondRate));
    std::printf("longest event-loop turn:                %8.1f ms with the limit, %.1f ms without\n",
                limited.longestTurnMs, std::max(firstTurn, secondTurn));
    return 0;
}
