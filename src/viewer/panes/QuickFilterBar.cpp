#include "viewer/panes/QuickFilterBar.h"

#include <QAction>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>

namespace vireo {

QuickFilterBar::QuickFilterBar(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("QuickFilterBar"));
    setAccessibleName(QStringLiteral("Quick filter"));
    auto* label = new QLabel(QStringLiteral("Filte&r:"), this);
    text_ = new QLineEdit(this);
    text_->setObjectName(QStringLiteral("Edit_QuickFilter"));
    text_->setAccessibleName(QStringLiteral("Filter"));
    text_->setPlaceholderText(QStringLiteral("Ctrl+L; a leading - excludes"));
    text_->setClearButtonEnabled(true);
    label->setBuddy(text_);
    regularExpression_ = AddToggle("CheckBox_QuickFilterRegularExpression", "Re&gular Expression");
    matchCase_ = AddToggle("CheckBox_QuickFilterMatchCase", "Match &Case");
    exclude_ = AddToggle("CheckBox_QuickFilterExclude", "Exclu&de");
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(label);
    layout->addWidget(text_, 1);
    for (QCheckBox* toggle : {regularExpression_, matchCase_, exclude_})
        layout->addWidget(toggle);

    auto* clear = new QAction(text_);
    clear->setShortcut(QKeySequence(Qt::Key_Escape));
    clear->setShortcutContext(Qt::WidgetShortcut);
    text_->addAction(clear);
    connect(clear, &QAction::triggered, text_, &QLineEdit::clear);
    connect(text_, &QLineEdit::textChanged, this, &QuickFilterBar::Changed);
}

QCheckBox* QuickFilterBar::AddToggle(const char* name, const char* caption)
{
    auto* toggle = new QCheckBox(QString::fromLatin1(caption), this);
    toggle->setObjectName(QString::fromLatin1(name));
    toggle->setAccessibleName(toggle->text().remove(QLatin1Char('&')));
    connect(toggle, &QCheckBox::toggled, this, &QuickFilterBar::Changed);
    return toggle;
}

QuickFilterSettings QuickFilterBar::Settings() const
{
    return {text_->text(), regularExpression_->isChecked(), matchCase_->isChecked(), exclude_->isChecked()};
}

void QuickFilterBar::SetSettings(const QuickFilterSettings& settings)
{
    {
        const QSignalBlocker blockers[] = {QSignalBlocker(text_), QSignalBlocker(regularExpression_),
                                           QSignalBlocker(matchCase_), QSignalBlocker(exclude_)};
        text_->setText(settings.Text);
        regularExpression_->setChecked(settings.RegularExpression);
        matchCase_->setChecked(settings.MatchCase);
        exclude_->setChecked(settings.Exclude);
    }
    emit Changed();
}

void QuickFilterBar::ShowProblem(const QString& problem)
{
    // A tinted field says at a glance that the expression is not whole; the reason is in its tip.
    text_->setStyleSheet(problem.isEmpty() ? QString() : QStringLiteral("QLineEdit { background: #ffd8d8; }"));
    text_->setToolTip(problem);
    text_->setAccessibleDescription(problem);
}

void QuickFilterBar::FocusField()
{
    text_->setFocus(Qt::ShortcutFocusReason);
    text_->selectAll();
}

} // namespace vireo
