#pragma once

#include "examiner/ExaminerModel.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QMessageBox>

#include <array>
#include <functional>
#include <memory>
#include <string>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QMenuBar;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTabWidget;
class QTreeView;

namespace vireo {

class ExaminerListModel;

// The Code Examiner: a modal window over an ExaminerModel that lists a unit's routines,
// handlers, loops, search hits and code marks, and rewrites the unit to post trace messages.
class TFrm_VireoAddOn : public QDialog {
    Q_OBJECT
public:
    // Shows a message box and returns the button pressed; tests replace it.
    using MessageBoxHook = std::function<QMessageBox::StandardButton(
        QMessageBox::Icon icon, const QString& caption, const QString& text, QMessageBox::StandardButtons buttons)>;

    // An examiner for the file at filePath, owned by owner. Nothing is opened until FormCreate.
    // Without a clock it uses the system's; shares name this computer's shared folders.
    TFrm_VireoAddOn(QWidget* owner, std::string filePath, ExaminerModel::ShareReader shares,
                    TickSource* clock = nullptr);
    ~TFrm_VireoAddOn() override;

    // Opens the received file and fills the unit selector and the lists. Throws ExaminerError
    // (naming the file and the reason) when it cannot; the window should then not be shown.
    void FormCreate();

    // The examiner's state and rules, which the window shows.
    const ExaminerModel& Model() const { return model_; }

    // Shows the program's texts and questions; tests replace the modal box.
    MessageBoxHook ShowMessageBox;
    // Shows a window of the examiner (Line Finder, Review) modally; tests replace it.
    std::function<void(QDialog& window)> ShowModal;

    QMenuBar* MainMenu1;            // the one item "&About"
    QAction* About1;                // "&About"
    QComboBox* ComboBox_Units;      // the units of the opened project, or the opened unit
    QTabWidget* PageControl1;       // the eight lists' tabs
    std::array<QWidget*, kExaminerListCount> TabSheets;      // TabSheet_Procedures .. TabSheet_CodeMarks
    std::array<QTreeView*, kExaminerListCount> ListViews;    // ListView_Procedures .. ListView_CodeMarks
    QLineEdit* Edit_Search;         // the Custom tab's search text
    QPushButton* Button_Search;     // "&Search"
    QProgressBar* ProgressBar1;     // progress of the long actions
    QSpinBox* SpinEdit_Spaces;      // indentation of inserted lines, 0 to 10
    QLineEdit* Edit_RemoteComputer; // remote computer text of inserted calls
    QCheckBox* CheckBox_PascalMode; // "Read &Pascal": lists and edits by reading Pascal, not by line rules
    QPushButton* Btn_AddDebugCode;  // "&Add Debug Code To Selected Methods"
    QPushButton* Button1;           // "&Review Changed File"
    QPushButton* Button_CodeMarks;  // "&Replace Code Marks"
    QPushButton* Btn_Close;         // "&Close"

    // The list view of that kind.
    QTreeView* ListView(ExaminerListKind kind) const { return ListViews[std::size_t(kind)]; }

public slots:
    // Saves the current unit when it changed and loads the one chosen in the unit selector; a
    // changed read-only unit is left only when the user discards its changes.
    void ComboBox_UnitsChange(int index);
    // Saves the current unit with its backup; false (after telling the user) when that failed.
    bool Button_SaveClick();
    // Asks "Save changes?", saves on Yes and closes unless the save failed.
    void Btn_CloseClick();
    // Switches between reading Pascal and the line rules; a loaded unit is scanned again.
    void CheckBox_PascalModeClick(bool on);
    // Enables the two rewriting buttons for the active tab.
    void PageControl1Change(int index);
    // Shows the About warning.
    void About1Click();
    // Fills the Custom list from the search text.
    void Button_SearchClick();
    // Inserts debug calls for the selected items of the active list.
    void Btn_AddDebugCodeClick();
    // Replaces the selected code marks, asking first when none is selected.
    void Button_CodeMarksClick();
    // Opens the Review window on the working text.
    void Button1Click();
    // Opens the Line Finder at line L of the working text.
    void ShowLineFinder(int line);

    // Double-clicks on the eight lists: the Line Finder at the highest selected item.
    void ListView_ProceduresDblClick() { ListDblClick(ExaminerListKind::Procedures); }
    void ListView_FunctionsDblClick() { ListDblClick(ExaminerListKind::Functions); }
    void ListView_ExceptionsDblClick() { ListDblClick(ExaminerListKind::Exceptions); }
    void ListView_ForsDblClick() { ListDblClick(ExaminerListKind::Fors); }
    void ListView_WhilesDblClick() { ListDblClick(ExaminerListKind::Whiles); }
    void ListView_RepeatsDblClick() { ListDblClick(ExaminerListKind::Repeats); }
    void ListView_CustomDblClick() { ListDblClick(ExaminerListKind::Custom); }
    void ListView_CodeMarksDblClick() { ListDblClick(ExaminerListKind::CodeMarks); }

private:
    void CreateMenu();
    void CreateProgressBar();
    void CreateLayout();
    QWidget* CreateUnitSelector();
    void CreatePages();
    QWidget* CreateSearchBar();
    QWidget* CreateOptions();
    QWidget* CreateButtons();
    void CreateList(ExaminerListKind kind);
    void ConnectDblClick(ExaminerListKind kind, void (TFrm_VireoAddOn::*handler)());
    void ListDblClick(ExaminerListKind kind);
    void FillUnitSelector();
    void ShowCurrentUnit();
    void ShowLists();
    void ShowSelection(ExaminerListKind kind);
    void TakeSelection(ExaminerListKind kind);
    void ReportError(const std::exception& error);
    void ShowProgress(int position, int maximum);

    std::unique_ptr<TickSource> ownClock_;
    ExaminerModel model_;
    std::array<ExaminerListModel*, kExaminerListCount> listModels_ {};
    bool showingSelection_ = false;
    QElapsedTimer sinceRepaint_;
};

} // namespace vireo
