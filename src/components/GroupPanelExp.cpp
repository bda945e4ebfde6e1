#include "components/GroupPanelExp.h"

#include "components/PanelExpander.h"
#include "components/PanelExpanderLayout.h"

#include <QCoreApplication>
#include <QEvent>
#include <QScrollBar>
#include <QStyle>

#include <algorithm>

namespace vireo {

TContainerPanel::TContainerPanel(QWidget* parent) : QFrame(parent)
{
    setFrameShape(QFrame::NoFrame);
    setAccessibleName(QStringLiteral("Filter panel container"));
}

void TContainerPanel::AddPanel(TPanelExpander* panel)
{
    panel->setParent(this);
    panels_.emplace_back(panel);
    panel->installEventFilter(this);
    panel->show();
    DockPanels();
}

std::vector<TPanelExpander*> TContainerPanel::Panels() const
{
    std::vector<TPanelExpander*> panels;
    for (const auto& panel : panels_)
        if (panel)
            panels.push_back(panel);
    return panels;
}

int TContainerPanel::PanelsHeight() const
{
    int height = 0;
    for (const TPanelExpander* panel : Panels())
        height += panel->height();
    return height;
}

void TContainerPanel::DockPanels()
{
    int top = 0;
    for (TPanelExpander* panel : Panels()) {
        panel->setGeometry(0, top, width(), panel->height());
        top += panel->height();
    }
}

void TContainerPanel::RequestGroupLayout()
{
    if (parentWidget())
        QCoreApplication::postEvent(parentWidget(), new QEvent(QEvent::LayoutRequest));
}

bool TContainerPanel::event(QEvent* event)
{
    const bool handled = QFrame::event(event);
    switch (event->type()) {
    case QEvent::ChildRemoved:
        std::erase_if(panels_, [this](const QPointer<TPanelExpander>& panel) {
            return !panel || panel->parentWidget() != this;
        });
        DockPanels();
        RequestGroupLayout();
        break;
    case QEvent::ChildAdded:
    case QEvent::LayoutRequest:
        RequestGroupLayout();
        break;
    case QEvent::Resize:
        DockPanels();
        break;
    default:
        break;
    }
    return handled;
}

bool TContainerPanel::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Resize && watched->parent() == this) {
        DockPanels();
        RequestGroupLayout();
    }
    return QFrame::eventFilter(watched, event);
}

TGroupPanelExp::TGroupPanelExp(QWidget* parent)
    : QFrame(parent), container_(new TContainerPanel(this)), scrollBar_(new QScrollBar(Qt::Vertical, this))
{
    setFrameShape(QFrame::NoFrame);
    setAccessibleName(QStringLiteral("Filter panels"));
    scrollBar_->setAccessibleName(QStringLiteral("Scroll filter panels"));
    scrollBar_->setSingleStep(TGroupScrollSteps::Line);
    scrollBar_->setPageStep(TGroupScrollSteps::Page);
    scrollBar_->setRange(0, 0);
    scrollBar_->hide();
    connect(scrollBar_, &QScrollBar::valueChanged, this, [this](int position) { container_->move(0, -position); });
    connect(scrollBar_, &QScrollBar::actionTriggered, this, &TGroupPanelExp::ScrollActionTriggered);
}

void TGroupPanelExp::RequestLayout()
{
    QCoreApplication::postEvent(this, new QEvent(QEvent::LayoutRequest));
}

void TGroupPanelExp::AddPanel(TPanelExpander* panel)
{
    container_->AddPanel(panel);
}

bool TGroupPanelExp::event(QEvent* event)
{
    const bool handled = QFrame::event(event);
    if (event->type() == QEvent::Show && !shown_) {
        shown_ = true;
        TakeInPanels();
        RequestLayout();
    } else if (event->type() == QEvent::LayoutRequest && shown_) {
        LayoutPanels();
    }
    return handled;
}

// Panels made with the group as their parent move into the container, keeping their order
// from the top.
void TGroupPanelExp::TakeInPanels()
{
    std::vector<TPanelExpander*> panels;
    for (QObject* child : children())
        if (auto* panel = qobject_cast<TPanelExpander*>(child))
            panels.push_back(panel);
    std::stable_sort(panels.begin(), panels.end(),
                     [](const TPanelExpander* a, const TPanelExpander* b) { return a->y() < b->y(); });
    for (TPanelExpander* panel : panels)
        container_->AddPanel(panel);
}

void TGroupPanelExp::LayoutPanels()
{
    const int scrollBarWidth = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    const TGroupPlacement placement =
        PlaceGroupContainer(container_->PanelsHeight(), width(), height(), scrollBarWidth);
    scrollBar_->setGeometry(width() - scrollBarWidth, 0, scrollBarWidth, height());
    scrollBar_->setVisible(placement.scrollBarVisible);
    container_->resize(placement.containerWidth, placement.containerHeight);
    scrollBar_->setRange(0, placement.scrollMaximum);
    // A shrunken range has already pulled the position in; the container follows it.
    container_->move(0, placement.scrollBarVisible ? -scrollBar_->value() : 0);
}

void TGroupPanelExp::resizeEvent(QResizeEvent* event)
{
    QFrame::resizeEvent(event);
    const int scrollBarWidth = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    scrollBar_->setGeometry(width() - scrollBarWidth, 0, scrollBarWidth, height());
    container_->resize(width() - scrollBarWidth, height() - 1);
}

// Moves to the top or the bottom are not scroll steps of this group.
void TGroupPanelExp::ScrollActionTriggered(int action)
{
    if (action == QAbstractSlider::SliderToMinimum || action == QAbstractSlider::SliderToMaximum)
        scrollBar_->setSliderPosition(scrollBar_->value());
}

} // namespace vireo
