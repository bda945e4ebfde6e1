#pragma once

#include "intake/TimeStampText.h"
#include "intake/TraceIntake.h"
#include "viewer/MessageIntake.h"
#include "viewer/MessageStore.h"

#include <QMainWindow>

#include <functional>
#include <memory>

class QAction;
class QCloseEvent;
class QLabel;
class QMenu;
class QStatusBar;

namespace vireo {

// The viewer's main window: receives the posted messages and keeps them in its store.
class TForm_Main : public QMainWindow, public ITraceIntake {
    Q_OBJECT
public:
    // Creates the window (FormCreate); without time conventions it uses the process locale's.
    explicit TForm_Main(std::unique_ptr<ITimeConventions> timeConventions = nullptr, QWidget* parent = nullptr);
    // Destroys the window (FormDestroy).
    ~TForm_Main() override;

    // Intake of one posted message: stored, numbered, registered with the tree, shown if selected.
    void ReceiveTrace(const QString& ClassName, const QString& MessageStr, int32_t MessageType,
                      const QString& MessageGroup, const QString& ComputerName, const QString& MessageID,
                      const QString& UnitFileName, double MessageDateTime) override;

    // Decides whether a close request may go ahead; without one the window always closes.
    void SetCloseGuard(std::function<bool()> mayClose) { mayClose_ = std::move(mayClose); }

    // Text of status bar panel 0.
    QString StatusText() const;

    // Every message received since creation or the last "Clear All Messages", in arrival order.
    std::unique_ptr<vireo::MessageStore> MessageStore;

    QStatusBar* StatusBar_Main;   // the status bar
    QLabel* StatusPanel_Main;     // its one panel
    QMenu* File1;                 // "&File"
    QAction* Close1;              // "&File" > "&Close"
    QMenu* MessageOptions1;       // "&Message Options"
    QAction* ClearMessages1;      // "&Message Options" > "Clear All &Messages"

public slots:
    // "Clear All &Messages": empties the store; numbering goes on.
    void ClearMessages1Click();
    // "&Close": asks the window to close.
    void MainMenu_CloseClick();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void FormCreate();
    void FormDestroy();
    void CreateMenus();
    void CreateStatusBar();
    void SetStatusText(const QString& text);
    // Learns the message's class, group and computer for the tree and the filter panels.
    void RegisterTraceSources(const TTraceInfo& message);
    // Shows the message if the tree's current selection admits it.
    void ShowIfSelected(const TTraceInfo& message);

    std::unique_ptr<ITimeConventions> timeConventions_;
    std::unique_ptr<MessageIntake> intake_;
    std::function<bool()> mayClose_;
};

} // namespace vireo
