// TForm_Main's menus and their commands: File (Code Examiner, Options, message logs, Close), View
// (the panes, the message-rate strip, Expert Mode), Message Options (tracks, clearing, highlight
// rules, filter presets), Help, and the right-hand area's menu that brings hidden panes back.
#include "viewer/window/MainFormUnit.h"

#include "examiner/AddOn_MainForm.h"
#include "examiner/LanManShares.h"
#include "otlp/OtlpSettings.h"
#include "settings/RegUtils.h"
#include "viewer/panes/About.h"
#include "viewer/panes/CaptionPanel.h"
#include "viewer/panes/FilterPane.h"
#include "viewer/panes/FilterPresetsMenu.h"
#include "viewer/panes/HighlightRulesForm.h"
#include "viewer/panes/KeyMarksPage.h"
#include "viewer/panes/MenuItems.h"
#include "viewer/panes/MessageListPane.h"
#include "viewer/panes/OptionsForm.h"
#include "viewer/panes/SourceWindowPane.h"
#include "viewer/panes/TrackingPage.h"
#include "viewer/session/MessageLog.h"
#include "viewer/session/MessageLogTransfer.h"
#include "viewer/session/TraceSession.h"
#include "viewer/session/ViewerTexts.h"

#include <QAction>
#include <QColorDialog>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QSplitter>
#include <QTabWidget>

#include <algorithm>
#include <cerrno>
#include <numeric>
#include <system_error>

namespace vireo {

namespace {

QAction* AddCheckItem(QMenu* menu, const char* name, const char* caption)
{
    auto* item = menu->addAction(QString::fromLatin1(caption));
    item->setObjectName(QString::fromLatin1(name));
    item->setCheckable(true);
    item->setChecked(true);
    return item;
}

QString AskForExaminerFile(QWidget* owner, const ExaminerFileRequest& request)
{
    const QString filter = QString::fromStdString(request.filter);
    QFileDialog dialog(owner, QString::fromStdString(request.title), QString::fromStdString(request.folder), filter);
    dialog.setObjectName(QStringLiteral("OpenDialog1"));
    dialog.setAccessibleName(dialog.windowTitle());
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(QString::fromStdString(request.defaultSuffix));
    dialog.selectNameFilter(filter.section(QStringLiteral(";;"), 0, 0));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return QFileInfo(dialog.selectedFiles().constFirst()).absoluteFilePath();
}

QString AskForLogFile(QWidget* owner, bool save)
{
    QFileDialog dialog(owner, save ? QStringLiteral("Save Messages") : QStringLiteral("Open Messages"),
                       QDir::homePath(), QStringLiteral("Vireo message logs (*.jsonl);;All files (*)"));
    dialog.setAccessibleName(dialog.windowTitle());
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(QStringLiteral("jsonl"));
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
}

std::optional<bool> AskWhichMessages(QWidget* owner, int listed, int all)
{
    QMessageBox box(QMessageBox::Question, QStringLiteral("Save Messages"),
                    QStringLiteral("Save the %1 messages the list shows, or all %2 messages?").arg(listed).arg(all),
                    QMessageBox::NoButton, owner);
    box.setAccessibleName(box.windowTitle());
    QPushButton* listedButton = box.addButton(QStringLiteral("&Listed Messages"), QMessageBox::AcceptRole);
    QPushButton* allButton = box.addButton(QStringLiteral("&All Messages"), QMessageBox::AcceptRole);
    QPushButton* cancel = box.addButton(QMessageBox::Cancel);
    for (QPushButton* button : {listedButton, allButton, cancel})
        button->setAccessibleName(button->text().remove(QLatin1Char('&')));
    box.setDefaultButton(listedButton);
    box.exec();
    if (box.clickedButton() == listedButton)
        return true;
    if (box.clickedButton() == allButton)
        return false;
    return std::nullopt;
}

std::filesystem::path LocalPath(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

// Why a log could not be opened or saved, in words.
QString FailureText(const std::exception_ptr& failure)
{
    try {
        std::rethrow_exception(failure);
    } catch (const std::system_error& error) {
        if (error.code().value() == EFBIG)
            return QStringLiteral("The file is larger than %1 GiB, too large to be a message log.")
                .arg(kMaxMessageLogBytes >> 30);
        return QString::fromUtf8(error.what());
    } catch (const std::exception& error) {
        return QString::fromUtf8(error.what());
    } catch (...) {
        return QStringLiteral("An unknown error occurred.");
    }
}

} // namespace

void TForm_Main::CreateMenus()
{
    menuBar()->setAccessibleName(QStringLiteral("Main menu"));
    CreateFileMenu();
    CreateViewMenu();
    CreateMessageOptionsMenu();
    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("Help1"));
    help->setAccessibleName(QStringLiteral("Help"));
    AddMenuItem(help, nullptr, "About1", QStringLiteral("&About"), this, &TForm_Main::About1Click);
    Dialogs.ShowOptionsDialog = [](TForm_Options& dialog) { return dialog.exec(); };
    Dialogs.ShowAboutBox = [](TForm_About& box) { box.exec(); };
}

void TForm_Main::CreateFileMenu()
{
    file_ = menuBar()->addMenu(QStringLiteral("&File"));
    file_->setAccessibleName(QStringLiteral("File"));
    AddMenuItem(file_, nullptr, "CodeExaminer1", QStringLiteral("&Code Examiner"), this,
                &TForm_Main::CodeExaminer1Click);
    AddMenuItem(file_, nullptr, "Options1", QStringLiteral("&Options"), this, &TForm_Main::MainMenu_OptionsClick);
    saveMessages_ = AddMenuItem(file_, nullptr, "SaveMessages1", QStringLiteral("&Save Messages..."), this,
                                &TForm_Main::SaveMessages1Click);
    openMessages_ = AddMenuItem(file_, nullptr, "OpenMessages1", QStringLiteral("&Open Messages..."), this,
                                &TForm_Main::OpenMessages1Click);
    file_->addSeparator();
    AddMenuItem(file_, nullptr, "Close1", QStringLiteral("&Close"), this, &QWidget::close);
    Dialogs.ChooseExaminerFile = [this](const ExaminerFileRequest& request) { return AskForExaminerFile(this, request); };
    Dialogs.ShowCodeExaminer = [](TFrm_VireoAddOn& examiner) { examiner.exec(); };
    Dialogs.ChooseLogFile = [this](bool save) { return AskForLogFile(this, save); };
    Dialogs.AskSaveListedOnly = [this](int listed, int all) { return AskWhichMessages(this, listed, all); };
}

void TForm_Main::CreateViewMenu()
{
    QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
    view->setObjectName(QStringLiteral("View1"));
    view->setAccessibleName(QStringLiteral("View"));
    messageFilterTree_ = AddCheckItem(view, "MessageFilterTree1", "Message/Filter &Tree");
    messagesWindow_ = AddCheckItem(view, "MessagesWindow1", "&Messages Window");
    sourceWindow_ = AddCheckItem(view, "SourceWindow1", "&Source Window");
    messageRate_ = AddCheckItem(view, "MessageRate1", "Message &Rate");
    messageRate_->setChecked(false);
    view->addSeparator();
    expertMode_ = AddMenuItem(view, nullptr, "ExpertMode1", QStringLiteral("&Expert Mode"), this,
                              &TForm_Main::ExpertMode1Click);
    expertMode_->setCheckable(true);
    connect(messageFilterTree_, &QAction::triggered, this, &TForm_Main::MessageFilterTree1Click);
    connect(messagesWindow_, &QAction::triggered, this, &TForm_Main::MessagesWindow1Click);
    connect(sourceWindow_, &QAction::triggered, this, &TForm_Main::SourceWindow1Click);
    connect(messageRate_, &QAction::triggered, this, &TForm_Main::MessageRate1Click);
}

void TForm_Main::CreateMessageOptionsMenu()
{
    messageOptions_ = menuBar()->addMenu(QStringLiteral("&Message Options"));
    messageOptions_->setAccessibleName(QStringLiteral("Message Options"));
    messageTracking_ = AddMenuItem(messageOptions_, nullptr, "MessageTracking1", QStringLiteral("&Add Message Track"),
                                   this, [this] { tracking_->AddNewTrack(); });
    messageTrackingSeparator_ = messageOptions_->addSeparator();
    messageTracking_->setVisible(false);
    messageTrackingSeparator_->setVisible(false);
    AddMenuItem(messageOptions_, nullptr, "ClearMessages1", QStringLiteral("Clear All &Messages"), &session_,
                &TraceSession::Clear);
    AddMenuItem(messageOptions_, nullptr, "ClearAllMessageTracking1", QStringLiteral("Clear All Message &Tracking"),
                this, [this] { tracking_->ClearAll(); });
    AddMenuItem(messageOptions_, nullptr, "ClearAllUserKeyMarks1", QStringLiteral("Clear All &User Key Marks"), this,
                [this] { keyMarks_->ClearAll(); });
    AddMenuItem(messageOptions_, nullptr, "ClearSourceWindow1", QStringLiteral("Clear &Source Window"), this,
                [this] { source_->Clear(); });
    messageOptions_->addSeparator();
    AddMenuItem(messageOptions_, nullptr, "HighlightRules1", QStringLiteral("&Highlight Rules..."), this,
                &TForm_Main::HighlightRules1Click);
    presets_ = new FilterPresetsMenu(Dialogs, [this] {
        return FilterPreset{{}, messages_->QuickFilterShown(), messages_->HighlightRulesShown()};
    }, messageOptions_);
    messageOptions_->addMenu(presets_);
    connect(presets_, &FilterPresetsMenu::PresetChosen, this, &TForm_Main::ApplyFilterPreset);
    Dialogs.ShowHighlightRulesDialog = [](TForm_HighlightRules& dialog) { return dialog.exec(); };
    Dialogs.ChooseColor = [this](const QColor& initial, const QString& title) -> std::optional<QColor> {
        const QColor chosen = QColorDialog::getColor(initial, this, title);
        return chosen.isValid() ? std::optional<QColor>(chosen) : std::nullopt;
    };
}

void TForm_Main::CreateShowWindowMenu()
{
    auto* popup = new QMenu(rightArea_);
    popup->setObjectName(QStringLiteral("PopupMenu_ShowWindow"));
    popup->setAccessibleName(QStringLiteral("Show window menu"));
    messageFilterTree2_ = AddCheckItem(popup, "MessageFilterTree2", "Message/Filter &Tree");
    messagesWindow2_ = AddCheckItem(popup, "MessagesWindow2", "&Messages Window");
    sourceWindow2_ = AddCheckItem(popup, "SourceWindow2", "&Source Window");
    messageRate2_ = AddCheckItem(popup, "MessageRate2", "Message &Rate");
    messageRate2_->setChecked(false);
    // Each runs its View menu item.
    connect(messageFilterTree2_, &QAction::triggered, messageFilterTree_, &QAction::trigger);
    connect(messagesWindow2_, &QAction::triggered, messagesWindow_, &QAction::trigger);
    connect(sourceWindow2_, &QAction::triggered, sourceWindow_, &QAction::trigger);
    connect(messageRate2_, &QAction::triggered, messageRate_, &QAction::trigger);
    rightArea_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(rightArea_, &QWidget::customContextMenuRequested, this,
            [this, popup](const QPoint& at) { popup->popup(rightArea_->mapToGlobal(at)); });
}

void TForm_Main::MainMenu_OptionsClick()
{
    OtlpOptions receiver;
    try {
        receiver = ReadOtlpOptions();
    } catch (const ERegistryException&) {
        // an unreadable value: the defaults are shown, and kept if accepted
    }
    TForm_Options dialog(options_, receiver, this);
    if (Dialogs.ShowOptionsDialog(dialog) != QDialog::Accepted)
        return;
    try {
        WriteOtlpOptions(dialog.Receiver());
    } catch (const ERegistryException& error) {
        Dialogs.ShowMessageBox(QStringLiteral("The receiver's options were not saved: ") + QString::fromUtf8(error.what()));
    }
    const bool showedLineNumbers = options_.ShowLineNums;
    options_ = dialog.Options();
    source_->ApplyLineNumberOption(showedLineNumbers, options_.ShowLineNums);
    messages_->SetShowMilliseconds(options_.ShowMilliseconds);
    session_.SetHistoryLimit(options_.History);
}

void TForm_Main::MessageFilterTree1Click()
{
    const bool on = messageFilterTree_->isChecked();
    messageFilterTree2_->setChecked(on);
    pages_->setVisible(on); // the splitter's handle goes and comes with it
}

void TForm_Main::MessagesWindow1Click()
{
    const bool on = messagesWindow_->isChecked();
    messagesWindow2_->setChecked(on);
    if (on && ActivePage() == ListPage::UserKeyMarks)
        return; // the message pane stays hidden on that page
    messages_->SetShown(on);
}

void TForm_Main::SourceWindow1Click()
{
    const bool on = sourceWindow_->isChecked();
    sourceWindow2_->setChecked(on);
    const QList<int> sizes = messagesSource_->sizes();
    if (!on) {
        // A pane not yet laid out (at start-up), or hidden, keeps the height it last had.
        if (messages_->isVisible() && sizes.value(0) > 0)
            savedMessagesHeight_ = sizes.value(0);
        source_->hide();
        return;
    }
    const int total = std::max(std::accumulate(sizes.begin(), sizes.end(), 0), messagesSource_->height());
    source_->show();
    messagesSource_->setSizes({savedMessagesHeight_, std::max(total - savedMessagesHeight_, 1)});
}

void TForm_Main::MessageRate1Click()
{
    const bool on = messageRate_->isChecked();
    messageRate2_->setChecked(on);
    messages_->SetRateShown(on);
}

void TForm_Main::ExpertMode1Click()
{
    const bool on = expertMode_->isChecked();
    const int tracking = static_cast<int>(ListPage::Tracking);
    if (on) {
        pages_->setTabVisible(tracking, true);
        messageTrackingSeparator_->setVisible(true);
        messageTracking_->setVisible(true);
        SetPageByProgram(ListPage::Tracking);
        return;
    }
    messageTrackingSeparator_->setVisible(false);
    SetPageByProgram(ListPage::Messages); // first, so hiding the tab moves no page by itself
    pages_->setTabVisible(tracking, false);
    messageTracking_->setVisible(false);
}

void TForm_Main::About1Click()
{
    TForm_About box(this);
    box.Image_Animation->Start();
    Dialogs.ShowAboutBox(box);
}

void TForm_Main::CodeExaminer1Click()
{
    const QString path = Dialogs.ChooseExaminerFile(CodeExaminerFileRequest(QDir::homePath().toStdString()));
    if (path.isEmpty())
        return;
    TFrm_VireoAddOn examiner(this, QFile::encodeName(path).toStdString(), ReadLanManShares);
    try {
        examiner.FormCreate();
    } catch (const ExaminerError& error) {
        Dialogs.ShowMessageBox(QString::fromUtf8(error.what()));
        return;
    }
    Dialogs.ShowCodeExaminer(examiner);
}

void TForm_Main::SaveMessages1Click()
{
    const MessageStore& store = session_.Store();
    const std::optional<bool> listedOnly = Dialogs.AskSaveListedOnly(messages_->ListedCount(), store.Count());
    if (!listedOnly)
        return;
    const QString path = Dialogs.ChooseLogFile(true);
    if (path.isEmpty())
        return;
    std::vector<int> indices;
    if (*listedOnly) {
        indices = listing_.Rows();
        std::sort(indices.begin(), indices.end()); // a log keeps the order of arrival
    } else {
        indices.resize(static_cast<std::size_t>(store.Count()));
        std::iota(indices.begin(), indices.end(), 0);
    }
    StartTransfer(std::make_unique<MessageLogSaving>(session_, LocalPath(path), std::move(indices)),
                  kStatusSavingMessages, [this](MessageLogTransfer& saving) {
                      if (saving.Result() == MessageLogTransfer::Outcome::Failed)
                          Dialogs.ShowMessageBox(QStringLiteral("The messages were not saved. ") +
                                                 FailureText(saving.Failure()));
                  });
}

void TForm_Main::OpenMessages1Click()
{
    const QString path = Dialogs.ChooseLogFile(false);
    if (!path.isEmpty())
        OpenMessageLogFile(path);
}

void TForm_Main::HighlightRules1Click()
{
    TForm_HighlightRules dialog(messages_->HighlightRulesShown(), Dialogs, this);
    if (Dialogs.ShowHighlightRulesDialog(dialog) == QDialog::Accepted)
        messages_->SetHighlightRules(dialog.Rules());
}

void TForm_Main::ApplyFilterPreset(const FilterPreset& preset)
{
    messages_->SetQuickFilter(preset.QuickFilter);
    messages_->SetHighlightRules(preset.Rules);
}

void TForm_Main::OpenMessageLogFile(const QString& path)
{
    StartTransfer(std::make_unique<MessageLogOpening>(session_, LocalPath(path)), kStatusOpeningMessages,
                  [this](MessageLogTransfer& done) {
                      // The messages read before a failure or a cancel stay, as if they had arrived.
                      const MessageLogReport& report = static_cast<MessageLogOpening&>(done).Report();
                      if (done.Result() == MessageLogTransfer::Outcome::Failed)
                          Dialogs.ShowMessageBox(QStringLiteral("Opening the message log failed: ") +
                                                 FailureText(done.Failure()));
                      else if (done.Result() == MessageLogTransfer::Outcome::Done && report.SkippedLines > 0)
                          Dialogs.ShowMessageBox(QString::fromStdString(SkippedLinesText(report)));
                  });
}

void TForm_Main::StartTransfer(std::unique_ptr<MessageLogTransfer> transfer, const char* status,
                               std::function<void(MessageLogTransfer&)> finished)
{
    transfer_ = std::move(transfer);
    transferStatus_ = status;
    openMessages_->setEnabled(false);
    saveMessages_->setEnabled(false);
    cancelTransfer_->show();
    SetStatusText(IdleStatusText());
    connect(transfer_.get(), &MessageLogTransfer::Progressed, this, [this] { SetStatusText(IdleStatusText()); });
    connect(transfer_.get(), &MessageLogTransfer::Finished, this, [this, finished = std::move(finished)] {
        // Ended in this turn; destroyed in a later one, not inside its own signal.
        std::unique_ptr<MessageLogTransfer> done = std::move(transfer_);
        openMessages_->setEnabled(true);
        saveMessages_->setEnabled(true);
        cancelTransfer_->hide();
        SetStatusText(IdleStatusText());
        finished(*done);
        done.release()->deleteLater();
    });
}

QString TForm_Main::IdleStatusText() const
{
    if (!transfer_)
        return QLatin1String(kStatusIdle);
    return QStringLiteral("%1 %2%").arg(QLatin1String(transferStatus_)).arg(transfer_->Percent());
}

} // namespace vireo
