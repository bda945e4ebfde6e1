#include "ViewerWindowFixture.h"

#include "viewer/session/MessageLog.h"

#include <QAction>
#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>

#include <bit>
#include <fstream>

using namespace vireo;
using namespace vireo::test;

namespace {

// Everything a row of a message shows or carries, and the time stamp to the last bit.
std::vector<std::string> Everything(const TTraceInfo& m)
{
    return {m.ClassName.str(), std::string(m.MessageStr), std::to_string(m.MessageType), m.MessageGroup.str(),
            m.ComputerName.str(), m.MessageID.str(), m.UnitFileName.str(), m.MessageDate.str(),
            m.MessageTime.str(), std::to_string(m.SequenceNumber), std::to_string(std::bit_cast<std::uint64_t>(m.MessageDateTime))};
}

std::vector<std::vector<std::string>> StoreContents(const TraceSession& session)
{
    std::vector<std::vector<std::string>> rows;
    for (int i = 0; i < session.Store().Count(); ++i)
        rows.push_back(Everything(session.Store().Items(i)));
    return rows;
}

class LogWindow : public ViewerWindow {
protected:
    LogWindow() { Answer(); }
    void Answer()
    {
        form->Dialogs.ChooseLogFile = [this](bool) { return QString::fromStdString(file); };
        form->Dialogs.AskSaveListedOnly = [this](int listed, int all) {
            asked = {listed, all};
            return listedOnly;
        };
    }
    // Chooses a log command and waits until its opening or saving has ended.
    void Run(QAction* command)
    {
        command->trigger();
        ASSERT_TRUE(QTest::qWaitFor([this] { return !form->LogTransferRunning(); }, 60'000));
    }
    std::string Path(const char* name) const { return dir.filePath(QString::fromLatin1(name)).toStdString(); }

    QTemporaryDir dir;
    std::string file;
    std::optional<bool> listedOnly = false;
    std::pair<int, int> asked;
};

} // namespace

TEST_F(LogWindow, SavedMessagesOpenInAFreshViewerAsTheyWereAndDamageIsReported)
{
    const std::string texts[] = {"", "tab\there", "\"quoted\" \\ back\\slash", "line\nbreak\r\nwindows",
                                 "Grüße, Привет, 日本語, 😀", "\x01\x1f control"};
    for (int i = 0; i < 10'000; ++i)
        Post(Msg()
                 .Class(i % 7 == 0 ? "" : "TClass" + std::to_string(i % 5))
                 .Text(texts[i % 6] + " #" + std::to_string(i))
                 .Type(i % 9 == 0 ? -7 : i % 4)
                 .Group(i % 3 == 0 ? "" : "Gruppe ü" + std::to_string(i % 3))
                 .Computer(i % 2 ? "PC-1" : "")
                 .Id("UniqueStr_" + std::to_string(i % 40))
                 .Unit("/src/Ünit" + std::to_string(i % 3) + ".pas")
                 .Stamp(46000.123456789 + i * 0.000123456789 - (i == 5 ? 46003.5 : 0)));
    Post(Msg().Text(std::string(1 << 20, 'x') + "\t1 MB"));
    const auto before = StoreContents(*session);
    const auto classes = Children(QStringLiteral("Class"));

    file = Path("all.jsonl");
    Run(ui->SaveMessages1);
    EXPECT_EQ(asked, std::pair(10'001, 10'001));
    EXPECT_TRUE(boxes.empty());
    // Each line is JSON that any reader takes: here Qt's own parser, line by line.
    QFile saved(QString::fromStdString(file));
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readLine(), "{\"format\":\"vireo-log\",\"version\":1}\n");
    for (int i = 0; i < 10'001; ++i) {
        const QJsonObject line = QJsonDocument::fromJson(saved.readLine()).object();
        ASSERT_EQ(line.value(QStringLiteral("MessageStr")).toString().toStdString(), before[i][1]) << i;
        ASSERT_EQ(line.value(QStringLiteral("MessageDateTime")).toDouble(), session->Store().Items(i).MessageDateTime);
    }
    EXPECT_TRUE(saved.atEnd());

    Reopen();
    Answer();
    Run(ui->OpenMessages1);
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(StoreContents(*session), before) << "every field, the numbers and the time stamps' bits";
    EXPECT_EQ(Children(QStringLiteral("Class")), classes) << "the tree learned the classes as on arrival";
    EXPECT_EQ(Column(1).size(), 10'001u);
    EXPECT_EQ(form->StatusText(), "Idle");

    // Only what the list shows, in arrival order even when sorted otherwise; numbering goes on.
    ClickNode(QStringLiteral("TClass3"));
    ClickHeader(1);
    listedOnly = true;
    file = Path("listed.jsonl");
    Run(ui->SaveMessages1);
    const int listed = ui->MessageRows->rowCount();
    Run(ui->OpenMessages1);
    ASSERT_EQ(session->Store().Count(), 10'001 + listed);
    EXPECT_EQ(session->Store().Items(10'001).SequenceNumber, 10'001);
    EXPECT_EQ(session->Store().Items(10'001).MessageStr, before[3][1]) << "message 3 is the first TClass3";
    EXPECT_EQ(ui->MessageRows->RowTotal(), 2 * listed) << "the open node admits what arrives";

    // A damaged log opens what is whole and says what was skipped; a newer one is refused.
    std::string lines;
    {
        std::ifstream in(file);
        std::getline(in, lines);
        std::string first, second;
        std::getline(in, first);
        std::getline(in, second);
        std::ofstream(Path("damaged.jsonl")) << lines << "\n" << first << "\n{\"ClassName\":1}\n" << second << "\n"
                                             << second.substr(0, second.size() / 2);
    }
    boxes.clear();
    file = Path("damaged.jsonl");
    Run(ui->OpenMessages1);
    EXPECT_EQ(boxes, (std::vector<QString>{QStringLiteral(
                         "Opened 2 messages. 2 lines were not messages and were skipped: lines 3, 5.")}));
    EXPECT_EQ(session->Store().Count(), 10'003 + listed);
    std::ofstream(Path("newer.jsonl")) << "{\"format\":\"vireo-log\",\"version\":2}\n";
    file = Path("newer.jsonl");
    Run(ui->OpenMessages1);
    EXPECT_TRUE(boxes.back().contains(QStringLiteral("written by a newer Vireo (format version 2)")));
    file = Path("no/such/folder/x.jsonl");
    Run(ui->SaveMessages1);
    EXPECT_TRUE(boxes.back().startsWith(QStringLiteral("The messages were not saved.")));
    EXPECT_EQ(form->StatusText(), "Idle");
}

TEST_F(LogWindow, AnOpeningShowsItsProgressInTheStatusBarWhichCancelsIt)
{
    file = Path("many.jsonl");
    {
        std::ofstream log(file);
        log << "{\"format\":\"vireo-log\",\"version\":1}\n";
        for (int i = 0; i < 50'000; ++i)
            log << R"({"ClassName":"T","MessageStr":"m","MessageType":0,"MessageGroup":"","ComputerName":"",)"
                   R"("MessageID":"","UnitFileName":"","MessageDateTime":0.5})" "\n";
    }
    auto* cancel = form->findChild<QPushButton*>(QStringLiteral("Button_CancelTransfer"));
    ASSERT_TRUE(cancel);
    EXPECT_FALSE(cancel->isVisible());
    ui->OpenMessages1->trigger();
    EXPECT_TRUE(cancel->isVisible());
    EXPECT_EQ(cancel->accessibleName(), cancel->text());
    EXPECT_FALSE(ui->OpenMessages1->isEnabled()) << "one log at a time";
    EXPECT_FALSE(ui->SaveMessages1->isEnabled());
    EXPECT_EQ(form->StatusText(), "Opening Messages... 0%");
    Post(Msg().Text("posted while opening"));
    EXPECT_EQ(form->StatusText(), "Opening Messages... 0%") << "an intake ends showing the opening again";

    QTest::mouseClick(cancel, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([this] { return !form->LogTransferRunning(); }, 60'000));
    EXPECT_FALSE(cancel->isVisible());
    EXPECT_TRUE(ui->OpenMessages1->isEnabled());
    EXPECT_EQ(form->StatusText(), "Idle");
    EXPECT_LT(session->Store().Count(), 50'001);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(ViewerWindow, TheFindBarFindsForwardAndBackWrapsAndScrollsAHeldList)
{
    for (int i = 0; i < 300; ++i) {
        Msg m = Msg().Text("message " + std::to_string(i));
        if (i == 10 || i == 150 || i == 290)
            m.Text("Needle in row " + std::to_string(i));
        if (i == 200)
            m.Computer("needle-pc"); // in a column about to be hidden
        Post(m);
    }
    Settle();
    ui->ColumnItems[5]->trigger(); // hides "Computer Name"
    TListViewEx* list = ui->ListViewEx_Messages;
    list->setFocus();
    const auto current = [list] { return list->currentIndex().row(); };

    QTest::keyClick(list, Qt::Key_F, Qt::ControlModifier);
    ASSERT_TRUE(ui->FindBar->isVisible());
    ASSERT_TRUE(ui->Edit_Find->hasFocus());
    QTest::keyClicks(ui->Edit_Find, QStringLiteral("NEEDLE"));
    QTest::keyClick(ui->Edit_Find, Qt::Key_Return);
    EXPECT_EQ(current(), 10);
    QTest::keyClick(ui->Edit_Find, Qt::Key_F3);
    EXPECT_EQ(current(), 150);
    QTest::keyClick(ui->Edit_Find, Qt::Key_F3);
    EXPECT_EQ(current(), 290) << "the hidden computer column of row 200 is not searched";
    EXPECT_EQ(ui->Label_FindNotice->text(), "");
    QTest::keyClick(ui->Edit_Find, Qt::Key_F3);
    EXPECT_EQ(current(), 10);
    EXPECT_EQ(ui->Label_FindNotice->text(), "Passed the end, continued from the top");
    QTest::keyClick(ui->Edit_Find, Qt::Key_F3, Qt::ShiftModifier);
    EXPECT_EQ(current(), 290);
    EXPECT_EQ(ui->Label_FindNotice->text(), "Passed the top, continued from the end");
    QTest::mouseClick(ui->Button_FindPrevious, Qt::LeftButton);
    EXPECT_EQ(current(), 150);
    EXPECT_EQ(list->selectionModel()->selectedRows().size(), 1);

    // Regular expressions; a faulty one says so and leaves the selection.
    QTest::mouseClick(ui->CheckBox_FindRegExp, Qt::LeftButton, {}, QPoint(4, ui->CheckBox_FindRegExp->height() / 2));
    ui->Edit_Find->setText(QStringLiteral("^needle in row \\d0$"));
    QTest::mouseClick(ui->Button_FindNext, Qt::LeftButton);
    EXPECT_EQ(current(), 10) << "290 and 150 do not end in a 0 after one digit";
    ui->Edit_Find->setText(QStringLiteral("row (1"));
    QTest::mouseClick(ui->Button_FindNext, Qt::LeftButton);
    EXPECT_TRUE(ui->Label_FindNotice->text().startsWith(QStringLiteral("Not a regular expression")));
    EXPECT_EQ(current(), 10);

    // A held list: finding scrolls it, arrivals then leave it where it is.
    ui->HoldList1->trigger();
    ui->Edit_Find->setText(QStringLiteral("row 290"));
    QTest::mouseClick(ui->Button_FindNext, Qt::LeftButton);
    ASSERT_EQ(current(), 290);
    const QRect found = list->visualRect(ui->MessageRows->index(290, 0));
    EXPECT_TRUE(list->viewport()->rect().contains(found));
    list->scrollToTop();
    QTest::keyClick(ui->Edit_Find, Qt::Key_F3, Qt::ShiftModifier);
    const int scrolled = list->verticalScrollBar()->value();
    EXPECT_GT(scrolled, 0);
    Post(Msg().Text("new"));
    Settle();
    EXPECT_EQ(list->verticalScrollBar()->value(), scrolled);
    EXPECT_EQ(current(), 290);

    QTest::keyClick(ui->Edit_Find, Qt::Key_Escape);
    EXPECT_FALSE(ui->FindBar->isVisible());
    EXPECT_TRUE(list->hasFocus());
    QTest::keyClick(list, Qt::Key_F3); // searches again, the only match being the current row
    EXPECT_TRUE(ui->FindBar->isVisible());
    EXPECT_EQ(current(), 290);
    EXPECT_EQ(ui->Label_FindNotice->text(), "Passed the end, continued from the top");
    EXPECT_EQ(ui->Edit_Find->accessibleName(), "Find");
    EXPECT_EQ(ui->CheckBox_FindRegExp->accessibleName(), "Regular Expression");
}

TEST_F(ViewerWindow, CopyTakesTheSelectedRowsAsATableAndTheSourceFollowsTheCurrentRow)
{
    UnitFiles files;
    const std::string unitA = files.Write("UnitA.pas", {"begin", "  AddDebug(Self, 'ID_A');", "end."});
    const std::string unitB = files.Write("UnitB.pas", {"begin", "  AddDebug(Self, 'ID_B');", "end."});
    for (int i = 0; i < 5; ++i)
        Post(Msg().Class("T" + std::to_string(i)).Text("text\t" + std::to_string(i) + "\nmore").Group("G")
                 .Id(i == 1 ? "ID_B" : "ID_A").Unit(i == 1 ? unitB : unitA));
    Settle();
    ui->ColumnItems[2]->trigger(); // hides "Group"
    TListViewEx* list = ui->ListViewEx_Messages;
    const auto click = [&](int row, Qt::KeyboardModifiers keys) {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, keys,
                          list->visualRect(ui->MessageRows->index(row, 1)).center());
    };
    click(3, {});
    click(0, Qt::ControlModifier);
    click(1, Qt::ControlModifier);
    ASSERT_EQ(list->selectionModel()->selectedRows().size(), 3);
    QGuiApplication::clipboard()->clear();
    QTest::keyClick(list, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(),
              "Class Name\tMessage\tDate\tTime\tComputer Name\n"
              "T0\ttext 0 more\t01/01/2003\t12:00:00\tpc1\n"
              "T1\ttext 1 more\t01/01/2003\t12:00:00\tpc1\n"
              "T3\ttext 3 more\t01/01/2003\t12:00:00\tpc1\n");

    emit list->doubleClicked(list->currentIndex()); // with three rows selected: the current one, row 1
    EXPECT_EQ(ui->Source->CurrentUnitFile(), unitB);
}
