#pragma once

#include "viewer/panes/ViewerDialogs.h"
#include "viewer/session/MessageAdmission.h"
#include "viewer/session/MessageListing.h"
#include "viewer/session/StatusCounts.h"
#include "viewer/session/ViewerSettings.h"

#include <QElapsedTimer>
#include <QMainWindow>
#include <QPointer>
#include <QTimer>
#include <QWindow>

#include <functional>
#include <memory>

class QAction;
class QLabel;
class QMenu;
class QPushButton;
class QSplitter;
class QTabWidget;

namespace vireo {

class FilterPane;
class FilterPresetsMenu;
struct FilterPreset;
class KeyMarksPage;
class MessageLogTransfer;
class MessageListPane;
class MessageTreePane;
class SourceWindowPane;
class TCaptionPanel;
class TraceSession;
class TrackingPage;

// The viewer's main window: assembles the panes over the session, keeps the menus and the
// status bar, and loads and saves what the window keeps between runs. The panes follow the
// session themselves; the window only wires what crosses between them.
//
// Its definitions are split by concern: MainFormUnit.cpp (creation, layout, pages, activation,
// closing), MainFormMenus.cpp (the menus and their commands) and MainFormSettings.cpp (the
// settings kept).
class TForm_Main : public QMainWindow {
    Q_OBJECT
public:
    // Creates the window over the session (FormCreate), which must outlive it.
    explicit TForm_Main(TraceSession& session, QWidget* parent = nullptr);
    // Saves the settings and destroys the window (FormDestroy).
    ~TForm_Main() override;

    // Decides whether a close request may go ahead; without one the window always closes.
    void SetCloseGuard(std::function<bool()> mayClose) { mayClose_ = std::move(mayClose); }

    // The boxes and dialogs the window and its panes ask through; tests put answers in their place.
    ViewerDialogs Dialogs;

    // Text of the status bar's panel.
    QString StatusText() const;
    // The settings of the options dialog as they stand.
    const ViewerOptions& Options() const { return options_; }
    // What the message list lists.
    const MessageListing& Listing() const { return listing_; }

    // The window became the active one: "Messages" page and node "All".
    void FormActivate();
    // Saves placement, column widths, the thirteen settings and (when kept) the key marks and tracks
    // as one write; a failed write is told once in the status bar, the stored settings untouched.
    void SaveSettings();
    // Starts taking in a log's messages as if they had arrived, a piece at a time while posted
    // messages go on arriving; what cannot be read is told in a box when it ends.
    void OpenMessageLogFile(const QString& path);
    // Whether a log is being opened or saved (the status bar then offers to cancel it).
    bool LogTransferRunning() const { return transfer_ != nullptr; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // Creation (MainFormUnit.cpp).
    void CreateStatusBar();
    void CreateLayout();
    void CreateRightArea();
    void SetStatusText(const QString& text);
    void ShowCounts();
    void FocusWindowChanged(QWindow* now);
    ListPage ActivePage() const;
    void PageChosen();
    void SetPageByProgram(ListPage page);

    // Menus and their commands (MainFormMenus.cpp).
    void CreateMenus();
    void CreateFileMenu();
    void CreateViewMenu();
    void CreateMessageOptionsMenu();
    void CreateShowWindowMenu();
    void MainMenu_OptionsClick();
    void MessageFilterTree1Click();
    void MessagesWindow1Click();
    void SourceWindow1Click();
    void MessageRate1Click();
    void ExpertMode1Click();
    void About1Click();
    void CodeExaminer1Click();
    void SaveMessages1Click();
    void OpenMessages1Click();
    void HighlightRules1Click();
    void ApplyFilterPreset(const FilterPreset& preset);
    // Runs a log's opening or saving, showing its progress; finished is called when it ends.
    void StartTransfer(std::unique_ptr<MessageLogTransfer> transfer, const char* status,
                       std::function<void(MessageLogTransfer&)> finished);
    // The status text between intakes: the running transfer's progress, or idle.
    QString IdleStatusText() const;

    // Settings (MainFormSettings.cpp).
    void LoadSettings();
    void ApplyStartupOptions();
    ViewState CurrentViewState() const;
    void ReportSettingsNotSaved(const QString& reason);

    TraceSession& session_;
    MessageListing listing_;
    std::function<bool()> mayClose_;
    ViewerOptions options_;
    int savedMessagesHeight_ = kSavedMessagesHeightAtStart; // message pane height over a shown source pane
    bool pageChangeByProgram_ = false;
    bool firstShown_ = false;
    bool settingsFailureReported_ = false;
    QPointer<QWindow> lastFocusWindow_; // the program's window that had the focus before
    QTimer programLeftTimer_;           // runs while no window of the program has the focus
    QTimer countsTimer_;                // refreshes the status bar's counts
    QElapsedTimer clock_;               // the moments the arrival rate is sampled at
    RateMeter arrivals_;

    std::unique_ptr<MessageLogTransfer> transfer_; // the log being opened or saved
    const char* transferStatus_ = nullptr;          // its status text

    QLabel* status_ = nullptr;
    QPushButton* cancelTransfer_ = nullptr;
    QLabel* counts_ = nullptr;
    QSplitter* leftRight_ = nullptr;
    QTabWidget* pages_ = nullptr;
    MessageTreePane* tree_ = nullptr;
    FilterPane* filters_ = nullptr;
    KeyMarksPage* keyMarks_ = nullptr;
    TrackingPage* tracking_ = nullptr;
    TCaptionPanel* rightArea_ = nullptr;
    QSplitter* messagesSource_ = nullptr;
    MessageListPane* messages_ = nullptr;
    SourceWindowPane* source_ = nullptr;

    QMenu* file_ = nullptr;
    QAction* saveMessages_ = nullptr;
    QAction* openMessages_ = nullptr;
    QMenu* messageOptions_ = nullptr;
    QAction* messageFilterTree_ = nullptr;
    QAction* messagesWindow_ = nullptr;
    QAction* sourceWindow_ = nullptr;
    QAction* messageRate_ = nullptr;
    QAction* expertMode_ = nullptr;
    QAction* messageFilterTree2_ = nullptr;
    QAction* messagesWindow2_ = nullptr;
    QAction* sourceWindow2_ = nullptr;
    QAction* messageRate2_ = nullptr;
    QAction* messageTracking_ = nullptr;
    QAction* messageTrackingSeparator_ = nullptr;
    FilterPresetsMenu* presets_ = nullptr;
};

} // namespace vireo
