#pragma once

#include <QFrame>
#include <QPointer>

#include <vector>

class QScrollBar;

namespace vireo {

class TPanelExpander;

// The inner panel of a group: stacks its expander panels from the top in the order they were
// added and asks the group for a new layout whenever a panel is added, removed or resized.
class TContainerPanel : public QFrame {
    Q_OBJECT
public:
    // An empty borderless container.
    explicit TContainerPanel(QWidget* parent = nullptr);

    // Moves a panel in, below the others.
    void AddPanel(TPanelExpander* panel);
    // The panels, from the top.
    std::vector<TPanelExpander*> Panels() const;
    // Sum of the panels' heights.
    int PanelsHeight() const;

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void DockPanels();
    void RequestGroupLayout();

    std::vector<QPointer<TPanelExpander>> panels_;
};

// A scrolling group of expander panels. From its first showing on, the panels stand in its
// container, which moves up and down beside a vertical scroll bar when the panels are taller
// than the group. Layout requests are handled after the current event.
class TGroupPanelExp : public QFrame {
    Q_OBJECT
public:
    // An empty group whose scroll bar is hidden until the panels outgrow it.
    explicit TGroupPanelExp(QWidget* parent = nullptr);

    // Asks for the layout to be recomputed once the current event has been handled.
    void RequestLayout();
    // Puts a panel into the group, below the others.
    void AddPanel(TPanelExpander* panel);

    // The container that holds the panels.
    TContainerPanel* Container() const { return container_; }
    // The vertical scroll bar.
    QScrollBar* ScrollBar() const { return scrollBar_; }

protected:
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void TakeInPanels();
    void LayoutPanels();
    void ScrollActionTriggered(int action);

    TContainerPanel* container_;
    QScrollBar* scrollBar_;
    bool shown_ = false;
};

} // namespace vireo
