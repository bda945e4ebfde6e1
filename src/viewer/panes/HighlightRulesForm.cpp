#include "viewer/panes/HighlightRulesForm.h"

#include "examiner/ExaminerWidgets.h"
#include "viewer/panes/ViewerDialogs.h"
#include "viewer/session/TraceSources.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

namespace vireo {

namespace {

constexpr std::uint32_t kNewRuleBackground = 0xfffff2a8u; // a pale yellow that keeps text readable

QCheckBox* CaptionedCheckBox(QWidget* parent, const QString& caption, const char* name)
{
    auto* box = new QCheckBox(caption, parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setAccessibleName(QString(caption).remove(QLatin1Char('&')));
    return box;
}

QIcon Swatch(RuleColor color)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(color ? QColor::fromRgba(*color) : QColor(Qt::transparent));
    return QIcon(pixmap);
}

// The colours' texts for assistive technology, which cannot see the swatch.
QString ColourDescription(RuleColor color)
{
    return color ? QString::fromStdString(RuleColorText(color)) : QStringLiteral("none");
}

} // namespace

TForm_HighlightRules::TForm_HighlightRules(std::vector<HighlightRule> rules, const ViewerDialogs& dialogs,
                                           QWidget* owner)
    : QDialog(owner), rules_(std::move(rules)), dialogs_(dialogs)
{
    setObjectName(QStringLiteral("Form_HighlightRules"));
    setWindowTitle(QStringLiteral("Highlight Rules"));
    setAccessibleName(windowTitle());
    setModal(true);
    CreateFields();
    LayOut();
    for (int at = 0; at < static_cast<int>(rules_.size()); ++at)
        AddItem(at);
    ListBox_Rules->setCurrentRow(rules_.empty() ? -1 : 0);
    ShowCurrent();
    ListBox_Rules->setFocus();
}

void TForm_HighlightRules::CreateFields()
{
    // Created in their tab order.
    ListBox_Rules = new QListWidget(this);
    ListBox_Rules->setObjectName(QStringLiteral("ListBox_Rules"));
    Button_Add = CaptionedButton(this, QStringLiteral("&Add"), QStringLiteral("Button_Add"));
    Button_Remove = CaptionedButton(this, QStringLiteral("&Remove"), QStringLiteral("Button_Remove"));
    Button_MoveUp = CaptionedButton(this, QStringLiteral("Move &Up"), QStringLiteral("Button_MoveUp"));
    Button_MoveDown = CaptionedButton(this, QStringLiteral("Move &Down"), QStringLiteral("Button_MoveDown"));
    Edit_Name = new QLineEdit(this);
    Edit_Name->setObjectName(QStringLiteral("Edit_Name"));
    Edit_Name->setPlaceholderText(QStringLiteral("made from the condition when empty"));
    ComboBox_Target = new QComboBox(this);
    ComboBox_Target->setObjectName(QStringLiteral("ComboBox_Target"));
    ComboBox_Target->addItems({QStringLiteral("Message Text"), QStringLiteral("Class Name"), QStringLiteral("Message Type")});
    Edit_Pattern = new QLineEdit(this);
    Edit_Pattern->setObjectName(QStringLiteral("Edit_Pattern"));
    ComboBox_Type = new QComboBox(this);
    ComboBox_Type->setObjectName(QStringLiteral("ComboBox_Type"));
    for (int type = 0; type < 4; ++type)
        ComboBox_Type->addItem(QString::fromLatin1(kTypeNames[type]), type);
    CheckBox_RegularExpression = CaptionedCheckBox(this, QStringLiteral("Regular &Expression"), "CheckBox_RegularExpression");
    CheckBox_MatchCase = CaptionedCheckBox(this, QStringLiteral("&Match Case"), "CheckBox_MatchCase");
    CheckBox_Foreground = CaptionedCheckBox(this, QStringLiteral("&Foreground"), "CheckBox_Foreground");
    Button_ForegroundColour =
        CaptionedButton(this, QStringLiteral("Fore&ground Colour..."), QStringLiteral("Button_ForegroundColour"));
    CheckBox_Background = CaptionedCheckBox(this, QStringLiteral("&Background"), "CheckBox_Background");
    Button_BackgroundColour =
        CaptionedButton(this, QStringLiteral("Bac&kground Colour..."), QStringLiteral("Button_BackgroundColour"));
    Label_Problem = new QLabel(this);
    Label_Problem->setObjectName(QStringLiteral("Label_Problem"));
    Label_Problem->setWordWrap(true);
    Button_Ok = CaptionedButton(this, QStringLiteral("&Ok"), QStringLiteral("Button_Ok"));
    Button_Ok->setDefault(true);
    Button_Cancel = CaptionedButton(this, QStringLiteral("&Cancel"), QStringLiteral("Button_Cancel"));

    connect(ListBox_Rules, &QListWidget::currentRowChanged, this, &TForm_HighlightRules::ShowCurrent);
    connect(ListBox_Rules, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
        rules_.at(static_cast<std::size_t>(ListBox_Rules->row(item))).Enabled = item->checkState() == Qt::Checked;
    });
    connect(Button_Add, &QPushButton::clicked, this, &TForm_HighlightRules::AddRule);
    connect(Button_Remove, &QPushButton::clicked, this, &TForm_HighlightRules::RemoveRule);
    connect(Button_MoveUp, &QPushButton::clicked, this, [this] { MoveRule(-1); });
    connect(Button_MoveDown, &QPushButton::clicked, this, [this] { MoveRule(1); });
    connect(Edit_Name, &QLineEdit::textChanged, this, &TForm_HighlightRules::TakeFields);
    connect(Edit_Pattern, &QLineEdit::textChanged, this, &TForm_HighlightRules::TakeFields);
    for (QComboBox* box : {ComboBox_Target, ComboBox_Type})
        connect(box, &QComboBox::currentIndexChanged, this, &TForm_HighlightRules::TakeFields);
    for (QCheckBox* box : {CheckBox_RegularExpression, CheckBox_MatchCase, CheckBox_Foreground, CheckBox_Background})
        connect(box, &QCheckBox::toggled, this, &TForm_HighlightRules::TakeFields);
    connect(Button_ForegroundColour, &QPushButton::clicked, this, [this] { ChooseColour(true); });
    connect(Button_BackgroundColour, &QPushButton::clicked, this, [this] { ChooseColour(false); });
    connect(Button_Ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(Button_Cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TForm_HighlightRules::LayOut()
{
    const auto label = [this](const QString& caption, QWidget* buddy) {
        auto* shown = new QLabel(caption, this);
        shown->setBuddy(buddy);
        buddy->setAccessibleName(QString(caption).remove(QLatin1Char('&')));
        return shown;
    };
    auto* listColumn = new QVBoxLayout;
    listColumn->addWidget(label(QStringLiteral("Rule&s"), ListBox_Rules));
    listColumn->addWidget(ListBox_Rules);
    auto* buttons = new QVBoxLayout;
    for (QPushButton* button : {Button_Add, Button_Remove, Button_MoveUp, Button_MoveDown})
        buttons->addWidget(button);
    buttons->addStretch();
    auto* fields = new QFormLayout;
    fields->addRow(label(QStringLiteral("&Name"), Edit_Name), Edit_Name);
    fields->addRow(label(QStringLiteral("&Look at"), ComboBox_Target), ComboBox_Target);
    fields->addRow(label(QStringLiteral("&Text"), Edit_Pattern), Edit_Pattern);
    fields->addRow(label(QStringLiteral("T&ype"), ComboBox_Type), ComboBox_Type);
    auto* toggles = new QHBoxLayout;
    toggles->addWidget(CheckBox_RegularExpression);
    toggles->addWidget(CheckBox_MatchCase);
    fields->addRow(toggles);
    auto* foreground = new QHBoxLayout;
    foreground->addWidget(CheckBox_Foreground);
    foreground->addWidget(Button_ForegroundColour);
    fields->addRow(foreground);
    auto* background = new QHBoxLayout;
    background->addWidget(CheckBox_Background);
    background->addWidget(Button_BackgroundColour);
    fields->addRow(background);
    fields->addRow(Label_Problem);
    auto* top = new QHBoxLayout;
    top->addLayout(listColumn, 1);
    top->addLayout(buttons);
    top->addLayout(fields, 1);
    auto* closing = new QHBoxLayout;
    closing->addStretch();
    closing->addWidget(Button_Ok);
    closing->addWidget(Button_Cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(new QLabel(QStringLiteral("The first checked rule that matches a message colours its row."), this));
    layout->addLayout(closing);
}

int TForm_HighlightRules::Current() const
{
    return ListBox_Rules->currentRow();
}

void TForm_HighlightRules::AddItem(int at)
{
    auto* item = new QListWidgetItem;
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    item->setCheckState(rules_.at(static_cast<std::size_t>(at)).Enabled ? Qt::Checked : Qt::Unchecked);
    ListBox_Rules->insertItem(at, item);
    RefreshItem(at);
}

void TForm_HighlightRules::RefreshItem(int at)
{
    const HighlightRule& rule = rules_.at(static_cast<std::size_t>(at));
    QListWidgetItem* item = ListBox_Rules->item(at);
    // The check mark first: each change below reads it back into the rule.
    item->setCheckState(rule.Enabled ? Qt::Checked : Qt::Unchecked);
    item->setText(HighlightCaption(rule));
    // The item shows the rule's colours, as a row it matches shows them.
    item->setData(Qt::ForegroundRole, rule.Foreground ? QVariant(QColor::fromRgba(*rule.Foreground)) : QVariant());
    item->setData(Qt::BackgroundRole, rule.Background ? QVariant(QColor::fromRgba(*rule.Background)) : QVariant());
    const QString problem = HighlightRules({rule}).Problem(0);
    item->setToolTip(problem);
    item->setData(Qt::AccessibleDescriptionRole, problem);
}

void TForm_HighlightRules::ShowCurrent()
{
    const int at = Current();
    const HighlightRule rule = at >= 0 ? rules_[static_cast<std::size_t>(at)] : HighlightRule();
    showing_ = true;
    Edit_Name->setText(rule.Name);
    ComboBox_Target->setCurrentIndex(static_cast<int>(rule.Target));
    Edit_Pattern->setText(rule.Pattern);
    if (ComboBox_Type->findData(rule.Type) < 0)
        ComboBox_Type->addItem(QString::number(rule.Type), rule.Type); // a type no name stands for
    ComboBox_Type->setCurrentIndex(ComboBox_Type->findData(rule.Type));
    CheckBox_RegularExpression->setChecked(rule.RegularExpression);
    CheckBox_MatchCase->setChecked(rule.MatchCase);
    CheckBox_Foreground->setChecked(rule.Foreground.has_value());
    CheckBox_Background->setChecked(rule.Background.has_value());
    showing_ = false;
    ShowState();
}

void TForm_HighlightRules::ShowState()
{
    const int at = Current();
    const bool any = at >= 0;
    const HighlightRule rule = any ? rules_[static_cast<std::size_t>(at)] : HighlightRule();
    Button_Remove->setEnabled(any);
    Button_MoveUp->setEnabled(at > 0);
    Button_MoveDown->setEnabled(any && at + 1 < static_cast<int>(rules_.size()));
    const bool textRule = rule.Target != HighlightTarget::MessageType;
    for (QWidget* field : std::initializer_list<QWidget*>{Edit_Name, ComboBox_Target, CheckBox_Foreground,
                                                          Button_ForegroundColour, CheckBox_Background,
                                                          Button_BackgroundColour})
        field->setEnabled(any);
    for (QWidget* field : std::initializer_list<QWidget*>{Edit_Pattern, CheckBox_RegularExpression, CheckBox_MatchCase})
        field->setEnabled(any && textRule);
    ComboBox_Type->setEnabled(any && !textRule);
    Button_ForegroundColour->setIcon(Swatch(rule.Foreground));
    Button_ForegroundColour->setAccessibleDescription(ColourDescription(rule.Foreground));
    Button_BackgroundColour->setIcon(Swatch(rule.Background));
    Button_BackgroundColour->setAccessibleDescription(ColourDescription(rule.Background));
    const QString problem = any ? HighlightRules({rule}).Problem(0) : QString();
    Label_Problem->setText(problem);
    Label_Problem->setAccessibleName(problem);
}

void TForm_HighlightRules::TakeFields()
{
    const int at = Current();
    if (showing_ || at < 0)
        return;
    HighlightRule& rule = rules_[static_cast<std::size_t>(at)];
    rule.Name = Edit_Name->text();
    rule.Target = static_cast<HighlightTarget>(ComboBox_Target->currentIndex());
    rule.Pattern = Edit_Pattern->text();
    rule.Type = ComboBox_Type->currentData().toInt();
    rule.RegularExpression = CheckBox_RegularExpression->isChecked();
    rule.MatchCase = CheckBox_MatchCase->isChecked();
    // Unchecking forgets the colour; checking again starts from one that shows.
    if (CheckBox_Foreground->isChecked() != rule.Foreground.has_value())
        rule.Foreground = CheckBox_Foreground->isChecked() ? RuleColor(0xff000000u) : RuleColor();
    if (CheckBox_Background->isChecked() != rule.Background.has_value())
        rule.Background = CheckBox_Background->isChecked() ? RuleColor(kNewRuleBackground) : RuleColor();
    RefreshItem(at);
    ShowState();
}

void TForm_HighlightRules::AddRule()
{
    const int at = Current() + 1; // after the current rule, or first in an empty list
    HighlightRule rule;
    rule.Background = kNewRuleBackground;
    rules_.insert(rules_.begin() + at, rule);
    AddItem(at);
    ListBox_Rules->setCurrentRow(at);
    Edit_Pattern->setFocus();
}

void TForm_HighlightRules::RemoveRule()
{
    const int at = Current();
    if (at < 0)
        return;
    rules_.erase(rules_.begin() + at);
    delete ListBox_Rules->takeItem(at);
    ListBox_Rules->setCurrentRow(std::min(at, static_cast<int>(rules_.size()) - 1));
    ShowCurrent();
}

void TForm_HighlightRules::MoveRule(int step)
{
    const int at = Current();
    const int to = at + step;
    if (at < 0 || to < 0 || to >= static_cast<int>(rules_.size()))
        return;
    std::swap(rules_[static_cast<std::size_t>(at)], rules_[static_cast<std::size_t>(to)]);
    RefreshItem(at);
    RefreshItem(to);
    ListBox_Rules->setCurrentRow(to);
}

void TForm_HighlightRules::ChooseColour(bool foreground)
{
    const int at = Current();
    if (at < 0)
        return;
    RuleColor& color = foreground ? rules_[static_cast<std::size_t>(at)].Foreground
                                  : rules_[static_cast<std::size_t>(at)].Background;
    const QColor initial = color ? QColor::fromRgba(*color) : QColor(foreground ? Qt::black : Qt::white);
    const std::optional<QColor> chosen = dialogs_.ChooseColor(
        initial, foreground ? QStringLiteral("Foreground Colour") : QStringLiteral("Background Colour"));
    if (!chosen || !chosen->isValid())
        return;
    color = 0xff000000u | (chosen->rgba() & 0xffffffu); // kept opaque, as stored
    if (foreground)
        CheckBox_Foreground->setChecked(true);
    else
        CheckBox_Background->setChecked(true);
    RefreshItem(at);
    ShowState();
}

} // namespace vireo
