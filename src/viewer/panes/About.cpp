#include "viewer/panes/About.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include <cmath>
#include <numbers>

namespace vireo {

TAboutAnimation::TAboutAnimation(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Image_Animation"));
    setAccessibleName(QStringLiteral("Vireo in flight"));
    setFixedSize(160, 96);
    timer_.setInterval(80);
    connect(&timer_, &QTimer::timeout, this, [this] {
        frame_ = (frame_ + 1) % kFrames;
        update();
    });
}

void TAboutAnimation::Start()
{
    timer_.start();
}

void TAboutAnimation::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(rect(), QColor(235, 242, 250));
    // The trace line the bird follows.
    const double phase = 2 * std::numbers::pi * frame_ / kFrames;
    QPainterPath trace;
    for (int x = 0; x <= width(); x += 4) {
        const double y = height() - 20 + 6 * std::sin(x / 12.0 - phase);
        x == 0 ? trace.moveTo(x, y) : trace.lineTo(x, y);
    }
    painter.setPen(QPen(QColor(0, 0, 128), 2));
    painter.drawPath(trace);
    // The bird: an olive body with wings beating once per cycle.
    const QPointF body(width() / 2.0, height() / 2.0 - 8);
    const double wing = 18 * std::cos(phase);
    painter.setPen(QPen(QColor(85, 95, 40), 3, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(body, body + QPointF(-22, -wing));
    painter.drawLine(body, body + QPointF(22, -wing));
    painter.setBrush(QColor(120, 130, 60));
    painter.drawEllipse(body, 9, 6);
}

TForm_About::TForm_About(QWidget* owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("Form_About"));
    setWindowTitle(QStringLiteral("About Vireo"));
    setAccessibleName(windowTitle());
    setModal(true);
    Label_Version = new QLabel(QStringLiteral("Version :"), this);
    Label_Version->setObjectName(QStringLiteral("Label_Version"));
    Label_VersionNumber = new QLabel(QString::fromLatin1(kVireoVersion), this);
    Label_VersionNumber->setObjectName(QStringLiteral("Label_VersionNumber"));
    QFont bold = Label_VersionNumber->font();
    bold.setBold(true);
    Label_VersionNumber->setFont(bold);
    QPalette navy = Label_VersionNumber->palette();
    navy.setColor(QPalette::WindowText, QColor(0, 0, 128));
    Label_VersionNumber->setPalette(navy);
    Image_Animation = new TAboutAnimation(this);
    SpeedButton_Close = new QPushButton(QStringLiteral("Close"), this);
    SpeedButton_Close->setObjectName(QStringLiteral("SpeedButton_Close"));
    SpeedButton_Close->setAccessibleName(SpeedButton_Close->text());
    SpeedButton_Close->setFlat(true);
    connect(SpeedButton_Close, &QPushButton::clicked, this, &TForm_About::SpeedButton_CloseClick);

    auto* version = new QHBoxLayout;
    version->addWidget(Label_Version);
    version->addWidget(Label_VersionNumber);
    version->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(version);
    layout->addWidget(Image_Animation, 0, Qt::AlignHCenter);
    layout->addWidget(SpeedButton_Close, 0, Qt::AlignRight);
    layout->setSizeConstraint(QLayout::SetFixedSize); // a fixed dialog border
    adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TForm_About::SpeedButton_CloseClick()
{
    close();
}

} // namespace vireo
