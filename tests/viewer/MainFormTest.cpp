#include "ViewerTestMessages.h"
#include "PrivateBus.h"

#include "intake/AutomationWarning.h"
#include "intake/VireoImpl.h"
#include "viewer/AutomationWarningBox.h"
#include "viewer/MainFormUnit.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QMessageBox>
#include <QTimer>
#include <QPushButton>
#include <QApplication>
#include <QMenu>
#include <QProcess>

#include <cmath>
#include <limits>
#include <map>

using namespace vireo;
using vireo::test::FixedTimeConventions;
using vireo::testing::PrivateBus;

namespace {

struct Window {
    Window()
    {
        auto owned = std::make_unique<FixedTimeConventions>("%d.%m.%Y");
        time = owned.get();
        form = std::make_unique<TForm_Main>(std::move(owned));
    }
    void Receive(const QString& text, double stamp = 0.5)
    {
        form->ReceiveTrace(QStringLiteral("TFoo"), text, 2, QString(), QStringLiteral("PC"),
                           QStringLiteral("UniqueStr_1"), QStringLiteral("/projects/demo/Unit1.pas"), stamp);
    }
    FixedTimeConventions* time;
    std::unique_ptr<TForm_Main> form;
};

class FakeAsker : public IAutomationWarningAsker {
public:
    bool ConfirmClose() override
    {
        ++asked;
        return answer;
    }
    int asked = 0;
    bool answer = false;
};

} // namespace

TEST(MainForm, TheAutomationWarningIsAWarningWithNoAsItsDefaultAnswer)
{
    QWidget owner;
    AutomationWarningBox asker(&owner);
    QString caption, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    QPushButton* defaultButton = nullptr;
    QMessageBox::StandardButton defaultAnswer = QMessageBox::NoButton;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        caption = box->windowTitle();
        text = box->text();
        icon = box->icon();
        buttons = box->standardButtons();
        defaultButton = box->defaultButton();
        defaultAnswer = box->standardButton(box->defaultButton());
        box->defaultButton()->click(); // what Enter does
    });
    EXPECT_FALSE(asker.ConfirmClose()) << "the default answer keeps the viewer";
    EXPECT_EQ(caption, "Automation Warning");
    EXPECT_EQ(text.toStdString(), AutomationWarning::Text);
    EXPECT_EQ(icon, QMessageBox::Warning);
    EXPECT_EQ(buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_NE(defaultButton, nullptr);
    EXPECT_EQ(defaultAnswer, QMessageBox::No);
}

TEST(MainForm, StoresNumbersAndFormatsEachMessageThenRestsIdle)
{
    Window w;
    EXPECT_EQ(w.form->windowTitle(), "Vireo");
    EXPECT_EQ(w.form->StatusText(), "Idle");

    w.form->ReceiveTrace(QString(), QStringLiteral("héllo ✓"), 7, QStringLiteral("mgRed"), QStringLiteral("Pc-1"),
                         QStringLiteral("UniqueStr_9"), QStringLiteral("/p/Unit1.pas"), 0.5);
    w.time->conventions = ConventionsFromStrftime("%m/%d/%y", "%I:%M:%S %p", "AM", "PM");
    w.Receive(QStringLiteral("second"), 0.75);

    const MessageStore& store = *w.form->MessageStore;
    ASSERT_EQ(store.Count(), 2);
    const TTraceInfo& first = store.Items(0);
    EXPECT_EQ(first.ClassName.view(), "");
    EXPECT_EQ(first.MessageStr, "h\xc3\xa9llo \xe2\x9c\x93");
    EXPECT_EQ(first.MessageType, 7);
    EXPECT_EQ(first.MessageGroup.view(), "mgRed");
    EXPECT_EQ(first.ComputerName.view(), "Pc-1");
    EXPECT_EQ(first.MessageID.view(), "UniqueStr_9");
    EXPECT_EQ(first.UnitFileName.view(), "/p/Unit1.pas");
    EXPECT_EQ(first.MessageDate.view(), "30.12.1899");
    EXPECT_EQ(first.MessageTime.view(), "12:00:00");
    EXPECT_EQ(first.SequenceNumber, 0);
    EXPECT_EQ(store.Items(1).SequenceNumber, 1);
    EXPECT_EQ(store.Items(1).MessageTime.view(), "06:00:00 PM") << "conventions are read for every message";
    EXPECT_EQ(w.form->StatusText(), "Idle");
}

TEST(MainForm, UnformattableStampStoresNothingAndUsesNoNumber)
{
    Window w;
    EXPECT_THROW(w.Receive(QStringLiteral("bad"), std::numeric_limits<double>::quiet_NaN()), TimeStampError);
    EXPECT_EQ(w.form->MessageStore->Count(), 0);
    EXPECT_EQ(w.form->StatusText(), "Receiving Message...") << "left as the failed intake set it";
    w.Receive(QStringLiteral("good"));
    ASSERT_EQ(w.form->MessageStore->Count(), 1);
    EXPECT_EQ(w.form->MessageStore->Items(0).SequenceNumber, 0);
    EXPECT_EQ(w.form->StatusText(), "Idle");
}

TEST(MainForm, SpentSequenceNumbersRefuseMessagesInsteadOfReusingNumbers)
{
    Window w;
    w.form->MessageStore->NextSequenceNumber = std::numeric_limits<int32_t>::max() - 1;
    w.Receive(QStringLiteral("last"));
    EXPECT_EQ(w.form->MessageStore->Items(0).SequenceNumber, std::numeric_limits<int32_t>::max() - 1);
    EXPECT_THROW(w.Receive(QStringLiteral("one too many")), std::overflow_error);
    EXPECT_EQ(w.form->MessageStore->Count(), 1);
}

TEST(MainForm, ClearAllMessagesEmptiesTheStoreAndNumberingGoesOn)
{
    Window w;
    w.Receive(QStringLiteral("a"));
    w.Receive(QStringLiteral("b"));
    ASSERT_EQ(w.form->ClearMessages1->text(), "Clear All &Messages");
    ASSERT_EQ(w.form->MessageOptions1->title(), "&Message Options");
    w.form->ClearMessages1->trigger();
    EXPECT_EQ(w.form->MessageStore->Count(), 0);
    w.Receive(QStringLiteral("c"));
    EXPECT_EQ(w.form->MessageStore->Items(0).SequenceNumber, 2);
}

namespace {

// A window served on a private bus the way the program serves it, for clients in other processes.
class ServedWindow : public ::testing::Test {
protected:
    ServedWindow() : connection(bus.Connect(QStringLiteral("viewer"))), server(connection)
    {
        server.SetIntake(w.form.get());
        EXPECT_TRUE(server.Start());
    }
    ~ServedWindow() override
    {
        server.Stop();
        QDBusConnection::disconnectFromBus(QStringLiteral("viewer"));
    }
    void Guard(StartMode mode)
    {
        w.form->SetCloseGuard([this, mode] { return MayCloseViewer(mode, server.ServedObjectCount(), asker); });
    }
    int Post(const QString& text)
    {
        return bus.Run(QStringLiteral("dbus-send"),
                       {QStringLiteral("--session"), QStringLiteral("--print-reply"),
                        QStringLiteral("--dest=VireoX.Vireo"), QStringLiteral("/Vireo"),
                        QStringLiteral("VireoX.IVireo.AddTrace"), QStringLiteral("string:TFoo"),
                        QStringLiteral("string:") + text, QStringLiteral("int32:0"), QStringLiteral("string:"),
                        QStringLiteral("string:PC"), QStringLiteral("string:UniqueStr_1"),
                        QStringLiteral("string:/u.pas"), QStringLiteral("double:0.5")});
    }

    PrivateBus bus;
    Window w;
    QDBusConnection connection;
    VireoServer server;
    FakeAsker asker;
};

} // namespace

TEST_F(ServedWindow, ClosingAnAutomationViewerWithClientsAsksAndNoKeepsItServing)
{
    Guard(StartMode::Automation);
    w.form->show();
    EXPECT_TRUE(w.form->close()) << "no client has created an object yet";
    EXPECT_EQ(asker.asked, 0);

    w.form->show();
    ASSERT_EQ(Post(QStringLiteral("first")), 0);
    ASSERT_TRUE(PrivateBus::WaitUntil([&] { return server.RunningObjects().Count() == 0; }));
    w.form->Close1->trigger();
    EXPECT_EQ(asker.asked, 1) << "asked although that client has gone";
    EXPECT_TRUE(w.form->isVisible());
    ASSERT_EQ(Post(QStringLiteral("second")), 0);
    EXPECT_EQ(w.form->MessageStore->Count(), 2);

    asker.answer = true;
    EXPECT_TRUE(w.form->close());
    EXPECT_EQ(asker.asked, 2);
}

TEST_F(ServedWindow, AViewerStartedByTheUserNeverAsks)
{
    Guard(StartMode::Standalone);
    w.form->show();
    ASSERT_EQ(Post(QStringLiteral("first")), 0);
    EXPECT_TRUE(w.form->close());
    EXPECT_EQ(asker.asked, 0);
}

TEST_F(ServedWindow, TwoClientsPostingAtOnceAreStoredWholeInOrderAndNumberedWithoutGaps)
{
    constexpr int kEach = 300;
    const QString client = vireo::testing::BuiltProgram(QStringLiteral("tests/intake/vireo_post_client"));
    QProcess a, b;
    for (QProcess* p : {&a, &b})
        p->setProcessEnvironment(bus.Environment());
    a.start(client, {QStringLiteral("A"), QString::number(kEach)});
    b.start(client, {QStringLiteral("B"), QString::number(kEach)});
    ASSERT_TRUE(PrivateBus::WaitUntil(
        [&] { return a.state() == QProcess::NotRunning && b.state() == QProcess::NotRunning; }, 120000));
    EXPECT_EQ(a.exitCode(), 0) << a.readAllStandardError().toStdString();
    EXPECT_EQ(b.exitCode(), 0) << b.readAllStandardError().toStdString();

    const MessageStore& store = *w.form->MessageStore;
    ASSERT_EQ(store.Count(), 2 * kEach);
    std::map<std::string, int> next{{"A", 0}, {"B", 0}};
    for (int i = 0; i < store.Count(); ++i) {
        const TTraceInfo& m = store.Items(i);
        EXPECT_EQ(m.SequenceNumber, i);
        int& expected = next[m.ClassName.str()];
        EXPECT_EQ(m.MessageStr, m.ClassName.str() + " " + std::to_string(expected));
        ++expected;
    }

    w.form->ClearMessages1Click();
    ASSERT_EQ(Post(QStringLiteral("after clear")), 0);
    EXPECT_EQ(store.Items(0).SequenceNumber, 2 * kEach);
}

TEST_F(ServedWindow, ANaNStampIsAnsweredWithTheErrorAndTheNextCallIsStored)
{
    QString err;
    EXPECT_NE(bus.Run(QStringLiteral("dbus-send"),
                      {QStringLiteral("--session"), QStringLiteral("--print-reply"), QStringLiteral("--dest=VireoX.Vireo"),
                       QStringLiteral("/Vireo"), QStringLiteral("VireoX.IVireo.AddTrace"), QStringLiteral("string:TFoo"),
                       QStringLiteral("string:bad"), QStringLiteral("int32:0"), QStringLiteral("string:"),
                       QStringLiteral("string:PC"), QStringLiteral("string:UniqueStr_1"), QStringLiteral("string:/u.pas"),
                       QStringLiteral("double:nan")},
                      nullptr, &err),
              0);
    EXPECT_TRUE(err.contains(QStringLiteral("VireoX.Error.Unexpected"))) << err.toStdString();
    EXPECT_EQ(w.form->MessageStore->Count(), 0);
    ASSERT_EQ(Post(QStringLiteral("good")), 0);
    ASSERT_EQ(w.form->MessageStore->Count(), 1);
    EXPECT_EQ(w.form->MessageStore->Items(0).SequenceNumber, 0);
}
