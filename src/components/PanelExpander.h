#pragma once

#include "components/ObjectList.h"

#include <QCheckBox>
#include <QFrame>
#include <QPointer>

#include <string>
#include <string_view>
#include <unordered_map>

class QLabel;
class QToolButton;

namespace vireo {

// One entry of an expander: its check box (caption and state) and the hidden value by which
// the owner finds it again. Frees its check box.
class TMultiObj {
public:
    // An entry owning checkBox, found by value.
    TMultiObj(QCheckBox* checkBox, std::string value);
    // Frees the check box once the current event has been handled.
    ~TMultiObj();
    TMultiObj(const TMultiObj&) = delete;
    TMultiObj& operator=(const TMultiObj&) = delete;

    // The entry's check box.
    QCheckBox* CheckBox() const { return checkBox_; }
    // The entry's value.
    const std::string& Value() const { return value_; }

private:
    QPointer<QCheckBox> checkBox_;
    std::string value_;
};

// A collapsible panel: a header strip with a caption and a "+"/"-" button, and below it a
// column of check boxes, one per filter value. Every change of a check box is reported through
// ItemChanged, synchronously.
class TPanelExpander : public QFrame {
    Q_OBJECT
public:
    // A collapsed panel, 25 pixels high, without items.
    explicit TPanelExpander(QWidget* parent = nullptr);
    // Frees the items and their check boxes.
    ~TPanelExpander() override;

    // Text of the header strip (also the panel's accessible name).
    QString Caption() const;
    void SetCaption(const QString& caption);

    // Whether the panel is expanded; setting it to the other state toggles the panel.
    bool Expand() const;
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

    // Adds a check box with a caption and a value, first when atTop is set, else last, and
    // lays the check boxes out at leftMargin. Raises no ItemChanged.
    void AddItem(int leftMargin, const QString& caption, std::string value, bool checked, bool atTop);
    // Removes every item; raises no ItemChanged.
    void ClearItems();
    // Number of items.
    int ItemCount() const { return items_.Count(); }
    // The item at index (0 .. ItemCount() - 1).
    const TMultiObj& Item(int index) const { return items_.Items(index); }
    // Index of the first item whose value equals value exactly, or -1.
    int IndexOfValue(std::string_view value) const;
    // Checked state of an item; false for an index outside the items.
    bool IsItemChecked(int index) const;
    // Checks (unchecks) every item and raises ItemChanged once, naming the last check box.
    void SelectAll();
    void ClearAll();
    // Expands a collapsed panel, collapses an expanded one.
    void ToggleExpand();

signals:
    // A check box of this panel changed state (or SelectAll / ClearAll ran).
    void ItemChanged(vireo::TPanelExpander* panel, QCheckBox* checkBox);

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void LayoutItems(int leftMargin);
    void SetAllChecked(bool checked);
    void CheckBoxToggled(QCheckBox* checkBox);
    void ShowItemMenu(const QPoint& globalPosition);
    void IndexValues();

    QLabel* header_;
    QToolButton* button_;
    TObjectList<TMultiObj> items_;
    std::unordered_map<std::string_view, int> firstIndexOfValue_;
    bool notificationsEnabled_ = true;
    bool notified_ = false;
};

} // namespace vireo
