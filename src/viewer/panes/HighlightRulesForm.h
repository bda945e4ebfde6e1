#pragma once

#include "viewer/session/HighlightRules.h"

#include <QDialog>

#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace vireo {

struct ViewerDialogs;

// The dialog "Highlight Rules": the ordered rules with their check boxes (enabled), the fields of
// the current rule, its colours (asked for through ViewerDialogs::ChooseColor), "&Ok" and
// "&Cancel". It edits a copy; the caller takes Rules() on OK.
class TForm_HighlightRules : public QDialog {
    Q_OBJECT
public:
    // A dialog showing rules; owner is the main window.
    TForm_HighlightRules(std::vector<HighlightRule> rules, const ViewerDialogs& dialogs, QWidget* owner);

    // The rules as the dialog now holds them, in their order.
    const std::vector<HighlightRule>& Rules() const { return rules_; }

    QListWidget* ListBox_Rules;               // "Rule&s": a checkable item per rule, checked when enabled
    QPushButton* Button_Add;                  // "&Add": a new rule after the current one
    QPushButton* Button_Remove;               // "&Remove": the current rule
    QPushButton* Button_MoveUp;               // "Move &Up"
    QPushButton* Button_MoveDown;             // "Move &Down"
    QLineEdit* Edit_Name;                     // "&Name": the rule's own caption (may be empty)
    QComboBox* ComboBox_Target;               // "&Look at": Message Text, Class Name, Message Type
    QLineEdit* Edit_Pattern;                  // "&Text" or expression looked for
    QComboBox* ComboBox_Type;                 // "T&ype" a type rule matches
    QCheckBox* CheckBox_RegularExpression;    // "Regular &Expression"
    QCheckBox* CheckBox_MatchCase;            // "&Match Case"
    QCheckBox* CheckBox_Foreground;           // "&Foreground": the rule sets the text colour
    QPushButton* Button_ForegroundColour;     // "Fore&ground Colour..."
    QCheckBox* CheckBox_Background;           // "&Background": the rule sets the row colour
    QPushButton* Button_BackgroundColour;     // "Bac&kground Colour..."
    QLabel* Label_Problem;                    // why the current rule can never match
    QPushButton* Button_Ok;                   // "&Ok": result OK
    QPushButton* Button_Cancel;               // "&Cancel": result Cancel

private:
    void CreateFields();
    void LayOut();
    int Current() const;
    void AddItem(int at);
    void ShowCurrent();
    void ShowState();
    void TakeFields();
    void RefreshItem(int at);
    void AddRule();
    void RemoveRule();
    void MoveRule(int step);
    void ChooseColour(bool foreground);

    std::vector<HighlightRule> rules_;
    const ViewerDialogs& dialogs_;
    bool showing_ = false; // fields are being filled from a rule, not edited
};

} // namespace vireo
