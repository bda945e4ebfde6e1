#pragma once

#include "components/PanelExpanderItems.h"

#include <QFrame>

#include <string>
#include <string_view>

class QLabel;
class QListView;
class QToolButton;

namespace vireo {

// A collapsible panel: a header strip with a caption and a "+"/"-" button, and below it a list
// of checkable entries, one per filter value (TExpanderItems shown by a list view, which scrolls
// once there are more than TExpanderFigures::MostRowsShown). Every change of an entry's check
// state by the user, and every SelectAll or ClearAll, is reported through ItemChanged,
// synchronously.
class TPanelExpander : public QFrame {
    Q_OBJECT
public:
    // A collapsed panel, 25 pixels high, without items.
    explicit TPanelExpander(QWidget* parent = nullptr);

    // Text of the header strip (also the panel's accessible name).
    QString Caption() const;
    // Sets the header's text and the accessible names that carry it.
    void SetCaption(const QString& caption);

    // Whether the panel is expanded.
    bool Expand() const;
    // Toggles the panel when expand differs from its state.
    void SetExpand(bool expand);
    // Applies Expand as stored with a window's description: only a true value acts, and it
    // leaves the panel collapsed again when CollapseAtRunTime is set.
    void ApplyStoredExpand(bool expand);

    // Height of the panel when expanded; recomputed whenever the items are laid out.
    int ExpandHeightTo = 100;
    // Whether a stored expanded state starts collapsed.
    bool CollapseAtRunTime = true;
    // Whether a right-button release over the panel opens the item menu.
    bool EnablePopupMenu = true;

    // Adds an entry with a caption and a value, first when atTop is set, else last, with the
    // list at leftMargin. Raises no ItemChanged.
    void AddItem(int leftMargin, const QString& caption, std::string value, bool checked, bool atTop);
    // Removes every item; raises no ItemChanged.
    void ClearItems();
    // Number of items.
    int ItemCount() const { return items_->Count(); }
    // The item at index (0 .. ItemCount() - 1).
    const TMultiObj& Item(int index) const { return items_->Item(index); }
    // Index of the first item whose value equals value exactly, or -1.
    int IndexOfValue(std::string_view value) const { return items_->IndexOfValue(value); }
    // Checked state of an item; false for an index outside the items.
    bool IsItemChecked(int index) const { return items_->IsChecked(index); }
    // Sets an item's state as the user's click does: ItemChanged follows when it changed.
    void SetItemChecked(int index, bool checked);
    // Checks (unchecks) every item and raises ItemChanged once, naming the last item.
    void SelectAll();
    // Unchecks every item and raises ItemChanged once, naming the last item.
    void ClearAll();
    // Expands a collapsed panel, collapses an expanded one.
    void ToggleExpand();
    // The list view showing the entries.
    QListView* ListView() const { return list_; }
    // The entries as the list view's model.
    TExpanderItems* Items() const { return items_; }

signals:
    // The check state of the item at index changed (or SelectAll / ClearAll ran).
    void ItemChanged(vireo::TPanelExpander* panel, int index);

protected:
    // Opens the item menu on a right-button release.
    void mouseReleaseEvent(QMouseEvent* event) override;
    // Keeps the header and the list as wide as the panel.
    void resizeEvent(QResizeEvent* event) override;

private:
    void LayoutItems();
    void SetAllChecked(bool checked);
    void ShowItemMenu(const QPoint& globalPosition);

    QLabel* header_;
    QToolButton* button_;
    TExpanderItems* items_;
    QListView* list_;
    int leftMargin_ = 10;
    int itemHeight_;
};

} // namespace vireo
