#include "viewer/panes/ViewerImages.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <cmath>
#include <functional>

namespace vireo {

namespace {

QIcon Draw(const std::function<void(QPainter&)>& paint)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    paint(painter);
    painter.end();
    return QIcon(pixmap);
}

void AlarmClock(QPainter& p)
{
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(QColor(230, 40, 40));
    p.drawEllipse(QPointF(4, 3), 2.5, 2.5);
    p.drawEllipse(QPointF(12, 3), 2.5, 2.5);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(8, 9), 6, 6);
    p.drawLine(QPointF(8, 9), QPointF(8, 5));
    p.drawLine(QPointF(8, 9), QPointF(11, 10));
}

void PointingHand(QPainter& p)
{
    p.setPen(QPen(QColor(120, 80, 40), 1));
    p.setBrush(QColor(250, 215, 170));
    p.drawRoundedRect(QRectF(1, 6, 8, 8), 2, 2);   // fist
    p.drawRoundedRect(QRectF(7, 6, 8, 3), 1.5, 1.5); // pointing finger
}

void BlueArrow(QPainter& p)
{
    QPainterPath arrow;
    arrow.moveTo(2, 6);
    arrow.lineTo(8, 6);
    arrow.lineTo(8, 2);
    arrow.lineTo(14, 8);
    arrow.lineTo(8, 14);
    arrow.lineTo(8, 10);
    arrow.lineTo(2, 10);
    arrow.closeSubpath();
    p.setPen(QPen(QColor(0, 0, 120), 1));
    p.setBrush(QColor(40, 90, 230));
    p.drawPath(arrow);
}

void LightBulb(QPainter& p)
{
    p.setPen(QPen(QColor(255, 200, 0), 1));
    for (int ray = 0; ray < 8; ++ray) {
        const double angle = ray * M_PI / 4;
        p.drawLine(QPointF(8 + 5.5 * std::cos(angle), 6 + 5.5 * std::sin(angle)),
                   QPointF(8 + 7.5 * std::cos(angle), 6 + 7.5 * std::sin(angle)));
    }
    p.setPen(QPen(QColor(150, 110, 0), 1));
    p.setBrush(QColor(255, 240, 80));
    p.drawEllipse(QPointF(8, 6), 4, 4);
    p.setBrush(QColor(150, 150, 150));
    p.drawRect(QRectF(6, 10, 4, 4));
}

void InfoOctagon(QPainter& p)
{
    QPolygonF octagon;
    for (int corner = 0; corner < 8; ++corner) {
        const double angle = M_PI / 8 + corner * M_PI / 4;
        octagon << QPointF(8 + 7.3 * std::cos(angle), 8 + 7.3 * std::sin(angle));
    }
    p.setPen(QPen(QColor(0, 0, 100), 1));
    p.setBrush(QColor(30, 80, 200));
    p.drawPolygon(octagon);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(8, 4.5), 1.3, 1.3);
    p.drawRect(QRectF(7, 7, 2, 6));
}

void Ambulance(QPainter& p)
{
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(1, 5, 10, 7));  // body
    p.drawRect(QRectF(11, 7, 4, 5));  // cab
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(220, 0, 0));
    p.drawRect(QRectF(5, 6.5, 2, 4)); // cross
    p.drawRect(QRectF(4, 7.5, 4, 2));
    p.setBrush(QColor(0, 120, 255));
    p.drawRect(QRectF(5, 2, 3, 3));   // flashing light
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(QColor(60, 60, 60));
    p.drawEllipse(QPointF(4, 13), 1.8, 1.8);
    p.drawEllipse(QPointF(12, 13), 1.8, 1.8);
}

void ProhibitionSign(QPainter& p)
{
    p.setPen(QPen(QColor(210, 0, 0), 2.4));
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(8, 8), 6, 6);
    p.drawLine(QPointF(4, 4), QPointF(12, 12));
}

void RedTick(QPainter& p)
{
    p.setPen(QPen(QColor(220, 0, 0), 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(QPolygonF({QPointF(2, 8), QPointF(6, 13), QPointF(14, 3)}));
}

} // namespace

QList<QIcon> ViewerImages::TreeImages()
{
    return {Draw(AlarmClock), Draw(PointingHand), Draw(BlueArrow), Draw(LightBulb),
            Draw(InfoOctagon), Draw(Ambulance), Draw(ProhibitionSign)};
}

QList<QIcon> ViewerImages::MessageTypeImages()
{
    return {Draw(LightBulb), Draw(InfoOctagon), Draw(Ambulance), Draw(ProhibitionSign)};
}

QIcon ViewerImages::KeyMarkImage()
{
    return Draw(RedTick);
}

} // namespace vireo
