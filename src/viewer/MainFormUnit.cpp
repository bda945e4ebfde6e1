#include "viewer/MainFormUnit.h"

#include <QCloseEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>

#include <algorithm>

namespace vireo {

namespace {
const QString kIdle = QStringLiteral("Idle");
const QString kReceiving = QStringLiteral("Receiving Message...");
} // namespace

TForm_Main::TForm_Main(std::unique_ptr<ITimeConventions> timeConventions, QWidget* parent)
    : QMainWindow(parent),
      timeConventions_(timeConventions ? std::move(timeConventions) : std::make_unique<LocaleTimeConventions>())
{
    setObjectName(QStringLiteral("Form_Main"));
    setWindowTitle(QStringLiteral("Vireo"));
    setAccessibleName(QStringLiteral("Vireo"));
    CreateMenus();
    CreateStatusBar();
    FormCreate();
}

TForm_Main::~TForm_Main()
{
    FormDestroy();
}

void TForm_Main::FormCreate()
{
    MessageStore = std::make_unique<vireo::MessageStore>();
    MessageStore->NextSequenceNumber = 0;
    intake_ = std::make_unique<MessageIntake>(*MessageStore, *timeConventions_);
}

void TForm_Main::FormDestroy()
{
    intake_.reset();
    MessageStore.reset();
}

void TForm_Main::CreateMenus()
{
    File1 = menuBar()->addMenu(QStringLiteral("&File"));
    File1->setAccessibleName(QStringLiteral("File"));
    Close1 = File1->addAction(QStringLiteral("&Close"), this, &TForm_Main::MainMenu_CloseClick);
    Close1->setObjectName(QStringLiteral("Close1"));

    MessageOptions1 = menuBar()->addMenu(QStringLiteral("&Message Options"));
    MessageOptions1->setAccessibleName(QStringLiteral("Message Options"));
    ClearMessages1 = MessageOptions1->addAction(QStringLiteral("Clear All &Messages"), this,
                                                &TForm_Main::ClearMessages1Click);
    ClearMessages1->setObjectName(QStringLiteral("ClearMessages1"));
    menuBar()->setAccessibleName(QStringLiteral("Main menu"));
}

void TForm_Main::CreateStatusBar()
{
    StatusBar_Main = statusBar();
    StatusBar_Main->setObjectName(QStringLiteral("StatusBar_Main"));
    StatusBar_Main->setAccessibleName(QStringLiteral("Status"));
    StatusBar_Main->setSizeGripEnabled(false);
    StatusPanel_Main = new QLabel(kIdle, StatusBar_Main);
    StatusPanel_Main->setAccessibleName(QStringLiteral("Status panel"));
    // A width that fits both texts keeps each status change from relaying out the bar.
    const QFontMetrics metrics(StatusPanel_Main->font());
    const int margin = 2 * StatusPanel_Main->margin() + metrics.averageCharWidth();
    StatusPanel_Main->setFixedWidth(std::max({50, metrics.horizontalAdvance(kReceiving) + margin,
                                              metrics.horizontalAdvance(kIdle) + margin}));
    StatusBar_Main->addWidget(StatusPanel_Main);
}

QString TForm_Main::StatusText() const
{
    return StatusPanel_Main->text();
}

void TForm_Main::SetStatusText(const QString& text)
{
    StatusPanel_Main->setText(text);
}

void TForm_Main::ReceiveTrace(const QString& ClassName, const QString& MessageStr, int32_t MessageType,
                              const QString& MessageGroup, const QString& ComputerName, const QString& MessageID,
                              const QString& UnitFileName, double MessageDateTime)
{
    SetStatusText(kReceiving);
    const TTraceInfo& message = intake_->Take(ClassName, MessageStr, MessageType, MessageGroup, ComputerName,
                                              MessageID, UnitFileName, MessageDateTime);
    RegisterTraceSources(message);
    ShowIfSelected(message);
    SetStatusText(kIdle);
}

void TForm_Main::RegisterTraceSources(const TTraceInfo&)
{
}

void TForm_Main::ShowIfSelected(const TTraceInfo&)
{
}

void TForm_Main::ClearMessages1Click()
{
    MessageStore->Clear();
}

void TForm_Main::MainMenu_CloseClick()
{
    close();
}

void TForm_Main::closeEvent(QCloseEvent* event)
{
    if (mayClose_ && !mayClose_())
        event->ignore();
    else
        event->accept();
}

} // namespace vireo
