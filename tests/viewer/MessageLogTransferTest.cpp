#include "viewer/session/MessageListing.h"
#include "viewer/session/MessageLogTransfer.h"
#include "viewer/session/TraceSession.h"
#include "ViewerTestMessages.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <QTest>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

using namespace vireo;
using namespace vireo::test;

namespace {

std::string LogLine(int i)
{
    return R"({"ClassName":"TLog","MessageStr":"log )" + std::to_string(i) +
           R"(","MessageType":0,"MessageGroup":"","ComputerName":"pc1","MessageID":"","UnitFileName":"",)"
           R"("MessageDateTime":0.5})" "\n";
}

void WriteLog(const std::string& path, int messages, const std::string& extra = {})
{
    std::ofstream log(path);
    log << "{\"format\":\"vireo-log\",\"version\":1}\n" << extra;
    for (int i = 0; i < messages; ++i)
        log << LogLine(i);
}

std::string Contents(const std::string& path)
{
    std::ostringstream text;
    text << std::ifstream(path).rdbuf();
    return text.str();
}

// Runs the event loop until the transfer ends, doing between turns what a busy viewer does.
void RunToEnd(MessageLogTransfer& transfer, const std::function<void()>& meanwhile = {})
{
    bool finished = false;
    QObject::connect(&transfer, &MessageLogTransfer::Finished, [&finished] { finished = true; });
    for (int turn = 0; !finished && turn < 100'000; ++turn) {
        if (meanwhile)
            meanwhile();
        QTest::qWait(1);
    }
    ASSERT_TRUE(finished);
}

class LogTransfer : public ::testing::Test {
protected:
    std::string Path(const char* name) const { return dir.filePath(QString::fromLatin1(name)).toStdString(); }

    QTemporaryDir dir;
    TraceSession session{std::make_unique<FixedTimeConventions>("%d/%m/%Y")};
};

} // namespace

TEST_F(LogTransfer, ALogOpensInPiecesWhilePostedMessagesAreTakenBetweenThem)
{
    constexpr int kLogged = 20'000;
    WriteLog(Path("big.jsonl"), kLogged, "not a message\n");
    MessageListing listing(session);
    listing.SetNodeSelected(true);
    listing.SelectNode(TreeNodeRule::All());
    int ranges = 0;
    QObject::connect(&session, &TraceSession::MessagesAppended, [&ranges] { ++ranges; });

    MessageLogOpening opening(session, Path("big.jsonl"));
    int posted = 0;
    std::vector<int> percents;
    QObject::connect(&opening, &MessageLogTransfer::Progressed, [&percents](int p) { percents.push_back(p); });
    RunToEnd(opening, [&] { Post(session, Msg().Class("TBus").Text("bus " + std::to_string(posted++))); });

    EXPECT_EQ(opening.Result(), MessageLogTransfer::Outcome::Done);
    EXPECT_EQ(opening.Report().Messages, kLogged);
    EXPECT_EQ(opening.Report().FirstSkipped, std::vector<std::int64_t>{2});
    ASSERT_EQ(session.Store().Count(), kLogged + posted);
    EXPECT_GT(ranges, kLogged / 4096) << "announced a piece at a time, not at the end";
    EXPECT_EQ(listing.Rows().size(), static_cast<std::size_t>(session.Store().Count()));
    EXPECT_EQ(percents.back(), 100);
    // The log's messages keep their order; the posted ones came in between the pieces.
    int nextLogged = 0, firstLoggedAt = -1, lastLoggedAt = -1;
    for (int i = 0; i < session.Store().Count(); ++i) {
        const TTraceInfo& m = session.Store().Items(i);
        EXPECT_EQ(m.SequenceNumber, i);
        if (m.ClassName.str() != "TLog")
            continue;
        ASSERT_EQ(m.MessageStr, "log " + std::to_string(nextLogged++));
        firstLoggedAt = firstLoggedAt < 0 ? i : firstLoggedAt;
        lastLoggedAt = i;
    }
    EXPECT_GT(lastLoggedAt - firstLoggedAt + 1, kLogged) << "posted messages were taken while it opened";

    // A file that is not there fails with its reason; a cancel keeps what was taken and stops.
    MessageLogOpening missing(session, Path("missing.jsonl"));
    RunToEnd(missing);
    EXPECT_EQ(missing.Result(), MessageLogTransfer::Outcome::Failed);
    EXPECT_THROW(std::rethrow_exception(missing.Failure()), std::system_error);

    const int before = session.Store().Count();
    MessageLogOpening cancelled(session, Path("big.jsonl"));
    QObject::connect(&session, &TraceSession::MessagesAppended, &cancelled, &MessageLogTransfer::Cancel);
    RunToEnd(cancelled);
    EXPECT_EQ(cancelled.Result(), MessageLogTransfer::Outcome::Cancelled);
    EXPECT_GT(session.Store().Count(), before);
    EXPECT_LT(session.Store().Count(), before + kLogged);
}

TEST_F(LogTransfer, ASaveWritesWhatIsStoredAsTheHistoryLimitDropsAndLeavesTheOldFileWholeOtherwise)
{
    for (int i = 0; i < 20'000; ++i)
        Post(session, Msg().Text("m" + std::to_string(i)));
    const std::string path = Path("saved.jsonl");
    std::vector<int> odd;
    for (int i = 1; i < 20'000; i += 2)
        odd.push_back(i);

    // The limit drops the oldest while the save runs: those not yet written are left out.
    MessageLogSaving saving(session, path, odd);
    session.SetHistoryLimit({20'000, 0});
    int posted = 0;
    RunToEnd(saving, [&] {
        if (posted++ < 4)
            for (int i = 0; i < 2'000; ++i)
                Post(session, Msg().Text("new"));
    });
    ASSERT_EQ(saving.Result(), MessageLogTransfer::Outcome::Done);
    std::vector<int> written;
    MessageLogReport report = OpenMessageLog(path, [&written](TraceFields&& fields) {
        written.push_back(std::stoi(std::string(fields.MessageStr.substr(1))));
    });
    ASSERT_FALSE(written.empty());
    EXPECT_EQ(written.back(), 19'999);
    for (std::size_t i = 1; i < written.size(); ++i)
        ASSERT_EQ(written[i], written[i - 1] + 2) << "each chosen message that was still stored, in order";
    EXPECT_EQ(report.SkippedLines, 0);

    // Cancelled, cleared or failing: the old file stays whole.
    const std::string old = Contents(path);
    MessageLogSaving cancelled(session, path, odd);
    cancelled.Cancel();
    RunToEnd(cancelled);
    EXPECT_EQ(cancelled.Result(), MessageLogTransfer::Outcome::Cancelled);
    MessageLogSaving cleared(session, path, odd);
    session.Clear();
    RunToEnd(cleared);
    EXPECT_EQ(cleared.Result(), MessageLogTransfer::Outcome::Cancelled);
    EXPECT_EQ(Contents(path), old);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path().toStdString()),
                            std::filesystem::directory_iterator{}),
              1) << "no temporary file left";

    MessageLogSaving failing(session, Path("no/such/folder/x.jsonl"), {});
    RunToEnd(failing);
    EXPECT_EQ(failing.Result(), MessageLogTransfer::Outcome::Failed);
    EXPECT_THROW(std::rethrow_exception(failing.Failure()), std::system_error);
}
