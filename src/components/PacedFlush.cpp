#include "components/PacedFlush.h"

#include <QTimer>

namespace vireo {

TPacedFlush::TPacedFlush(QObject* context, std::function<void()> flush)
    : context_(context), flush_(std::move(flush))
{
}

void TPacedFlush::Request()
{
    if (waiting_)
        return;
    waiting_ = true;
    const qint64 elapsed = sinceFlush_.isValid() ? sinceFlush_.elapsed() : PauseMs;
    const int wait = elapsed >= PauseMs ? 0 : static_cast<int>(PauseMs - elapsed);
    QTimer::singleShot(wait, context_, [this] { FlushNow(); });
}

void TPacedFlush::FlushNow()
{
    if (!waiting_)
        return;
    waiting_ = false;
    sinceFlush_.start();
    flush_();
}

} // namespace vireo
