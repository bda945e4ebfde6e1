#include "PrivateBus.h"
#include "ViewerWindowFixture.h"

#include "intake/AutomationWarning.h"
#include "intake/VireoImpl.h"
#include "viewer/panes/AutomationWarningBox.h"
#include "viewer/panes/SourceLinesModel.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTimer>

#include <map>

using namespace vireo;
using namespace vireo::test;
using vireo::testing::PrivateBus;

namespace {

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

// A window served on a private bus the way the program serves it, for clients in other processes.
class ServedWindow : public ::testing::Test {
protected:
    ServedWindow() : connection(bus.Connect(QStringLiteral("viewer"))), server(connection)
    {
        server.SetIntake(w.session.get());
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

// The window served on a private bus the way the program serves it.
class ServedViewer : public ViewerWindow {
protected:
    ServedViewer() : connection(bus.Connect(QStringLiteral("viewer"))), server(connection)
    {
        server.SetIntake(session.get());
        EXPECT_TRUE(server.Start());
    }
    ~ServedViewer() override
    {
        server.Stop();
        QDBusConnection::disconnectFromBus(QStringLiteral("viewer"));
    }

    vireo::testing::PrivateBus bus;
    QDBusConnection connection;
    VireoServer server;
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

TEST_F(ServedWindow, ClosingAnAutomationViewerWithClientsAsksAndNoKeepsItServing)
{
    Guard(StartMode::Automation);
    w.form->show();
    EXPECT_TRUE(w.form->close()) << "no client has created an object yet";
    EXPECT_EQ(asker.asked, 0);

    w.form->show();
    ASSERT_EQ(Post(QStringLiteral("first")), 0);
    ASSERT_TRUE(PrivateBus::WaitUntil([&] { return server.RunningObjects().Count() == 0; }));
    w.ui->Close1->trigger();
    EXPECT_EQ(asker.asked, 1) << "asked although that client has gone";
    EXPECT_TRUE(w.form->isVisible());
    ASSERT_EQ(Post(QStringLiteral("second")), 0);
    EXPECT_EQ(w.session->Store().Count(), 2);

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

    const MessageStore& store = w.session->Store();
    ASSERT_EQ(store.Count(), 2 * kEach);
    std::map<std::string, int> next{{"A", 0}, {"B", 0}};
    for (int i = 0; i < store.Count(); ++i) {
        const TTraceInfo& m = store.Items(i);
        EXPECT_EQ(m.SequenceNumber, i);
        int& expected = next[m.ClassName.str()];
        EXPECT_EQ(m.MessageStr, m.ClassName.str() + " " + std::to_string(expected));
        ++expected;
    }

    w.ui->ClearMessages1->trigger();
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
    EXPECT_EQ(w.session->Store().Count(), 0);
    ASSERT_EQ(Post(QStringLiteral("good")), 0);
    ASSERT_EQ(w.session->Store().Count(), 1);
    EXPECT_EQ(w.session->Store().Items(0).SequenceNumber, 0);
}

TEST_F(ServedViewer, AMessagePostedFromAnotherProcessIsListedAndLeadsToItsLine)
{
    UnitFiles files;
    std::vector<std::string> lines = NumberedLines(60);
    lines[41] = "  AddDebug(Self, 'UniqueStr_4242', mtWarning);";
    const std::string unit = files.Write("Remote.pas", lines);
    const QString s = QStringLiteral("string:");
    const int posted = bus.Run(QStringLiteral("dbus-send"),
                               {QStringLiteral("--session"), QStringLiteral("--print-reply"),
                                QStringLiteral("--dest=VireoX.Vireo"), QStringLiteral("/Vireo"),
                                QStringLiteral("VireoX.IVireo.AddTrace"), s + "TRemote", s + "from afar",
                                QStringLiteral("int32:2"), s + "mgBlue", s + "far-pc", s + "UniqueStr_4242",
                                s + QString::fromStdString(unit), QStringLiteral("double:37622.5")});
    ASSERT_EQ(posted, 0);

    ASSERT_EQ(Column(1), (Texts{"from afar"}));
    EXPECT_EQ(Column(0), (Texts{"TRemote"}));
    EXPECT_EQ(Column(5), (Texts{"far-pc"}));
    ui->TreeView_Main->expandAll();
    EXPECT_TRUE(FindNode("TRemote"));
    DoubleClickRow(0);
    EXPECT_EQ(SelectedSourceRow(), 41);
    EXPECT_EQ(ui->SourceRows->LineText(41), lines[41]);
    EXPECT_TRUE(boxes.empty());
}
