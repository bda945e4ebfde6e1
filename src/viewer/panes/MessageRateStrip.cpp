#include "viewer/panes/MessageRateStrip.h"

#include "viewer/session/MessageListing.h"

#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <QToolTip>

#include <algorithm>

namespace vireo {

namespace {

constexpr int kStripHeight = 40;
// Arrivals repaint the strip at most this often.
constexpr int kRefreshMilliseconds = 250;

} // namespace

MessageRateStrip::MessageRateStrip(const TraceSession& session, const MessageListing& listing, QWidget* parent)
    : QWidget(parent), session_(session), listing_(listing)
{
    setObjectName(QStringLiteral("MessageRateStrip"));
    setAccessibleName(QStringLiteral("Message Rate"));
    setFocusPolicy(Qt::StrongFocus);
    setFixedHeight(kStripHeight);
    refresh_.setSingleShot(true);
    refresh_.setInterval(kRefreshMilliseconds);
    connect(&refresh_, &QTimer::timeout, this, &MessageRateStrip::Refresh);
    hide();
}

void MessageRateStrip::SetShown(bool shown)
{
    if (shown && !rate_) {
        rate_ = std::make_unique<MessageRate>(session_, listing_);
        connect(rate_.get(), &MessageRate::Changed, this, [this] {
            if (!refresh_.isActive())
                refresh_.start();
        });
        Refresh();
    } else if (!shown && rate_) {
        rate_.reset();
        refresh_.stop();
        Refresh();
    }
    setVisible(shown);
}

void MessageRateStrip::Refresh()
{
    bars_ = rate_ ? rate_->Bars(std::max(width(), 1)) : std::vector<RateBar>();
    highest_ = 0;
    current_ = -1;
    for (int bar = 0; bar < static_cast<int>(bars_.size()); ++bar) {
        const RateBar& at = bars_[static_cast<std::size_t>(bar)];
        highest_ = std::max(highest_, at.Count);
        if (currentSecond_ && at.Start <= *currentSecond_ && *currentSecond_ < at.Start + at.Seconds)
            current_ = bar;
    }
    Describe();
    update();
}

void MessageRateStrip::RefreshNow()
{
    // A choice reads the bars as the listing stands: store indices move when messages are dropped.
    if (refresh_.isActive()) {
        refresh_.stop();
        Refresh();
    }
}

void MessageRateStrip::Describe()
{
    const QString text = current_ < 0 ? QString()
                                      : QString::fromStdString(RateBarText(bars_[static_cast<std::size_t>(current_)]));
    if (text != accessibleDescription())
        setAccessibleDescription(text);
}

void MessageRateStrip::SetCurrent(int bar)
{
    if (bar < 0)
        return;
    current_ = bar;
    currentSecond_ = bars_[static_cast<std::size_t>(bar)].Start;
    Describe();
    update();
}

void MessageRateStrip::Choose(int bar)
{
    if (bar < 0 || bars_[static_cast<std::size_t>(bar)].Count == 0)
        return;
    if (const int row = listing_.RowOf(bars_[static_cast<std::size_t>(bar)].FirstStoreIndex); row >= 0)
        emit RowChosen(row);
}

int MessageRateStrip::BarAt(int x) const
{
    const int count = static_cast<int>(bars_.size());
    if (count == 0 || x < 0 || x >= width())
        return -1;
    return std::min(count - 1, static_cast<int>(static_cast<long long>(x) * count / width()));
}

QRect MessageRateStrip::BarRect(int bar) const
{
    const long long count = static_cast<long long>(bars_.size());
    const int left = static_cast<int>(bar * width() / count);
    const int right = static_cast<int>((bar + 1LL) * width() / count);
    return QRect(left, 0, std::max(right - left, 1), height());
}

int MessageRateStrip::NonEmptyBar(int from, int step) const
{
    for (int bar = from; bar >= 0 && bar < static_cast<int>(bars_.size()); bar += step)
        if (bars_[static_cast<std::size_t>(bar)].Count > 0)
            return bar;
    return -1;
}

bool MessageRateStrip::event(QEvent* event)
{
    if (event->type() != QEvent::ToolTip)
        return QWidget::event(event);
    const auto* help = static_cast<QHelpEvent*>(event);
    if (const int bar = BarAt(help->pos().x()); bar >= 0)
        QToolTip::showText(help->globalPos(), QString::fromStdString(RateBarText(bars_[static_cast<std::size_t>(bar)])),
                           this, BarRect(bar));
    else
        QToolTip::hideText();
    return true;
}

void MessageRateStrip::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Base));
    const int room = height() - 2; // the tallest bar leaves a line free above it
    for (int bar = 0; bar < static_cast<int>(bars_.size()); ++bar) {
        const int count = bars_[static_cast<std::size_t>(bar)].Count;
        if (count == 0)
            continue;
        QRect shape = BarRect(bar);
        const int tall = std::max(1, static_cast<int>(static_cast<long long>(count) * room / highest_));
        shape.setTop(shape.bottom() - tall + 1);
        painter.fillRect(shape, palette().color(bar == current_ ? QPalette::Highlight : QPalette::Dark));
    }
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = current_ >= 0 ? BarRect(current_) : rect();
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
}

void MessageRateStrip::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    RefreshNow();
    const int bar = BarAt(event->position().toPoint().x());
    SetCurrent(bar);
    Choose(bar);
}

void MessageRateStrip::keyPressEvent(QKeyEvent* event)
{
    RefreshNow();
    const int last = static_cast<int>(bars_.size()) - 1;
    switch (event->key()) {
    case Qt::Key_Left:
        SetCurrent(NonEmptyBar(current_ < 0 ? last : current_ - 1, -1));
        break;
    case Qt::Key_Right:
        SetCurrent(NonEmptyBar(current_ < 0 ? 0 : current_ + 1, 1));
        break;
    case Qt::Key_Home:
        SetCurrent(NonEmptyBar(0, 1));
        break;
    case Qt::Key_End:
        SetCurrent(NonEmptyBar(last, -1));
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        Choose(current_);
        break;
    default:
        QWidget::keyPressEvent(event);
    }
}

void MessageRateStrip::focusInEvent(QFocusEvent* event)
{
    // The keyboard starts at the latest messages.
    if (current_ < 0) {
        RefreshNow();
        SetCurrent(NonEmptyBar(static_cast<int>(bars_.size()) - 1, -1));
    }
    QWidget::focusInEvent(event);
}

void MessageRateStrip::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    Refresh(); // as many bars as fit the new width
}

} // namespace vireo
