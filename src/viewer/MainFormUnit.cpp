#include "viewer/MainFormUnit.h"

#include "components/ListViewEx.h"
#include "viewer/MessageColumns.h"
#include "viewer/MessageListModel.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QMessageBox>
#include <QShowEvent>
#include <QStatusBar>
#include <QLabel>

namespace vireo {

TForm_Main::TForm_Main(std::unique_ptr<ITimeConventions> timeConventions, QWidget* parent)
    : QMainWindow(parent),
      timeConventions_(timeConventions ? std::move(timeConventions) : std::make_unique<LocaleTimeConventions>())
{
    setObjectName(QStringLiteral("Form_Main"));
    setWindowTitle(QStringLiteral("Vireo"));
    setAccessibleName(QStringLiteral("Vireo"));
    ShowMessageBox = [this](const QString& text) {
        QMessageBox::information(this, QStringLiteral("Vireo"), text);
    };
    CreateMenus();
    CreateStatusBar();
    CreateLayout();
    CreateSettingsMenus();
    FormCreate();
    CreateLogCommands();
    CreateFindBar();
    CreateFindCommands();
    programLeftTimer_.setSingleShot(true);
    programLeftTimer_.setInterval(250);
    connect(&programLeftTimer_, &QTimer::timeout, this, [this] { lastFocusWindow_ = nullptr; });
    connect(qApp, &QGuiApplication::focusWindowChanged, this, &TForm_Main::FocusWindowChanged);
}

TForm_Main::~TForm_Main()
{
    FormDestroy();
}

void TForm_Main::FormCreate()
{
    CurrentUnitFile.clear();
    MessageStore = std::make_unique<vireo::MessageStore>();
    MessageStore->NextSequenceNumber = 0;
    intake_ = std::make_unique<MessageIntake>(*MessageStore, *timeConventions_);
    SavedMessagesHeight = kSavedMessagesHeightAtStart;
    CreateMessageList();
    LoadSettings();
    ListViewEx_Messages->OnAfterSort = [this](TListViewEx&, int&) { RefreshTypeIcons(); };
    for (int column = 0; column < kMessageColumnCount; ++column)
        SavedColumnWidths[static_cast<std::size_t>(column)] = ListViewEx_Messages->columnWidth(column);
    SeedFilterPanels(true);
}

void TForm_Main::FormDestroy()
{
    SaveSettings();
    ListViewEx_Messages->setModel(nullptr);
    delete MessageRows;
    MessageRows = nullptr;
    arrivalRule_.reset();
    filters_.reset();
    intake_.reset();
    MessageStore.reset();
}

QString TForm_Main::StatusText() const
{
    return StatusPanel_Main->text();
}

void TForm_Main::SetStatusText(const QString& text)
{
    StatusPanel_Main->setText(text);
}

void TForm_Main::FocusWindowChanged(QWindow* now)
{
    // Activation counts only when it comes back from another window of this program (a dialog
    // closing): a click that brings the program forward from elsewhere keeps the page it chose.
    // Between two windows of the program the focus may pass through none for a moment, so the
    // program counts as left only when no window of it has had the focus for a while.
    if (now == nullptr) {
        programLeftTimer_.start();
        return;
    }
    programLeftTimer_.stop();
    if (now == windowHandle() && lastFocusWindow_ != nullptr && lastFocusWindow_ != now)
        FormActivate();
    lastFocusWindow_ = now;
}

void TForm_Main::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    // A desktop without a window manager, or one that prevents focus stealing, may never activate
    // the window; the first showing then gives it the state its first activation would.
    if (!event->spontaneous() && !firstShown_) {
        firstShown_ = true;
        FormActivate();
    }
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
