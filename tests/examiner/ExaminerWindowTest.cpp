#include "ExaminerTestSupport.h"
#include "ModelContract.h"
#include "TempRegistry.h"

#include "examiner/AddOn_MainForm.h"
#include "examiner/ExaminerListModel.h"
#include "examiner/FLineFinder.h"
#include "examiner/ReviewForm.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <QTreeView>

#include <algorithm>
#include <deque>

using namespace vireo;
using namespace vireo::test;
using Kind = ExaminerListKind;

namespace {

const std::vector<std::string> kToolsUnit = {
    "unit Tools;",                                                           // 1
    "interface",                                                             // 2
    "uses SysUtils;",                                                        // 3
    "type",                                                                  // 4
    "  TTool = class",                                                       // 5
    "    procedure Run;",                                                    // 6
    "  end;",                                                                // 7
    "implementation",                                                        // 8
    "",                                                                      // 9
    "procedure TTool.Run;",                                                  // 10
    "begin",                                                                 // 11
    "  AddDebug(Self, 'Run', mtGeneral, '','UniqueStr_1',UnitFileName, '');", // 12
    "  {T=WARN x='Disk low';y='Red'}",                                       // 13
    "end;",                                                                  // 14
    "",                                                                      // 15
    "function Twice(X: Integer): Integer;",                                  // 16
    "begin",                                                                 // 17
    "  try",                                                                 // 18
    "    Result := X * 2;",                                                  // 19
    "  except",                                                              // 20
    "    Result := 0;",                                                      // 21
    "  end;",                                                                // 22
    "  Code := 1; {t=info x='Start';y=''}",                                  // 23
    "end;",                                                                  // 24
    "",                                                                      // 25
    "procedure Stop;",                                                       // 26
    "begin",                                                                 // 27
    "  for I := 1 to 3 do Beep;",                                            // 28
    "end;",                                                                  // 29
    "",                                                                      // 30
    "end.",                                                                  // 31
};

// A 25-line unit whose one procedure stands on line 20.
std::vector<std::string> FinderUnit()
{
    std::vector<std::string> lines = {"unit Finder;", "interface", "implementation"};
    while (lines.size() < 19)
        lines.push_back("// line " + std::to_string(lines.size() + 1));
    for (const char* line : {"procedure Last;", "begin", "  X := 1;", "end;", "", "end."})
        lines.emplace_back(line);
    return lines;
}

// A message box the examiner showed.
struct Box {
    QMessageBox::Icon icon;
    QString caption;
    QString text;
    QMessageBox::StandardButtons buttons;
};

// A Yes/No question with a question icon and the caption "Question".
void ExpectQuestion(const Box& box, const QString& text)
{
    EXPECT_EQ(box.icon, QMessageBox::Question);
    EXPECT_EQ(box.caption, "Question");
    EXPECT_EQ(box.text, text);
    EXPECT_EQ(box.buttons, QMessageBox::Yes | QMessageBox::No);
}

QString Q(const std::string& text)
{
    return QString::fromStdString(text);
}

// The real examiner window, shown offscreen; its message boxes and modal windows are recorded.
class ExaminerWindow : public ::testing::Test {
protected:
    void Open(const std::string& path)
    {
        form = std::make_unique<TFrm_VireoAddOn>(nullptr, path, [] { return std::vector<Share>(); }, &clock);
        form->ShowMessageBox = [this](QMessageBox::Icon icon, const QString& caption, const QString& text,
                                      QMessageBox::StandardButtons buttons) {
            boxes.push_back({icon, caption, text, buttons});
            if (answers.empty())
                return QMessageBox::Ok;
            const auto answer = answers.front();
            answers.pop_front();
            return answer;
        };
        form->ShowModal = [this](QDialog& window) {
            ++modalShown;
            if (onModal)
                onModal(window);
        };
        form->FormCreate();
        form->show();
        contracts.clear();
        for (std::size_t kind = 0; kind < kExaminerListCount; ++kind)
            contracts.push_back(test::CheckModelContract(List(static_cast<Kind>(kind))->model()));
    }

    QTreeView* List(Kind kind) { return form->ListView(kind); }

    // The texts of a list, row by row and column by column.
    std::vector<std::vector<std::string>> Rows(Kind kind)
    {
        const QAbstractItemModel* model = List(kind)->model();
        std::vector<std::vector<std::string>> rows;
        for (int row = 0; row < model->rowCount(); ++row) {
            rows.emplace_back();
            for (int column = 0; column < model->columnCount(); ++column)
                rows.back().push_back(model->index(row, column).data().toString().toStdString());
        }
        return rows;
    }

    int StateImage(Kind kind, int row)
    {
        return List(kind)->model()->index(row, 0).data(ExaminerListModel::StateImageRole).toInt();
    }

    // Selects exactly these rows, as the user does with Ctrl held.
    void Select(Kind kind, std::initializer_list<int> rows)
    {
        QItemSelection selection;
        for (int row : rows)
            selection.select(List(kind)->model()->index(row, 0), List(kind)->model()->index(row, 0));
        List(kind)->selectionModel()->select(selection,
                                             QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }

    std::vector<int> SelectedRows(Kind kind)
    {
        std::vector<int> rows;
        for (const QModelIndex& index : List(kind)->selectionModel()->selectedRows())
            rows.push_back(index.row());
        std::sort(rows.begin(), rows.end());
        return rows;
    }

    void ShowTab(Kind kind) { form->PageControl1->setCurrentIndex(int(kind)); }

    void Click(QAbstractButton* button)
    {
        ASSERT_TRUE(button->isEnabled()) << button->objectName().toStdString();
        QTest::mouseClick(button, Qt::LeftButton);
    }

    void DoubleClick(Kind kind) { emit List(kind)->doubleClicked(List(kind)->model()->index(0, 0)); }

    // The working text lines that contain the text.
    std::vector<std::string> LinesWith(const std::string& text)
    {
        std::vector<std::string> found;
        for (const auto& line : form->Model().WorkingText()) {
            if (line.find(text) != std::string::npos)
                found.push_back(line);
        }
        return found;
    }

    HiveFolderScope hive; // the choice of mode is stored there when a window closes
    TempDir dir;
    FixedClock clock {5000};
    std::unique_ptr<TFrm_VireoAddOn> form;
    // Declared after the window, so they stop watching before its models go.
    std::vector<std::unique_ptr<QAbstractItemModelTester>> contracts;
    std::vector<Box> boxes;
    std::deque<QMessageBox::StandardButton> answers;
    int modalShown = 0;
    std::function<void(QDialog&)> onModal;
};

TEST_F(ExaminerWindow, AUnitIsListedOnEightTabsWithButtonsByTabAndEveryComponentNamed)
{
    const std::string unit = dir / "Tools.pas";
    WriteFile(unit, Joined(kToolsUnit));
    Open(unit);

    EXPECT_EQ(form->windowTitle(), "Code Examiner");
    EXPECT_EQ(form->ComboBox_Units->count(), 1);
    EXPECT_EQ(form->ComboBox_Units->currentText(), Q(unit));
    const QStringList tabs = {"Procedures",       "Functions",         "Exceptions", "For Statements",
                              "While Statements", "Repeat Statements", "Custom",     "Code Marks"};
    ASSERT_EQ(form->PageControl1->count(), tabs.size());
    for (int i = 0; i < tabs.size(); ++i) {
        EXPECT_EQ(form->PageControl1->tabText(i), tabs[i]);
        EXPECT_EQ(form->PageControl1->widget(i), form->TabSheets[std::size_t(i)]);
    }
    EXPECT_EQ(form->TabSheets[1]->objectName(), "TabSheet_Function");
    EXPECT_EQ(form->PageControl1->currentIndex(), 0);

    using Rows_ = std::vector<std::vector<std::string>>;
    EXPECT_EQ(Rows(Kind::Procedures), (Rows_ {{"Tools", "procedure TTool.Run;", "10"}, {"Tools", "procedure Stop;", "26"}}));
    EXPECT_EQ(Rows(Kind::Functions), (Rows_ {{"Tools", "function Twice(X: Integer): Integer;", "16"}}));
    EXPECT_EQ(Rows(Kind::Exceptions), (Rows_ {{"Tools", "20"}}));
    EXPECT_EQ(Rows(Kind::Fors), (Rows_ {{"Tools", "for I := 1 to 3 do Beep;", "28"}}));
    EXPECT_EQ(Rows(Kind::CodeMarks),
              (Rows_ {{"Tools", "{T=WARN x='Disk low';y='Red'}", "13"}, {"Tools", "Code := 1; {t=info x='Start';y=''}", "23"}}));
    EXPECT_TRUE(Rows(Kind::Custom).empty());
    EXPECT_EQ(StateImage(Kind::Procedures, 0), 0) << "InstrumentedMark on a routine that already calls AddDebug";
    EXPECT_FALSE(List(Kind::Procedures)->model()->index(0, 0).data(Qt::DecorationRole).value<QIcon>().isNull());
    EXPECT_EQ(StateImage(Kind::Procedures, 1), -1);
    EXPECT_FALSE(List(Kind::Procedures)->model()->index(1, 0).data(Qt::DecorationRole).isValid());

    const QHeaderView* header = List(Kind::Procedures)->header();
    EXPECT_EQ(header->model()->headerData(1, Qt::Horizontal).toString(), "Name");
    EXPECT_EQ(header->sectionSize(0), 140);
    EXPECT_EQ(header->sectionSize(1), 530);
    EXPECT_EQ(List(Kind::Repeats)->model()->headerData(1, Qt::Horizontal).toString(), "Line");
    EXPECT_EQ(List(Kind::Repeats)->selectionMode(), QAbstractItemView::ExtendedSelection);

    EXPECT_EQ(form->SpinEdit_Spaces->value(), 2);
    EXPECT_EQ(form->SpinEdit_Spaces->minimum(), 0);
    EXPECT_EQ(form->SpinEdit_Spaces->maximum(), 10);
    EXPECT_TRUE(form->Edit_RemoteComputer->text().isEmpty());
    EXPECT_EQ(form->ProgressBar1->maximum(), 100);
    const auto buttonsOn = [&] { return std::pair(form->Btn_AddDebugCode->isEnabled(), form->Button_CodeMarks->isEnabled()); };
    EXPECT_EQ(buttonsOn(), std::pair(true, false));
    for (Kind kind : {Kind::Functions, Kind::Exceptions}) {
        ShowTab(kind);
        EXPECT_EQ(buttonsOn(), std::pair(true, false));
    }
    for (Kind kind : {Kind::Fors, Kind::Whiles, Kind::Repeats, Kind::Custom}) {
        ShowTab(kind);
        EXPECT_EQ(buttonsOn(), std::pair(false, false));
    }
    ShowTab(Kind::CodeMarks);
    EXPECT_EQ(buttonsOn(), std::pair(false, true));

    ShowTab(Kind::Custom);
    QTest::keyClicks(form->Edit_Search, "x");
    Click(form->Button_Search);
    EXPECT_EQ(Rows(Kind::Custom), (Rows_ {{"Tools", "{T=WARN x='Disk low';y='Red'}", "13"},
                                           {"Tools", "function Twice(X: Integer): Integer;", "16"},
                                           {"Tools", "Result := X * 2;", "19"},
                                           {"Tools", "except", "20"},
                                           {"Tools", "Code := 1; {t=info x='Start';y=''}", "23"}}));
    form->Edit_Search->clear();
    Click(form->Button_Search);
    EXPECT_TRUE(Rows(Kind::Custom).empty());

    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    QTest::keyClick(form.get(), Qt::Key_F1);
    ASSERT_EQ(boxes.size(), 1u) << "F1 reaches About from the keyboard";
    EXPECT_EQ(boxes[0].icon, QMessageBox::Information);
    EXPECT_EQ(boxes[0].caption, "Information");
    EXPECT_EQ(boxes[0].buttons, QMessageBox::Ok);
    EXPECT_EQ(boxes[0].text,
              "Warning.  Code Examiner is an imprecise tool and should only be used by experts.\nIt is possible that "
              "the Delphi units changed by this program may not compile properly afterwards.  Hopefully this should "
              "be a simple change to the unit in order to make it recompile again");
    EXPECT_EQ(form->About1->text(), "&About");
    EXPECT_TRUE(form->MainMenu1->actions().contains(form->About1));

    // What a desktop test tool finds: every control carries a name, buttons their captions.
    EXPECT_EQ(form->accessibleName(), "Code Examiner");
    for (QAbstractButton* button : form->findChildren<QAbstractButton*>()) {
        if (button->objectName().startsWith("qt_"))
            continue; // the toolkit's own menu-bar overflow button
        const QString expected = button->text().isEmpty() ? button->accessibleName() : button->text().remove('&');
        EXPECT_FALSE(button->accessibleName().isEmpty()) << button->objectName().toStdString();
        EXPECT_EQ(button->accessibleName(), expected) << button->objectName().toStdString();
    }
    for (QWidget* control : form->findChildren<QWidget*>()) {
        if (qobject_cast<QTreeView*>(control) || qobject_cast<QComboBox*>(control) ||
            qobject_cast<QSpinBox*>(control) || qobject_cast<QProgressBar*>(control) ||
            qobject_cast<QTabWidget*>(control) || qobject_cast<QGroupBox*>(control) ||
            (qobject_cast<QLineEdit*>(control) && !qobject_cast<QSpinBox*>(control->parent()))) {
            EXPECT_FALSE(control->accessibleName().isEmpty()) << control->metaObject()->className();
        }
    }
    for (int i = 0; i < tabs.size(); ++i) {
        EXPECT_EQ(form->TabSheets[std::size_t(i)]->accessibleName(), tabs[i]);
        EXPECT_EQ(form->ListViews[std::size_t(i)]->accessibleName(), tabs[i]);
    }
    EXPECT_EQ(form->ComboBox_Units->accessibleName(), "Unit Name");
    EXPECT_EQ(form->SpinEdit_Spaces->accessibleName(), "Indentation Spaces");
    EXPECT_EQ(form->Edit_RemoteComputer->accessibleName(), "Remote Computer");
    EXPECT_EQ(form->Edit_Search->accessibleName(), "Enter Search");
    EXPECT_EQ(form->findChild<QGroupBox*>()->title(), "Vireo Options");
    for (QLabel* label : form->findChildren<QLabel*>())
        EXPECT_TRUE(label->accessibleName().isEmpty()) << "a label keeps its text as its name";
}

TEST_F(ExaminerWindow, AProjectsUnitsAreSwitchedSavingEachWithItsBackup)
{
    const std::string project = dir / "app/Proj.dpr";
    WriteFile(project, Joined({"program Proj;", "uses", "  Forms,", "  Tools in 'sub\\Tools.pas' {Form1},",
                               "  Other in '..\\shared\\Other.pp',", "  Gone in 'Gone.pas';", "begin", "  Late in 'Late.pas'",
                               "end."}));
    const std::string tools = dir / "app/sub/Tools.pas";
    const std::string other = dir / "shared/Other.pp";
    WriteFile(tools, Joined(kToolsUnit));
    WriteFile(other, Joined(FinderUnit()));
    Open(project);
    ASSERT_EQ(form->ComboBox_Units->count(), 3);
    EXPECT_EQ(form->ComboBox_Units->itemText(0), Q(tools));
    EXPECT_EQ(form->ComboBox_Units->itemText(1), Q(other));
    EXPECT_EQ(form->ComboBox_Units->itemText(2), Q(dir / "app/Gone.pas"));
    EXPECT_EQ(form->ComboBox_Units->currentIndex(), 0);
    EXPECT_EQ(Rows(Kind::Procedures).size(), 2u);

    // Instrument the function with the window's options, then switch: Tools is saved first.
    form->SpinEdit_Spaces->setValue(4);
    QTest::keyClicks(form->Edit_RemoteComputer, "HOST");
    ShowTab(Kind::Functions);
    Select(Kind::Functions, {0});
    Click(form->Btn_AddDebugCode);
    EXPECT_EQ(StateImage(Kind::Functions, 0), 0) << "rescanned: the function now carries InstrumentedMark";
    ASSERT_EQ(LinesWith("'HOST');").size(), 1u);
    EXPECT_EQ(LinesWith("'HOST');")[0].rfind("    AddDebug(Self, '", 0), 0u) << "four blanks of indentation";
    EXPECT_EQ(LinesWith("uses SysUtils, Vireo;").size(), 1u);

    form->ComboBox_Units->setCurrentIndex(1);
    emit form->ComboBox_Units->activated(1);
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(ReadFile(dir / "app/sub/Tools.BAK"), Joined(kToolsUnit));
    EXPECT_NE(ReadFile(tools).find("'HOST');\r\n"), std::string::npos);
    EXPECT_EQ(form->Model().CurrentUnitName(), "Other");
    EXPECT_EQ(Rows(Kind::Procedures), (std::vector<std::vector<std::string>> {{"Other", "procedure Last;", "20"}}));
    EXPECT_TRUE(Rows(Kind::Functions).empty());

    // A unit that cannot be read is reported; the window goes on showing the unit it had.
    form->ComboBox_Units->setCurrentIndex(2);
    emit form->ComboBox_Units->activated(2);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].icon, QMessageBox::Critical);
    EXPECT_TRUE(boxes[0].text.contains(Q(dir / "app/Gone.pas"))) << boxes[0].text.toStdString();
    EXPECT_TRUE(boxes[0].text.contains("No such file")) << boxes[0].text.toStdString();
    EXPECT_EQ(form->ComboBox_Units->currentIndex(), 1);
    EXPECT_EQ(form->Model().CurrentUnitName(), "Other");
    EXPECT_EQ(Rows(Kind::Procedures).size(), 1u);

    // Close with Yes saves the current unit, which has not changed: nothing is written.
    answers = {QMessageBox::Yes};
    Click(form->Btn_Close);
    ASSERT_EQ(boxes.size(), 2u);
    ExpectQuestion(boxes[1], "Save changes?");
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(form->result(), QDialog::Accepted);
    EXPECT_EQ(ReadFile(other), Joined(FinderUnit()));
    EXPECT_FALSE(std::filesystem::exists(dir / "shared/Other.BAK"));
}

// A read-only unit that has not changed is left freely; a changed one only when the user gives its
// changes up.
TEST_F(ExaminerWindow, AReadOnlyUnitIsLeftWhenUnchangedAndAsksWhenChanged)
{
    const std::string project = dir / "P.dpr";
    WriteFile(project, Joined({"program P;", "uses", "  L in 'Locked.pas',", "  T in 'Tools.pas';", "begin", "end."}));
    const std::string locked = dir / "Locked.pas";
    WriteFile(locked, Joined(kToolsUnit));
    ::chmod(locked.c_str(), 0444);
    WriteFile(dir / "Tools.pas", Joined(kToolsUnit));
    Open(project);
    form->ComboBox_UnitsChange(1);
    EXPECT_TRUE(boxes.empty()) << boxes[0].text.toStdString();
    form->ComboBox_UnitsChange(0);
    Select(Kind::Procedures, {1});
    Click(form->Btn_AddDebugCode);

    answers = {QMessageBox::Cancel, QMessageBox::Discard};
    form->ComboBox_UnitsChange(1);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].buttons, QMessageBox::Discard | QMessageBox::Cancel);
    EXPECT_TRUE(boxes[0].text.contains(Q(locked) + "\" is read-only")) << boxes[0].text.toStdString();
    EXPECT_EQ(form->ComboBox_Units->currentIndex(), 0) << "Cancel stays with the changed unit";
    EXPECT_EQ(LinesWith("AddDebug(Self, 'procedure Stop;'").size(), 1u);
    form->ComboBox_UnitsChange(1);
    EXPECT_EQ(form->ComboBox_Units->currentIndex(), 1) << "Discard leaves it";
    EXPECT_EQ(ReadFile(locked), Joined(kToolsUnit));
    EXPECT_FALSE(std::filesystem::exists(dir / "Locked.BAK"));
}

TEST_F(ExaminerWindow, AFailedSaveKeepsTheWindowOpenWithTheChanges)
{
    // No temporary file can stand beside a unit with so long a name, so saving it fails.
    const std::string longName = std::string(248, 'L') + ".pas";
    const std::string project = dir / "P.dpr";
    WriteFile(project, Joined({"program P;", "uses", "  L in '" + longName + "',", "  S in 'Tools.pas';", "begin", "end."}));
    WriteFile(dir / longName, Joined(kToolsUnit));
    WriteFile(dir / "Tools.pas", Joined(kToolsUnit));
    Open(project);
    Select(Kind::Procedures, {1});
    Click(form->Btn_AddDebugCode);
    const auto changed = form->Model().WorkingText();

    form->ComboBox_Units->setCurrentIndex(1);
    emit form->ComboBox_Units->activated(1);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0].text.contains(Q(longName))) << boxes[0].text.toStdString();
    EXPECT_TRUE(boxes[0].text.contains("File name too long")) << boxes[0].text.toStdString();
    EXPECT_EQ(form->ComboBox_Units->currentIndex(), 0) << "the switch is abandoned";
    EXPECT_EQ(form->Model().WorkingText(), changed);

    answers = {QMessageBox::Yes};
    Click(form->Btn_Close);
    ASSERT_EQ(boxes.size(), 3u) << "the question, then the failed save";
    EXPECT_EQ(boxes[2].icon, QMessageBox::Critical);
    EXPECT_TRUE(form->isVisible()) << "nothing the user did is lost";
    EXPECT_EQ(form->Model().WorkingText(), changed);

    answers = {QMessageBox::No};
    Click(form->Btn_Close);
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(ReadFile(dir / longName), Joined(kToolsUnit));
    EXPECT_EQ(ReadFile(dir / "Tools.pas"), Joined(kToolsUnit));
    EXPECT_FALSE(std::filesystem::exists(dir / "Tools.BAK"));
}

TEST_F(ExaminerWindow, HandlersAreInstrumentedAndCodeMarksReplacedAsChosen)
{
    const std::string unit = dir / "Tools.pas";
    WriteFile(unit, Joined(kToolsUnit));
    Open(unit);
    ShowTab(Kind::Exceptions);
    Select(Kind::Exceptions, {0});
    Click(form->Btn_AddDebugCode);
    const auto& text = form->Model().WorkingText();
    const auto except = std::find(text.begin(), text.end(), "  except");
    ASSERT_NE(except, text.end());
    EXPECT_NE((except + 1)->find("mtError"), std::string::npos) << *(except + 1);

    // One mark chosen: replaced without a question.
    ShowTab(Kind::CodeMarks);
    Select(Kind::CodeMarks, {0});
    Click(form->Button_CodeMarks);
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(LinesWith("'Disk low', mtWarning, 'Red',").size(), 1u);
    EXPECT_EQ(LinesWith("{t=info").size(), 1u);
    EXPECT_EQ(form->ProgressBar1->maximum(), 1) << "two marks: positions 0 to 1";

    // None chosen: the question; No replaces nothing.
    Select(Kind::CodeMarks, {});
    answers = {QMessageBox::No};
    Click(form->Button_CodeMarks);
    ASSERT_EQ(boxes.size(), 1u);
    ExpectQuestion(boxes[0], "No codes selected.\nDo you want to add code to all code marks?");
    EXPECT_EQ(LinesWith("{t=info").size(), 1u);
    EXPECT_TRUE(SelectedRows(Kind::CodeMarks).empty());

    // Yes chooses every mark; the one already replaced is left as it is.
    answers = {QMessageBox::Yes};
    Click(form->Button_CodeMarks);
    EXPECT_EQ(boxes.size(), 2u);
    EXPECT_EQ(SelectedRows(Kind::CodeMarks), (std::vector<int> {0, 1}));
    EXPECT_TRUE(LinesWith("{t=info").empty());
    EXPECT_EQ(LinesWith("  Code := 1; AddDebug(Self, 'Start', mtInfo, '',").size(), 1u);
    EXPECT_EQ(LinesWith("'Disk low'").size(), 1u);
    EXPECT_EQ(Rows(Kind::CodeMarks).size(), 2u) << "the marks stay listed until the next rescan";
}

TEST_F(ExaminerWindow, LineFinderAndReviewShowTheWorkingTextWithoutChangingIt)
{
    const std::string unit = dir / "Finder.pas";
    WriteFile(unit, Joined(FinderUnit()));
    Open(unit);

    TForm_LineFinder* finder = nullptr;
    onModal = [&](QDialog& window) {
        finder = qobject_cast<TForm_LineFinder*>(&window);
        ASSERT_TRUE(finder);
        EXPECT_EQ(finder->windowTitle(), "Line Finder");
        EXPECT_EQ(finder->parent(), form.get());
        ASSERT_EQ(finder->ListBox_UnitFile->count(), 25);
        EXPECT_EQ(finder->ListBox_UnitFile->item(19)->text(), "procedure Last;");
        EXPECT_EQ(finder->ListBox_UnitFile->currentRow(), 19);
        EXPECT_EQ(finder->Label_LineNum->text(), "20");
        EXPECT_EQ(finder->Label_CurrentLine->text(), "20");
        finder->show();
        QTest::mouseClick(finder->ListBox_UnitFile->viewport(), Qt::LeftButton, {},
                          finder->ListBox_UnitFile->visualItemRect(finder->ListBox_UnitFile->item(4)).center());
        EXPECT_EQ(finder->ListBox_UnitFile->currentRow(), 4);
        EXPECT_EQ(finder->Label_CurrentLine->text(), "5");
        QTest::mouseClick(finder->SpeedButton1, Qt::LeftButton);
        EXPECT_EQ(finder->ListBox_UnitFile->currentRow(), 19);
        EXPECT_EQ(finder->Label_CurrentLine->text(), "20");
        EXPECT_EQ(finder->Button1->text(), "&Close");
        QTest::mouseClick(finder->Button1, Qt::LeftButton);
        EXPECT_FALSE(finder->isVisible());
        finder = nullptr;
    };
    DoubleClick(Kind::Procedures);
    EXPECT_EQ(modalShown, 0) << "nothing selected: nothing opens";
    QTreeView* procedures = List(Kind::Procedures);
    const QPoint item = procedures->visualRect(procedures->model()->index(0, 1)).center();
    QTest::mouseClick(procedures->viewport(), Qt::LeftButton, {}, item);
    QTest::mouseDClick(procedures->viewport(), Qt::LeftButton, {}, item);
    EXPECT_EQ(modalShown, 1) << "a double-click on the item selects it and opens its line";
    EXPECT_EQ(form->ProgressBar1->maximum(), 25);
    EXPECT_EQ(form->ProgressBar1->value(), 25);

    // Several chosen: the highest one opens.
    ShowTab(Kind::Custom);
    QTest::keyClicks(form->Edit_Search, "line");
    Click(form->Button_Search);
    ASSERT_EQ(Rows(Kind::Custom).size(), 16u);
    Select(Kind::Custom, {9, 3, 12});
    int opened = 0;
    onModal = [&](QDialog& window) {
        opened = static_cast<TForm_LineFinder&>(window).ListBox_UnitFile->currentRow() + 1;
    };
    DoubleClick(Kind::Custom);
    EXPECT_EQ(opened, 7) << "row 3 of the Custom list is line 7";

    // The review shows the inserted code; what is typed there is thrown away.
    ShowTab(Kind::Procedures);
    Select(Kind::Procedures, {0});
    Click(form->Btn_AddDebugCode);
    const auto working = form->Model().WorkingText();
    Select(Kind::Custom, {15}); // not rescanned: the finder opens the line the item names
    DoubleClick(Kind::Custom);
    EXPECT_EQ(opened, std::stoi(Rows(Kind::Custom)[15][2]));
    onModal = [&](QDialog& window) {
        auto* review = qobject_cast<TForm_Review*>(&window);
        ASSERT_TRUE(review);
        EXPECT_EQ(review->windowTitle(), "Review Unit");
        EXPECT_EQ(review->RichEdit_FileName->lineWrapMode(), QPlainTextEdit::NoWrap);
        EXPECT_FALSE(review->RichEdit_FileName->isReadOnly());
        const QString shown = review->RichEdit_FileName->toPlainText();
        EXPECT_EQ(shown.split('\n').size(), qsizetype(working.size()));
        EXPECT_TRUE(shown.contains("  AddDebug(Self, '")) << shown.toStdString();
        EXPECT_TRUE(shown.contains("UnitFileName = '")) << shown.toStdString();
        review->show();
        QTest::keyClicks(review->RichEdit_FileName, "typed by the user");
        QTest::mouseClick(review->Button1, Qt::LeftButton);
    };
    Click(form->Button1);
    EXPECT_EQ(modalShown, 4);
    EXPECT_EQ(form->Model().WorkingText(), working);
    EXPECT_EQ(form->ProgressBar1->value(), int(working.size()));
}

} // namespace

// The Pascal-aware mode is one click away and remembered: a comment that mentions a routine
// makes an item under the line rules and none when Pascal is read.
TEST_F(ExaminerWindow, ReadingPascalIsChosenInTheOptionsAndKeptForTheNextExaminer)
{
    const std::string unit = dir / "Notes.pas";
    WriteFile(unit, Joined({"unit Notes;", "interface", "implementation", "{ procedure Hidden; is a note }",
                            "procedure Shown;", "begin", "end;", "end."}));
    Open(unit);
    EXPECT_EQ(form->CheckBox_PascalMode->accessibleName(), "Read Pascal (comments, strings, nesting)");
    EXPECT_FALSE(form->CheckBox_PascalMode->isChecked()) << "the line rules at first";
    using Rows_ = std::vector<std::vector<std::string>>;
    EXPECT_EQ(Rows(Kind::Procedures).size(), 2u);

    form->CheckBox_PascalMode->click();
    EXPECT_TRUE(form->Model().PascalMode());
    EXPECT_EQ(Rows(Kind::Procedures), (Rows_ {{"Notes", "procedure Shown;", "5"}}));

    contracts.clear();
    form.reset();
    Open(unit);
    EXPECT_TRUE(form->CheckBox_PascalMode->isChecked()) << "the choice outlives the window";
    EXPECT_EQ(Rows(Kind::Procedures).size(), 1u);
}
