#include "viewer/session/MessageListing.h"
#include "viewer/session/TraceSession.h"
#include "ViewerTestMessages.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <fstream>
#include <limits>
#include <string>
#include <vector>

using namespace vireo;
using namespace vireo::test;

namespace {

// What a session announced, in order, as one line per signal.
struct Announcements {
    explicit Announcements(TraceSession& session)
    {
        QObject::connect(&session, &TraceSession::IntakeStarted, [this] { seen.push_back("started"); });
        QObject::connect(&session, &TraceSession::IntakeFinished, [this] { seen.push_back("finished"); });
        QObject::connect(&session, &TraceSession::NameLearned, [this](NameKind kind, const std::string& name) {
            const char* kinds[] = {"class ", "group ", "computer "};
            seen.push_back(kinds[static_cast<int>(kind)] + name);
        });
        QObject::connect(&session, &TraceSession::MessagesAppended, [this](int first, int last) {
            seen.push_back("appended " + std::to_string(first) + ".." + std::to_string(last));
        });
        QObject::connect(&session, &TraceSession::MessagesDropped,
                         [this](int count) { seen.push_back("dropped " + std::to_string(count)); });
        QObject::connect(&session, &TraceSession::Cleared, [this] { seen.push_back("cleared"); });
    }
    std::vector<std::string> Take() { return std::exchange(seen, {}); }
    std::vector<std::string> seen;
};

using Lines = std::vector<std::string>;

// The messages of a log file, as its opening hands them to the session.
std::vector<LoggedMessage> Logged(const std::string& path)
{
    std::vector<LoggedMessage> messages;
    OpenMessageLog(path, [&messages](TraceFields&& fields) { messages.push_back(LoggedMessage::From(std::move(fields))); });
    return messages;
}

} // namespace

TEST(TraceSession, StoresNumbersAndLearnsEachMessageThenAnnouncesItNamesFirst)
{
    auto owned = std::make_unique<FixedTimeConventions>("%d.%m.%Y");
    FixedTimeConventions& time = *owned;
    TraceSession session(std::move(owned));
    Announcements announced(session);

    session.ReceiveTrace(QString(), QStringLiteral("héllo ✓"), 7, QStringLiteral("mgRed"), QStringLiteral("Pc-1"),
                         QStringLiteral("UniqueStr_9"), QStringLiteral("/p/Unit1.pas"), 0.5);
    EXPECT_EQ(announced.Take(), (Lines{"started", "group mgRed", "computer Pc-1", "appended 0..0", "finished"}))
        << "an empty class is no name to learn";
    time.conventions = ConventionsFromStrftime("%m/%d/%y", "%I:%M:%S %p", "AM", "PM");
    Post(session, Msg().Class("Foo").Group("MGRED").Computer("PC-1").Stamp(0.75));
    Post(session, Msg().Class("FOO").Group("foo").Computer("").Stamp(0.75));
    Post(session, Msg().Class("error").Group("No Group").Computer("").Stamp(0.75));
    EXPECT_EQ(announced.Take(), (Lines{"started", "class Foo", "appended 1..1", "finished",
                                       "started", "computer ", "appended 2..2", "finished",
                                       "started", "appended 3..3", "finished"}))
        << "names are learned once ignoring case, never when a tree node has the name";

    const MessageStore& store = session.Store();
    ASSERT_EQ(store.Count(), 4);
    const TTraceInfo& first = store.Items(0);
    EXPECT_EQ(first.MessageStr, "h\xc3\xa9llo \xe2\x9c\x93");
    EXPECT_EQ(first.MessageType, 7);
    EXPECT_EQ(first.MessageID.view(), "UniqueStr_9");
    EXPECT_EQ(first.UnitFileName.view(), "/p/Unit1.pas");
    EXPECT_EQ(first.MessageDate.view(), "30.12.1899");
    EXPECT_EQ(first.MessageTime.view(), "12:00:00");
    EXPECT_EQ(store.Items(1).MessageTime.view(), "06:00:00 PM") << "conventions are read for every message";
    EXPECT_EQ(store.Items(3).SequenceNumber, 3);

    EXPECT_THROW(Post(session, Msg().Stamp(std::numeric_limits<double>::quiet_NaN())), TimeStampError);
    EXPECT_EQ(announced.Take(), Lines{"started"}) << "a failed intake announces no message and no end";
    EXPECT_EQ(store.Count(), 4);
    Post(session, Msg().Class("Foo").Computer(""));
    EXPECT_EQ(store.Items(4).SequenceNumber, 4) << "the failed message used no number";
    announced.Take();

    session.Clear();
    EXPECT_EQ(announced.Take(), Lines{"cleared"});
    EXPECT_EQ(store.Count(), 0);
    Post(session, Msg().Class("Foo").Computer("Pc-1"));
    EXPECT_EQ(announced.Take(), (Lines{"started", "class Foo", "computer Pc-1", "appended 0..0", "finished"}))
        << "after a clear every name is learned again";
    EXPECT_EQ(store.Items(0).SequenceNumber, 5) << "numbering goes on across a clear";
}

TEST(TraceSession, ALogsPieceIsAnnouncedAsOneRange)
{
    QTemporaryDir dir;
    const std::string path = dir.filePath(QStringLiteral("run.jsonl")).toStdString();
    std::ofstream(path) << "{\"format\":\"vireo-log\",\"version\":1}\n"
                        << R"({"ClassName":"TLog","MessageStr":"one","MessageType":1,"MessageGroup":"",)"
                           R"("ComputerName":"pc1","MessageID":"","UnitFileName":"","MessageDateTime":0.5})" "\n"
                        << "not a message\n"
                        << R"({"ClassName":"TLog","MessageStr":"two","MessageType":2,"MessageGroup":"",)"
                           R"("ComputerName":"pc1","MessageID":"","UnitFileName":"","MessageDateTime":0.5})" "\n";
    TraceSession session(std::make_unique<FixedTimeConventions>("%d/%m/%Y"));
    Post(session, Msg().Class("TBus"));
    Announcements announced(session);

    std::vector<LoggedMessage> logged = Logged(path);
    session.ReceiveLogged(logged);
    EXPECT_EQ(announced.Take(), (Lines{"class TLog", "appended 1..2"}));
    EXPECT_EQ(session.Store().Items(2).SequenceNumber, 2) << "numbered on after the bus's messages";
    EXPECT_EQ(session.Store().Items(2).MessageStr, "two");
}

TEST(TraceSession, DroppingTheOldestShiftsTheListingAndKeepsTheNumbers)
{
    TraceSession session(std::make_unique<FixedTimeConventions>("%d/%m/%Y"));
    MessageListing listing(session);
    listing.SetNodeSelected(true);
    const std::string_view classes = "Class";
    listing.SelectNode(TreeNodeRule::ForNode("A", &classes));
    for (const char* cls : {"A", "B", "A", "B", "A"})
        Post(session, Msg().Class(cls));
    ASSERT_EQ(listing.Rows(), (std::vector<int>{0, 2, 4}));

    session.DropOldest(3);
    EXPECT_EQ(session.Store().Count(), 2);
    EXPECT_EQ(session.Store().Items(0).SequenceNumber, 3);
    EXPECT_EQ(listing.Rows(), (std::vector<int>{1})) << "dropped rows go, the others follow their messages";
    Post(session, Msg().Class("A"));
    EXPECT_EQ(listing.Rows(), (std::vector<int>{1, 2}));
    EXPECT_EQ(session.Store().Items(2).SequenceNumber, 5);
    session.DropOldest(10);
    EXPECT_EQ(session.Store().Count(), 0);
    EXPECT_TRUE(listing.Rows().empty());
}

TEST(TraceSession, PastTheHistoryLimitTheOldestGoInBlocksAndEveryViewFollows)
{
    TraceSession session(std::make_unique<FixedTimeConventions>("%d/%m/%Y"));
    MessageListing listing(session);
    listing.SetNodeSelected(true);
    listing.SelectNode(TreeNodeRule::All());
    Announcements announced(session);
    session.SetHistoryLimit({32, 0});
    for (int i = 0; i < 32; ++i)
        Post(session, Msg().Text(std::to_string(i)));
    EXPECT_EQ(session.Store().Count(), 32);
    EXPECT_EQ(session.DroppedSinceClear(), 0);
    announced.Take();

    Post(session, Msg().Text("32"));
    EXPECT_EQ(announced.Take(), (Lines{"started", "appended 32..32", "dropped 5", "finished"}))
        << "the newest is announced before the oldest go, a block of an eighth past the limit";
    EXPECT_EQ(session.Store().Count(), 28);
    EXPECT_EQ(session.Store().Items(0).MessageStr, "5");
    EXPECT_EQ(listing.Rows().front(), 0);
    EXPECT_EQ(listing.Rows().size(), 28u);
    for (int i = 33; i < 37; ++i)
        Post(session, Msg().Text(std::to_string(i)));
    EXPECT_EQ(session.DroppedSinceClear(), 5) << "no drop until the limit is passed again";
    EXPECT_EQ(session.Store().Items(31).SequenceNumber, 36) << "numbers keep rising";

    // A log longer than the limit never holds more than it: what it brought is announced before
    // any of it is dropped.
    QTemporaryDir dir;
    const std::string path = dir.filePath(QStringLiteral("long.jsonl")).toStdString();
    {
        std::ofstream log(path);
        for (int i = 0; i < 100; ++i)
            log << R"({"ClassName":"TLog","MessageStr":"log )" << i << R"(","MessageType":0,"MessageGroup":"",)"
                << R"("ComputerName":"pc1","MessageID":"","UnitFileName":"","MessageDateTime":0.5})" << '\n';
    }
    std::vector<LoggedMessage> logged = Logged(path);
    session.ReceiveLogged(logged);
    EXPECT_LE(session.Store().Count(), 32);
    EXPECT_EQ(session.Store().Items(session.Store().Count() - 1).MessageStr, "log 99");
    EXPECT_EQ(listing.Rows().size(), static_cast<std::size_t>(session.Store().Count()));
    EXPECT_EQ(listing.Rows().back(), session.Store().Count() - 1);

    session.Clear();
    EXPECT_EQ(session.DroppedSinceClear(), 0);
    EXPECT_EQ(session.TakenTotal(), 137) << "the intake's count goes on for the arrival rate";
}

TEST(TraceSession, AMemoryLimitDropsByTheMessagesSizes)
{
    TraceSession session(std::make_unique<FixedTimeConventions>("%d/%m/%Y"));
    session.SetHistoryLimit({0, 1});
    const std::string big(300 * 1024, 'x');
    for (int i = 0; i < 3; ++i)
        Post(session, Msg().Text(big));
    EXPECT_EQ(session.Store().Count(), 3);
    Post(session, Msg().Text(big));
    EXPECT_EQ(session.Store().Count(), 2) << "the fourth 300 KiB text passes 1 MiB: the oldest go, to an eighth below";
    EXPECT_LE(session.Store().Bytes(), 1 << 20);
    for (int i = 0; i < 1000; ++i)
        Post(session, Msg().Text("small"));
    EXPECT_EQ(session.Store().Items(session.Store().Count() - 1).MessageStr, "small");
    session.SetHistoryLimit({10, 0});
    EXPECT_EQ(session.Store().Count(), 9) << "a lower limit applies at once";
}

TEST(TraceSession, ABatchIsAnnouncedAsOneRangeAndABadStampIsRefusedAlone)
{
    TraceSession session(std::make_unique<FixedTimeConventions>("%d/%m/%Y"));
    Announcements announced(session);
    const auto arguments = [](const char* cls, double stamp) {
        TraceArguments t;
        t.ClassName = QString::fromLatin1(cls);
        t.MessageStr = QStringLiteral("text");
        t.ComputerName = QStringLiteral("pc1");
        t.MessageDateTime = stamp;
        return t;
    };
    const std::vector<TraceRefusal> refused = session.ReceiveTraces(
        {arguments("A", 0.5), arguments("B", std::numeric_limits<double>::infinity()), arguments("C", 0.5)});
    ASSERT_EQ(refused.size(), 1u);
    EXPECT_EQ(refused[0].Position, 1u);
    EXPECT_FALSE(refused[0].Reason.isEmpty());
    EXPECT_EQ(announced.Take(), (Lines{"started", "class A", "computer pc1", "class C", "appended 0..1", "finished"}));
    EXPECT_EQ(session.Store().Items(1).ClassName.view(), "C");
    EXPECT_EQ(session.Store().Items(1).SequenceNumber, 1);
}
