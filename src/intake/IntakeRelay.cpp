#include "intake/IntakeRelay.h"

#include "intake/TimeStampText.h"

#include <QElapsedTimer>
#include <QMetaObject>

#include <malloc.h>

#include <stdexcept>

namespace vireo {

namespace {

// A turn of the target's thread stores for about this long before letting the window paint and
// answer input.
constexpr qint64 kShareMilliseconds = 8;
// Messages handed on at once: one batch, one announcement to the views.
constexpr std::size_t kPiece = 2048;
// A queue that held this many leaves pages behind in the bus thread's heap once it is empty.
constexpr std::size_t kTrimAfter = 8192;

std::size_t TextBytes(const TraceArguments& t)
{
    const qsizetype chars = t.ClassName.size() + t.MessageStr.size() + t.MessageGroup.size() + t.ComputerName.size()
        + t.MessageID.size() + t.UnitFileName.size();
    return static_cast<std::size_t>(chars) * sizeof(QChar);
}

} // namespace

IntakeRelay::IntakeRelay(ITraceIntake& target, RelayCapacity capacity, QObject* parent)
    : QObject(parent), target_(&target), capacity_(capacity)
{
}

IntakeRelay::~IntakeRelay()
{
    Close();
}

void IntakeRelay::ReceiveTrace(const QString& ClassName, const QString& MessageStr, int32_t MessageType,
                               const QString& MessageGroup, const QString& ComputerName, const QString& MessageID,
                               const QString& UnitFileName, double MessageDateTime)
{
    TimeStampMillisecond(MessageDateTime); // throws what storing it would, before the client is answered
    std::vector<TraceArguments> one{
        {ClassName, MessageStr, MessageType, MessageGroup, ComputerName, MessageID, UnitFileName, MessageDateTime}};
    Queue(one);
}

std::vector<TraceRefusal> IntakeRelay::ReceiveTraces(const std::vector<TraceArguments>& traces)
{
    std::vector<TraceRefusal> refused;
    std::vector<TraceArguments> good;
    good.reserve(traces.size());
    for (std::size_t i = 0; i < traces.size(); ++i) {
        try {
            TimeStampMillisecond(traces[i].MessageDateTime);
            good.push_back(traces[i]);
        } catch (const std::exception& e) {
            refused.push_back({i, QString::fromUtf8(e.what())});
        }
    }
    Queue(good);
    return refused;
}

void IntakeRelay::Queue(std::vector<TraceArguments>& traces)
{
    std::unique_lock hold(lock_);
    for (TraceArguments& t : traces) {
        const std::size_t bytes = TextBytes(t);
        roomFreed_.wait(hold, [&] {
            return closed_ || queued_.empty()
                || (queued_.size() < 2 * capacity_.Messages && queuedBytes_ + bytes <= 2 * capacity_.TextBytes);
        });
        if (closed_)
            throw std::runtime_error("The viewer is closing");
        queuedBytes_ += bytes;
        queued_.push_back(std::move(t));
        peakQueued_ = std::max(peakQueued_, queued_.size());
        if (!deliveryPosted_) {
            deliveryPosted_ = true;
            QMetaObject::invokeMethod(this, &IntakeRelay::DeliverShare, Qt::QueuedConnection);
        }
    }
}

std::vector<TraceArguments> IntakeRelay::TakeQueued(std::size_t most)
{
    std::vector<TraceArguments> taken;
    {
        std::lock_guard hold(lock_);
        const std::size_t count = std::min(most, queued_.size());
        taken.reserve(count);
        for (std::size_t i = 0; i < count; ++i) {
            queuedBytes_ -= TextBytes(queued_.front());
            taken.push_back(std::move(queued_.front()));
            queued_.pop_front();
        }
        if (queued_.empty())
            deliveryPosted_ = false;
    }
    roomFreed_.notify_all();
    return taken;
}

void IntakeRelay::DeliverShare()
{
    QElapsedTimer spent;
    spent.start();
    while (true) {
        const std::vector<TraceArguments> piece = TakeQueued(kPiece);
        if (!piece.empty())
            target_->ReceiveTraces(piece); // checked when queued: nothing is refused here
        if (piece.size() < kPiece) {
            ReturnFreedMemory(); // the queue ran dry; the next message posts a delivery again
            return;
        }
        if (spent.elapsed() >= kShareMilliseconds)
            break;
    }
    std::lock_guard hold(lock_);
    if (!queued_.empty()) // an emptied queue cleared deliveryPosted_ as it was taken
        QMetaObject::invokeMethod(this, &IntakeRelay::DeliverShare, Qt::QueuedConnection);
}

void IntakeRelay::ReturnFreedMemory()
{
    {
        std::lock_guard hold(lock_);
        if (peakQueued_ < kTrimAfter || !queued_.empty())
            return;
        peakQueued_ = 0;
    }
    // The queued texts were allocated on the bus thread, whose heap keeps their pages for it
    // alone: give them back, or a flood's peak would stay in the viewer's memory for good.
    malloc_trim(0);
}

void IntakeRelay::SetTarget(ITraceIntake& target)
{
    target_ = &target;
}

void IntakeRelay::DeliverAll()
{
    while (true) {
        const std::vector<TraceArguments> piece = TakeQueued(kPiece);
        if (piece.empty())
            return;
        target_->ReceiveTraces(piece);
    }
}

void IntakeRelay::Close()
{
    {
        std::lock_guard hold(lock_);
        closed_ = true;
    }
    roomFreed_.notify_all();
}

std::size_t IntakeRelay::Waiting() const
{
    std::lock_guard hold(lock_);
    return queued_.size();
}

bool IntakeRelay::Crowded() const
{
    std::lock_guard hold(lock_);
    return queued_.size() >= capacity_.Messages || queuedBytes_ >= capacity_.TextBytes;
}

} // namespace vireo
