#include "viewer/session/MessageLogTransfer.h"

#include "components/FileIO.h"
#include "viewer/session/TraceSession.h"

#include <system_error>

namespace vireo {

namespace {

// Messages per piece: taking or formatting one piece keeps a turn of the event loop to about ten
// milliseconds, so posted messages wait no longer than that.
constexpr std::size_t kMessagesPerPiece = 4096;
// Pieces waiting between the threads, at most: bounds what a fast side holds in memory.
constexpr std::size_t kPiecesInFlight = 4;

} // namespace

MessageLogTransfer::MessageLogTransfer(QObject* parent) : QObject(parent)
{
    step_.setSingleShot(true);
    step_.setInterval(0);
    connect(&step_, &QTimer::timeout, this, [this] {
        if (result_ == Outcome::Running)
            Step();
    });
}

MessageLogTransfer::~MessageLogTransfer() = default;

void MessageLogTransfer::StartThread(std::function<void()> work)
{
    thread_ = std::thread(std::move(work));
}

void MessageLogTransfer::StopAndWait()
{
    StopQueue();
    if (thread_.joinable())
        thread_.join();
}

void MessageLogTransfer::Cancel()
{
    if (result_ != Outcome::Running)
        return;
    cancelled_ = true;
    StopQueue();
    ScheduleStep();
}

void MessageLogTransfer::ScheduleStep()
{
    QMetaObject::invokeMethod(this, [this] { step_.start(); }, Qt::QueuedConnection);
}

void MessageLogTransfer::SetProgress(std::uint64_t done, std::uint64_t total)
{
    const int percent = total == 0 ? 0 : static_cast<int>(std::min<std::uint64_t>(100, done * 100 / total));
    if (percent <= percent_)
        return;
    percent_ = percent;
    emit Progressed(percent);
}

void MessageLogTransfer::Conclude(std::exception_ptr failure)
{
    StopAndWait();
    failure_ = failure;
    result_ = failure ? Outcome::Failed : cancelled_ ? Outcome::Cancelled : Outcome::Done;
    emit Finished();
}

MessageLogOpening::MessageLogOpening(TraceSession& session, std::filesystem::path path, QObject* parent)
    : MessageLogTransfer(parent), session_(session), path_(std::move(path)), pieces_(kPiecesInFlight)
{
    std::error_code ignored; // a file that cannot be sized is refused by the reading, which says why
    fileBytes_ = std::filesystem::file_size(path_, ignored);
    if (ignored)
        fileBytes_ = 0;
    connect(&session_, &TraceSession::Cleared, this, &MessageLogTransfer::Cancel);
    StartThread([this] { Read(); });
}

MessageLogOpening::~MessageLogOpening()
{
    StopAndWait();
}

void MessageLogOpening::Read()
{
    std::vector<LoggedMessage> piece;
    const auto handOn = [this, &piece] {
        if (!pieces_.Push(std::move(piece)))
            throw Stopped{};
        piece = {};
        piece.reserve(kMessagesPerPiece);
        ScheduleStep();
    };
    try {
        report_ = OpenMessageLog(
            path_,
            [&](TraceFields&& fields) {
                piece.push_back(LoggedMessage::From(std::move(fields)));
                if (piece.size() >= kMessagesPerPiece)
                    handOn();
            },
            [this](std::uint64_t bytesRead) {
                bytesRead_ = bytesRead;
                if (pieces_.Cancelled())
                    throw Stopped{};
            });
        if (!piece.empty())
            handOn();
    } catch (const Stopped&) {
    } catch (...) {
        readError_ = std::current_exception();
    }
    pieces_.Finish();
    ScheduleStep();
}

void MessageLogOpening::StopQueue()
{
    pieces_.Cancel();
}

void MessageLogOpening::Step()
{
    if (std::optional<std::vector<LoggedMessage>> piece = pieces_.TryPop()) {
        try {
            session_.ReceiveLogged(*piece);
        } catch (...) {
            Conclude(std::current_exception()); // the numbers are spent: nothing more can be stored
            return;
        }
        SetProgress(bytesRead_, fileBytes_);
        ScheduleStep(); // the next piece in the next turn, after what else is waiting
        return;
    }
    if (pieces_.Ended()) {
        StopAndWait(); // the thread has said all it reads: its report and error are final
        Conclude(readError_);
    }
}

MessageLogSaving::MessageLogSaving(TraceSession& session, std::filesystem::path path, std::vector<int> indices,
                                   QObject* parent)
    : MessageLogTransfer(parent), session_(session), path_(std::move(path)), indices_(std::move(indices)),
      toPiece_([this](std::string_view text) { piece_ += text; }), writer_(toPiece_), pieces_(kPiecesInFlight)
{
    connect(&session_, &TraceSession::MessagesDropped, this, [this](int count) { dropped_ += count; });
    connect(&session_, &TraceSession::Cleared, this, &MessageLogTransfer::Cancel);
    StartThread([this] { Write(); });
    ScheduleStep();
}

MessageLogSaving::~MessageLogSaving()
{
    StopAndWait();
}

void MessageLogSaving::Write()
{
    try {
        WriteFileAtomically(path_, [this](const ContentSink& sink) {
            while (std::optional<std::string> piece = pieces_.Pop()) {
                sink(*piece);
                ScheduleStep(); // there is room for the next piece
            }
            if (pieces_.Cancelled())
                throw Stopped{};
        });
    } catch (const Stopped&) {
    } catch (...) {
        writeError_ = std::current_exception();
        pieces_.Cancel(); // the window's side stops formatting
    }
    written_ = true;
    ScheduleStep();
}

void MessageLogSaving::StopQueue()
{
    pieces_.Cancel();
}

void MessageLogSaving::Step()
{
    if (written_) {
        Conclude(writeError_);
        return;
    }
    if (pieces_.Cancelled())
        return; // the thread ends and says so
    if (!piece_.empty()) {
        if (!pieces_.TryPush(piece_))
            return; // full: the thread asks again once it has written a piece
        piece_.clear();
    }
    if (formatted_ == indices_.size()) {
        pieces_.Finish();
        return;
    }
    FormatNextPiece();
    SetProgress(formatted_, indices_.size());
    if (pieces_.TryPush(piece_)) {
        piece_.clear();
        ScheduleStep();
    }
}

void MessageLogSaving::FormatNextPiece()
{
    const MessageStore& store = session_.Store();
    const std::size_t end = std::min(indices_.size(), formatted_ + kMessagesPerPiece);
    for (; formatted_ < end; ++formatted_) {
        const int index = indices_[formatted_] - dropped_;
        if (index >= 0)
            writer_.Write(store.Items(index));
    }
    writer_.Flush();
}

} // namespace vireo
