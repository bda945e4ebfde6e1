#include "viewer/window/MainFormUnit.h"

#include "viewer/panes/CaptionPanel.h"
#include "viewer/panes/FilterPane.h"
#include "viewer/panes/KeyMarksPage.h"
#include "viewer/panes/MessageListPane.h"
#include "viewer/panes/MessageTreePane.h"
#include "viewer/panes/SourceWindowPane.h"
#include "viewer/panes/TrackingPage.h"
#include "viewer/session/MessageLogTransfer.h"
#include "viewer/session/TraceSession.h"
#include "viewer/session/ViewerTexts.h"

#include <QCloseEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QShowEvent>
#include <QSplitter>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace vireo {

TForm_Main::TForm_Main(TraceSession& session, QWidget* parent)
    : QMainWindow(parent), session_(session), listing_(session)
{
    setObjectName(QStringLiteral("Form_Main"));
    setWindowTitle(QStringLiteral("Vireo"));
    setAccessibleName(QStringLiteral("Vireo"));
    Dialogs.ShowMessageBox = [this](const QString& text) { QMessageBox::information(this, QStringLiteral("Vireo"), text); };
    CreateMenus();
    CreateStatusBar();
    CreateLayout();
    CreateShowWindowMenu();
    LoadSettings();
    ShowCounts();

    connect(&session, &TraceSession::IntakeStarted, this, [this] { SetStatusText(QLatin1String(kStatusReceiving)); });
    connect(&session, &TraceSession::IntakeFinished, this, [this] { SetStatusText(IdleStatusText()); });
    connect(messages_, &MessageListPane::SourceRequested, source_, &SourceWindowPane::ShowMessageSource);
    connect(source_, &SourceWindowPane::StatusText, this, &TForm_Main::SetStatusText);
    connect(leftRight_, &QSplitter::splitterMoved, filters_, &FilterPane::RequestLayout);
    // A desktop session that ends may kill the program without destroying the window.
    connect(qApp, &QGuiApplication::commitDataRequest, this, &TForm_Main::SaveSettings);
    programLeftTimer_.setSingleShot(true);
    programLeftTimer_.setInterval(250);
    connect(&programLeftTimer_, &QTimer::timeout, this, [this] { lastFocusWindow_ = nullptr; });
    connect(qApp, &QGuiApplication::focusWindowChanged, this, &TForm_Main::FocusWindowChanged);
}

TForm_Main::~TForm_Main()
{
    transfer_.reset(); // a save under way is cancelled, leaving the old file whole
    SaveSettings();
}

void TForm_Main::CreateStatusBar()
{
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar_Main"));
    bar->setAccessibleName(QStringLiteral("Status"));
    bar->setSizeGripEnabled(false);
    status_ = new QLabel(QLatin1String(kStatusIdle), bar);
    status_->setAccessibleDescription(QStringLiteral("Status"));
    // A width that fits every status text keeps each status change from relaying out the bar.
    const QFontMetrics metrics(status_->font());
    const int margin = 2 * status_->margin() + metrics.averageCharWidth();
    int width = 50;
    for (const char* text : {kStatusReceiving, kStatusLoadingSource, kStatusSavingMessages, kStatusOpeningMessages,
                             kStatusIdle})
        width = std::max(width, metrics.horizontalAdvance(QLatin1String(text) + QStringLiteral(" 100%")) + margin);
    status_->setFixedWidth(width);
    bar->addWidget(status_);
    cancelTransfer_ = new QPushButton(QStringLiteral("Cancel"), bar);
    cancelTransfer_->setObjectName(QStringLiteral("Button_CancelTransfer"));
    cancelTransfer_->setAccessibleName(QStringLiteral("Cancel"));
    cancelTransfer_->setAccessibleDescription(QStringLiteral("Stops opening or saving the message log"));
    cancelTransfer_->hide();
    connect(cancelTransfer_, &QPushButton::clicked, this, [this] {
        if (transfer_)
            transfer_->Cancel();
    });
    bar->addWidget(cancelTransfer_);
    counts_ = new QLabel(bar);
    counts_->setObjectName(QStringLiteral("StatusPanel_Counts"));
    counts_->setAccessibleName(QStringLiteral("Message counts"));
    bar->addWidget(counts_, 1);
    // Counted on a timer, not per message: the intake only counts.
    clock_.start();
    countsTimer_.setInterval(500);
    connect(&countsTimer_, &QTimer::timeout, this, &TForm_Main::ShowCounts);
    countsTimer_.start();
}

void TForm_Main::ShowCounts()
{
    arrivals_.Sample(session_.TakenTotal(), clock_.elapsed());
    const QString text = QString::fromStdString(StatusCountsText(
        session_.Store().Count(), messages_->ListedCount(), arrivals_.PerSecond(), session_.DroppedSinceClear()));
    if (counts_->text() != text)
        counts_->setText(text);
}

void TForm_Main::CreateLayout()
{
    resize(1000, 700);
    leftRight_ = new QSplitter(Qt::Horizontal, this);
    leftRight_->setObjectName(QStringLiteral("Splitter_Main_Vert"));
    leftRight_->setAccessibleName(QStringLiteral("Main splitter"));
    leftRight_->setChildrenCollapsible(false);
    setCentralWidget(leftRight_);

    pages_ = new QTabWidget(leftRight_);
    pages_->setObjectName(QStringLiteral("PageControl_Main"));
    pages_->setAccessibleName(QStringLiteral("Pages"));
    tree_ = new MessageTreePane(session_, listing_, pages_);
    filters_ = new FilterPane(session_, listing_, pages_);
    CreateRightArea();
    keyMarks_ = new KeyMarksPage(session_.KeyMarks(), *source_, Dialogs, pages_);
    tracking_ = new TrackingPage(session_.Tracks(), listing_, Dialogs, pages_);
    for (QWidget* page : std::initializer_list<QWidget*>{tree_, filters_, keyMarks_, tracking_})
        pages_->addTab(page, page->accessibleName());
    // The page control cannot wrap its tabs onto more lines, so the left pane starts wide enough
    // to show every tab, Expert Mode's included.
    const int left = std::max(250, pages_->tabBar()->sizeHint().width() + 8);
    pages_->setTabVisible(static_cast<int>(ListPage::Tracking), false);
    connect(pages_, &QTabWidget::currentChanged, this, [this] {
        listing_.SetPage(ActivePage());
        if (!pageChangeByProgram_)
            PageChosen();
    });

    leftRight_->addWidget(rightArea_);
    leftRight_->setStretchFactor(0, 0);
    leftRight_->setStretchFactor(1, 1);
    leftRight_->setSizes({left, width() - left});
    messages_->AddFindShortcutsTo(this);
}

void TForm_Main::CreateRightArea()
{
    rightArea_ = new TCaptionPanel(leftRight_);
    rightArea_->setObjectName(QStringLiteral("Panel_Main_Client_2"));
    rightArea_->setAccessibleName(QStringLiteral("Message and source area"));
    rightArea_->SetCaption(QString::fromLatin1(kCaptionShowAWindow));
    auto* layout = new QVBoxLayout(rightArea_);
    layout->setContentsMargins(0, 0, 0, 0);
    messagesSource_ = new QSplitter(Qt::Vertical, rightArea_);
    messagesSource_->setObjectName(QStringLiteral("Splitter_Main_Horiz"));
    messagesSource_->setAccessibleName(QStringLiteral("Message and source splitter"));
    messagesSource_->setChildrenCollapsible(false);
    layout->addWidget(messagesSource_);
    messages_ = new MessageListPane(session_, listing_, messagesSource_);
    source_ = new SourceWindowPane(session_, Dialogs, messagesSource_);
    messagesSource_->addWidget(messages_);
    messagesSource_->addWidget(source_);
    messagesSource_->setStretchFactor(0, 0);
    messagesSource_->setStretchFactor(1, 1);
    messagesSource_->setSizes({250, 400});
}

QString TForm_Main::StatusText() const
{
    return status_->text();
}

void TForm_Main::SetStatusText(const QString& text)
{
    status_->setText(text);
}

ListPage TForm_Main::ActivePage() const
{
    return static_cast<ListPage>(pages_->currentIndex());
}

void TForm_Main::PageChosen()
{
    rightArea_->SetCaption(QString::fromLatin1(kCaptionShowAWindow));
    if (messagesWindow_->isChecked())
        messages_->SetShown(true);
    const ListPage page = ActivePage();
    listing_.ChoosePage(page);
    if (page == ListPage::Filters)
        filters_->RequestLayout();
    if (page == ListPage::UserKeyMarks) {
        rightArea_->SetCaption(QString::fromLatin1(kCaptionShowSourceWindow));
        messages_->SetShown(false);
        update();
    }
}

void TForm_Main::SetPageByProgram(ListPage page)
{
    pageChangeByProgram_ = true;
    pages_->setCurrentIndex(static_cast<int>(page));
    pageChangeByProgram_ = false;
}

void TForm_Main::FormActivate()
{
    SetPageByProgram(ListPage::Messages);
    tree_->SelectFirstNode();
    if (pages_->isVisible())
        tree_->FocusTree();
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
    // A menu or tooltip closing is no activation: a choice made in a menu keeps the page it chose.
    if (now->type() == Qt::Popup || now->type() == Qt::ToolTip)
        return;
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

void TForm_Main::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    filters_->RequestLayout();
}

void TForm_Main::closeEvent(QCloseEvent* event)
{
    if (mayClose_ && !mayClose_())
        event->ignore();
    else
        event->accept();
}

} // namespace vireo
