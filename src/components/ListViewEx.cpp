#include "components/ListViewEx.h"

#include "components/ListViewExSort.h"
#include "components/ListViewExSortMark.h"

#include <QAccessible>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QItemSelection>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>

#include <algorithm>
#include <chrono>
#include <stdexcept>

namespace vireo {

TListViewExTag::TListViewExTag(QWidget* parent) : QWidget(parent)
{
    setAccessibleName(QStringLiteral("Sort mark"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    resize(0, 0);
}

void TListViewExTag::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QPoint corners[] = {{0, 0}, {width(), 0}, {width(), height()}};
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    painter.drawPolygon(corners, 3);
}

namespace {

int64_t MillisecondsSinceStart()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

} // namespace

TListViewEx::TListViewEx(QWidget* parent) : QTreeView(parent), tickSource_(MillisecondsSinceStart)
{
    setAccessibleName(QStringLiteral("List"));
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setSortingEnabled(false);
    setAllColumnsShowFocus(true);
    setSelectionBehavior(SelectRows);
    setSelectionMode(SingleSelection);
    SetReadOnly(false);

    QHeaderView* columns = header();
    columns->setAccessibleName(QStringLiteral("Column headers"));
    columns->setSectionsClickable(true);
    columns->setSectionsMovable(false);
    columns->setMinimumSectionSize(0);
    columns->setStretchLastSection(false);
    columns->setSortIndicatorShown(false);
    columns->viewport()->installEventFilter(this);
    connect(columns, &QHeaderView::sectionClicked, this, &TListViewEx::HeaderClicked);
    connect(columns, &QHeaderView::sectionResized, this, &TListViewEx::UpdateSortMark);
    connect(columns, &QHeaderView::sectionCountChanged, this, &TListViewEx::UpdateSortMark);
    connect(columns, &QHeaderView::geometriesChanged, this, &TListViewEx::UpdateSortMark);
    connect(horizontalScrollBar(), &QScrollBar::valueChanged, this, &TListViewEx::UpdateSortMark);

    UpdateSortMark();
}

void TListViewEx::setModel(QAbstractItemModel* model)
{
    auto* listModel = qobject_cast<TListViewExModel*>(model);
    if (model && !listModel)
        throw std::invalid_argument("TListViewEx shows TListViewExModel rows only");
    if (model_)
        disconnect(model_, nullptr, this, nullptr);
    model_ = listModel;
    QTreeView::setModel(model);
    if (model_)
        connect(model_, &QAbstractItemModel::columnsInserted, this, &TListViewEx::ColumnsInserted);
    UpdateSortMark();
}

void TListViewEx::HeaderClicked(int column)
{
    if (!model_ || !model_->SortsBy(column))
        return;
    model_->FlushAppendedRows();
    if (model_->rowCount() > 0)
        SortByColumn(column);
}

void TListViewEx::SortByColumn(int column)
{
    if (!model_ || column < 0)
        return;
    model_->FlushAppendedRows();
    sortAscending_ = column == sortColumn_ ? !sortAscending_ : true;
    sortColumn_ = column;

    const int count = model_->rowCount();
    const std::vector<int> order = ColumnSortOrder(
        count, sortAscending_, [this, column](int row) { return model_->SortKey(row, column); });

    std::vector<int> newPosition(order.size());
    for (std::size_t position = 0; position < order.size(); ++position)
        newPosition[static_cast<std::size_t>(order[position])] = static_cast<int>(position);
    std::vector<int> selected;
    for (const QModelIndex& index : selectionModel()->selectedRows())
        selected.push_back(newPosition[static_cast<std::size_t>(index.row())]);

    model_->PermuteRows(order);
    SelectMovedRows(selected);

    UpdateSortMark();
    if (const int row = SelectedRow(); row >= 0)
        scrollTo(model_->index(row, 0), EnsureVisible);
    if (OnAfterSort) {
        int sorted = column;
        OnAfterSort(*this, sorted);
    }
}

void TListViewEx::SelectMovedRows(const std::vector<int>& rows)
{
    std::vector<int> sorted = rows;
    std::sort(sorted.begin(), sorted.end());
    QItemSelection selection;
    const int lastColumn = std::max(0, model_->columnCount() - 1);
    for (std::size_t first = 0; first < sorted.size();) {
        std::size_t last = first;
        while (last + 1 < sorted.size() && sorted[last + 1] == sorted[last] + 1)
            ++last;
        selection.select(model_->index(sorted[first], 0), model_->index(sorted[last], lastColumn));
        first = last + 1;
    }
    selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
}

int TListViewEx::SelectedRow() const
{
    if (!selectionModel())
        return -1;
    int lowest = -1;
    for (const QItemSelectionRange& range : selectionModel()->selection())
        if (lowest < 0 || range.top() < lowest)
            lowest = range.top();
    return lowest;
}

void TListViewEx::SelectRow(int row)
{
    if (!model_ || row < 0 || row >= model_->rowCount())
        return;
    const QModelIndex index = model_->index(row, 0);
    selectionModel()->setCurrentIndex(
        index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    scrollTo(index, EnsureVisible);
}

void TListViewEx::SetReadOnly(bool readOnly)
{
    setEditTriggers(readOnly ? NoEditTriggers : EditKeyPressed | SelectedClicked);
}

void TListViewEx::keyboardSearch(const QString& search)
{
    const int selected = SelectedRow();
    if (!model_ || selected < 0 || search.isEmpty())
        return;
    const QByteArray typed = search.toUtf8();
    const std::string_view text = typeAhead_.Type(
        std::string_view(typed.constData(), static_cast<std::size_t>(typed.size())), tickSource_());
    const int column = sortColumn_;
    const int found = FindRowByPrefix(selected, model_->rowCount(), text,
                                      [this, column](int row) { return model_->SortKey(row, column); });
    if (found >= 0)
        SelectRow(found);
}

void TListViewEx::doItemsLayout()
{
    QElapsedTimer timer;
    timer.start();
    QTreeView::doItemsLayout();
    if (model_)
        model_->NoteLayoutCost(timer.nsecsElapsed());
}

void TListViewEx::dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight, const QList<int>& roles)
{
    constexpr int kRowsMeasured = 256;
    if (bottomRight.row() - topLeft.row() < kRowsMeasured || state() == EditingState) {
        QTreeView::dataChanged(topLeft, bottomRight, roles);
        return;
    }
    viewport()->update(); // rows are of one height: nothing to measure
    if (QAccessible::isActive()) {
        QAccessibleTableModelChangeEvent changed(this, QAccessibleTableModelChangeEvent::DataChanged);
        changed.setFirstRow(topLeft.row());
        changed.setFirstColumn(topLeft.column());
        changed.setLastRow(bottomRight.row());
        changed.setLastColumn(bottomRight.column());
        QAccessible::updateAccessibility(&changed);
    }
}

void TListViewEx::UpdateSortMark()
{
    if (!mark_) {
        mark_ = new TListViewExTag(this);
        mark_->hide();
    }
    const QHeaderView* columns = header();
    if (columns->count() == 0)
        return;

    TSortMarkInput in;
    in.listWidth = width();
    in.scrollBarWidth = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    for (int column = 0; column <= sortColumn_ && column < columns->count(); ++column)
        in.sortColumnRight += columns->sectionSize(column);
    in.sortColumnWidth = sortColumn_ < columns->count() ? columns->sectionSize(sortColumn_) : 0;
    in.horizontalScroll = columns->offset();
    in.markWidth = mark_->width();

    const TSortMarkPlace place = PlaceSortMark(in);
    if (!place.placed) {
        mark_->hide();
        return;
    }
    mark_->setGeometry(place.left, place.top, place.size, place.size);
    mark_->raise();
    mark_->setVisible(place.visible);
}

void TListViewEx::DestroySortMark()
{
    delete mark_.data();
    mark_ = nullptr;
}

void TListViewEx::ColumnsInserted()
{
    DestroySortMark();
    setSelectionBehavior(SelectRows);
}

bool TListViewEx::eventFilter(QObject* watched, QEvent* event)
{
    const QHeaderView* columns = header();
    if (watched == columns->viewport() && columns->count() > 0) {
        if (event->type() == QEvent::MouseButtonPress) {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            const int x = mouse->position().toPoint().x();
            const int grip = style()->pixelMetric(QStyle::PM_HeaderGripMargin, nullptr, columns);
            for (int column = 0; column < columns->count() && !headerTracking_; ++column) {
                const int edge = columns->sectionViewportPosition(column) + columns->sectionSize(column);
                headerTracking_ = mouse->button() == Qt::LeftButton && std::abs(x - edge) <= grip;
            }
            if (headerTracking_) {
                DestroySortMark();
                UpdateSortMark();
            }
        } else if (event->type() == QEvent::MouseButtonRelease && headerTracking_) {
            headerTracking_ = false;
            UpdateSortMark();
        }
    }
    return QTreeView::eventFilter(watched, event);
}

void TListViewEx::paintEvent(QPaintEvent* event)
{
    QElapsedTimer timer;
    timer.start();
    QTreeView::paintEvent(event);
    if (model_)
        model_->NotePaintCost(timer.nsecsElapsed());
}

void TListViewEx::resizeEvent(QResizeEvent* event)
{
    QTreeView::resizeEvent(event);
    UpdateSortMark();
}

} // namespace vireo
