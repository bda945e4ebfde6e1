#include "components/PanelExpander.h"

#include "components/PanelExpanderLayout.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QToolButton>

namespace vireo {

TMultiObj::TMultiObj(QCheckBox* checkBox, std::string value)
    : checkBox_(checkBox), value_(std::move(value))
{
}

TMultiObj::~TMultiObj()
{
    // The box may be the sender of the signal being handled; it goes once that has returned.
    if (checkBox_) {
        checkBox_->hide();
        checkBox_->deleteLater();
    }
}

TPanelExpander::TPanelExpander(QWidget* parent)
    : QFrame(parent), header_(new QLabel(this)), button_(new QToolButton(header_))
{
    setFrameShape(QFrame::StyledPanel);
    setFixedHeight(TExpanderFigures::CollapsedHeight);

    header_->setAlignment(Qt::AlignCenter);
    header_->setGeometry(0, 0, width(), TExpanderFigures::HeaderHeight);
    header_->setAccessibleDescription(QStringLiteral("Filter panel caption"));

    button_->setAutoRaise(true);
    button_->setText(QStringLiteral("+"));
    button_->setGeometry(0, 0, TExpanderFigures::ButtonSize, TExpanderFigures::ButtonSize);
    button_->setAccessibleName(QStringLiteral("Expand or collapse"));
    connect(button_, &QToolButton::clicked, this, &TPanelExpander::ToggleExpand);
}

// Items go first: their check boxes are children of this panel.
TPanelExpander::~TPanelExpander()
{
    items_.Clear();
}

QString TPanelExpander::Caption() const
{
    return header_->text();
}

void TPanelExpander::SetCaption(const QString& caption)
{
    header_->setText(caption);
    setAccessibleName(caption);
    button_->setAccessibleName(QStringLiteral("Expand or collapse ") + caption);
}

bool TPanelExpander::Expand() const
{
    return button_->text() == QStringLiteral("-");
}

void TPanelExpander::SetExpand(bool expand)
{
    if (expand != Expand())
        ToggleExpand();
}

void TPanelExpander::ApplyStoredExpand(bool expand)
{
    if (!expand)
        return;
    SetExpand(true);
    if (CollapseAtRunTime)
        SetExpand(false);
}

void TPanelExpander::ToggleExpand()
{
    const bool expanding = !Expand();
    setFixedHeight(expanding ? ExpandHeightTo : TExpanderFigures::CollapsedHeight);
    button_->setText(expanding ? QStringLiteral("-") : QStringLiteral("+"));
    // A collapsed panel clips its check boxes; hidden, they are not offered as showing.
    for (int i = 0; i < items_.Count(); ++i)
        items_.Items(i).CheckBox()->setVisible(expanding);
    QFont font = header_->font();
    font.setBold(expanding);
    header_->setFont(font);
    if (parentWidget())
        QCoreApplication::postEvent(parentWidget(), new QEvent(QEvent::LayoutRequest));
}

void TPanelExpander::AddItem(int leftMargin, const QString& caption, std::string value, bool checked,
                             bool atTop)
{
    auto* checkBox = new QCheckBox(caption, this);
    checkBox->setAccessibleName(caption);
    checkBox->resize(width() - TExpanderFigures::ItemWidthInset, checkBox->sizeHint().height());
    checkBox->setChecked(checked);

    connect(checkBox, &QCheckBox::toggled, this, [this, checkBox] { CheckBoxToggled(checkBox); });

    auto item = std::make_unique<TMultiObj>(checkBox, std::move(value));
    if (atTop)
        items_.Insert(0, std::move(item));
    else
        items_.Add(std::move(item));
    IndexValues();
    LayoutItems(leftMargin);
    checkBox->setVisible(Expand());
}

void TPanelExpander::LayoutItems(int leftMargin)
{
    if (items_.Count() == 0)
        return;
    const int itemHeight = items_.Items(0).CheckBox()->height();
    for (int i = 0; i < items_.Count(); ++i)
        items_.Items(i).CheckBox()->move(leftMargin, ExpanderItemTop(i, itemHeight));
    ExpandHeightTo = ExpanderHeightFor(items_.Count(), itemHeight);
    if (Expand())
        setFixedHeight(ExpandHeightTo);
}

void TPanelExpander::ClearItems()
{
    items_.Clear();
    firstIndexOfValue_.clear();
    if (Expand())
        setFixedHeight(TExpanderFigures::EmptyExpandHeight);
    ExpandHeightTo = TExpanderFigures::EmptyExpandHeight;
}

void TPanelExpander::IndexValues()
{
    firstIndexOfValue_.clear();
    for (int i = items_.Count() - 1; i >= 0; --i)
        firstIndexOfValue_[items_.Items(i).Value()] = i;
}

int TPanelExpander::IndexOfValue(std::string_view value) const
{
    const auto found = firstIndexOfValue_.find(value);
    return found == firstIndexOfValue_.end() ? -1 : found->second;
}

bool TPanelExpander::IsItemChecked(int index) const
{
    if (index < 0 || index >= items_.Count())
        return false;
    return items_.Items(index).CheckBox()->isChecked();
}

void TPanelExpander::SelectAll()
{
    SetAllChecked(true);
}

void TPanelExpander::ClearAll()
{
    SetAllChecked(false);
}

// Only the last box may notify, and it does so even when no box changed: the window hears of
// the command exactly once.
void TPanelExpander::SetAllChecked(bool checked)
{
    const int count = items_.Count();
    if (count == 0)
        return;
    QPointer<QCheckBox> last = items_.Items(count - 1).CheckBox();
    notificationsEnabled_ = false;
    for (int i = 0; i < count; ++i) {
        if (i == count - 1)
            notificationsEnabled_ = true;
        notified_ = false;
        items_.Items(i).CheckBox()->setChecked(checked);
    }
    if (!notified_ && last)
        emit ItemChanged(this, last);
    notificationsEnabled_ = true;
}

void TPanelExpander::CheckBoxToggled(QCheckBox* checkBox)
{
    if (!notificationsEnabled_)
        return;
    notified_ = true;
    emit ItemChanged(this, checkBox);
}

void TPanelExpander::ShowItemMenu(const QPoint& globalPosition)
{
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->setAccessibleName(QStringLiteral("Filter items"));
    menu->addAction(QStringLiteral("Select All"), this, &TPanelExpander::SelectAll);
    menu->addAction(QStringLiteral("Clear All"), this, &TPanelExpander::ClearAll);
    menu->addSeparator();
    menu->addAction(QStringLiteral("Cancel"));
    menu->popup(globalPosition);
}

// Right-button releases over the header, the button and the check boxes come here too: those
// widgets pass them on to their parent.
void TPanelExpander::mouseReleaseEvent(QMouseEvent* event)
{
    QFrame::mouseReleaseEvent(event);
    if (EnablePopupMenu && event->button() == Qt::RightButton)
        ShowItemMenu(QCursor::pos());
}

void TPanelExpander::resizeEvent(QResizeEvent* event)
{
    QFrame::resizeEvent(event);
    header_->resize(width(), TExpanderFigures::HeaderHeight);
    for (int i = 0; i < items_.Count(); ++i) {
        QCheckBox* checkBox = items_.Items(i).CheckBox();
        checkBox->resize(width() - TExpanderFigures::ItemWidthInset, checkBox->height());
    }
}

} // namespace vireo
