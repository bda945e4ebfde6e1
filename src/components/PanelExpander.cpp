#include "components/PanelExpander.h"

#include "components/PanelExpanderLayout.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QMouseEvent>
#include <QStyledItemDelegate>
#include <QToolButton>

namespace vireo {

namespace {

// Draws an entry as a check box of the old panels drew it: rows as high as a check box plus the
// gap between two, and a left click anywhere on the row (not only on the mark) toggles it.
class TEntryDelegate : public QStyledItemDelegate {
public:
    TEntryDelegate(int rowHeight, QObject* parent) : QStyledItemDelegate(parent), rowHeight_(rowHeight) {}

    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override
    {
        return {1, rowHeight_}; // the width is the view's; long captions are elided
    }

    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override
    {
        if (event->type() == QEvent::MouseButtonRelease) {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() != Qt::LeftButton || !option.rect.contains(mouse->position().toPoint()))
                return false;
            const bool checked = index.data(Qt::CheckStateRole).toInt() == Qt::Checked;
            return model->setData(index, checked ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
        }
        return QStyledItemDelegate::editorEvent(event, model, option, index);
    }

private:
    int rowHeight_;
};

} // namespace

TPanelExpander::TPanelExpander(QWidget* parent)
    : QFrame(parent), header_(new QLabel(this)), button_(new QToolButton(header_)),
      items_(new TExpanderItems(this)), list_(new QListView(this)),
      itemHeight_(QCheckBox(QStringLiteral("X")).sizeHint().height())
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

    list_->setModel(items_);
    list_->setItemDelegate(new TEntryDelegate(itemHeight_ + TExpanderFigures::ItemGap, list_));
    list_->setUniformItemSizes(true);
    list_->setFrameShape(QFrame::NoFrame);
    list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setContextMenuPolicy(Qt::CustomContextMenu);
    list_->hide(); // a collapsed panel clips its entries; hidden, they are not offered as showing
    connect(list_, &QListView::customContextMenuRequested, this, [this](const QPoint& at) {
        if (EnablePopupMenu)
            ShowItemMenu(list_->viewport()->mapToGlobal(at));
    });
    connect(items_, &TExpanderItems::CheckChanged, this, [this](int row) { emit ItemChanged(this, row); });
    LayoutItems();
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
    list_->setAccessibleName(caption);
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
    list_->setVisible(expanding && ItemCount() > 0);
    QFont font = header_->font();
    font.setBold(expanding);
    header_->setFont(font);
    if (parentWidget())
        QCoreApplication::postEvent(parentWidget(), new QEvent(QEvent::LayoutRequest));
}

void TPanelExpander::AddItem(int leftMargin, const QString& caption, std::string value, bool checked, bool atTop)
{
    items_->Add(caption, std::move(value), checked, atTop);
    // Past MostRowsShown entries the figures stay as they are: adding costs no layout.
    if (leftMargin != leftMargin_ || ItemCount() <= TExpanderFigures::MostRowsShown) {
        leftMargin_ = leftMargin;
        LayoutItems();
    }
}

void TPanelExpander::LayoutItems()
{
    const int count = ItemCount();
    const int rows = std::min(count, TExpanderFigures::MostRowsShown);
    list_->setGeometry(leftMargin_, TExpanderFigures::FirstItemTop, width() - TExpanderFigures::ItemWidthInset,
                       rows * (itemHeight_ + TExpanderFigures::ItemGap));
    list_->setVisible(Expand() && count > 0);
    if (count == 0)
        return;
    ExpandHeightTo = ExpanderHeightFor(count, itemHeight_);
    if (Expand())
        setFixedHeight(ExpandHeightTo);
}

void TPanelExpander::ClearItems()
{
    items_->Clear();
    list_->hide();
    if (Expand())
        setFixedHeight(TExpanderFigures::EmptyExpandHeight);
    ExpandHeightTo = TExpanderFigures::EmptyExpandHeight;
}

void TPanelExpander::SetItemChecked(int index, bool checked)
{
    items_->FlushAddedRows();
    items_->setData(items_->index(index), checked ? Qt::Checked : Qt::Unchecked, Qt::CheckStateRole);
}

void TPanelExpander::SelectAll()
{
    SetAllChecked(true);
}

void TPanelExpander::ClearAll()
{
    SetAllChecked(false);
}

// The window hears of the command exactly once, naming the last item, even when no item changed.
void TPanelExpander::SetAllChecked(bool checked)
{
    if (ItemCount() == 0)
        return;
    items_->SetAllChecked(checked);
    emit ItemChanged(this, ItemCount() - 1);
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

// Right-button releases over the header and the button come here too: those widgets pass them
// on to their parent. The list opens the menu itself (also from the keyboard's menu key).
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
    list_->resize(width() - TExpanderFigures::ItemWidthInset, list_->height());
}

} // namespace vireo
