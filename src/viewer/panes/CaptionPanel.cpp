#include "viewer/panes/CaptionPanel.h"

#include <QPainter>

namespace vireo {

TCaptionPanel::TCaptionPanel(QWidget* parent) : QFrame(parent) {}

void TCaptionPanel::SetCaption(const QString& caption)
{
    caption_ = caption;
    setAccessibleDescription(caption);
    update();
}

void TCaptionPanel::paintEvent(QPaintEvent* event)
{
    QFrame::paintEvent(event);
    QPainter painter(this);
    painter.drawText(rect(), Qt::AlignCenter, caption_);
}

} // namespace vireo
