#pragma once

#include "viewer/session/MessageRate.h"

#include <QTimer>
#include <QWidget>

#include <memory>
#include <optional>
#include <vector>

namespace vireo {

class MessageListing;
class TraceSession;

// The message-rate strip: a thin histogram of the listed messages over their time stamps, one bar
// per bucket (or per run of buckets when they outnumber the pixels), scaled to the highest. A
// click, or Enter or Space on the current bar (Left, Right, Home and End move it), asks for the
// listed row of the bar's first message. It repaints a few times a second at most while messages
// arrive, and follows the listing only while shown.
class MessageRateStrip : public QWidget {
    Q_OBJECT
public:
    // A hidden strip over the listing of the session's messages.
    MessageRateStrip(const TraceSession& session, const MessageListing& listing, QWidget* parent = nullptr);

    // Shows the strip, counting the listed messages, or hides it and stops counting.
    void SetShown(bool shown);
    // The bars as painted now, earliest first.
    const std::vector<RateBar>& Bars() const { return bars_; }
    // The index of the current bar; -1 when none is.
    int CurrentBar() const { return current_; }

signals:
    // The user chose a bar: the listing's row of its first message.
    void RowChosen(int row);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void Refresh();
    void RefreshNow();
    void Describe();
    void SetCurrent(int bar);
    void Choose(int bar);
    int BarAt(int x) const;
    QRect BarRect(int bar) const;
    int NonEmptyBar(int from, int step) const;

    const TraceSession& session_;
    const MessageListing& listing_;
    std::unique_ptr<MessageRate> rate_; // only while shown
    std::vector<RateBar> bars_;
    int highest_ = 0;
    int current_ = -1;
    std::optional<std::int64_t> currentSecond_; // where the current bar starts, kept across refreshes
    QTimer refresh_; // coalesces the changes of arriving messages into one repaint
};

} // namespace vireo
