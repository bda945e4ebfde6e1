#pragma once

#include "components/FileIO.h"
#include "intake/TraceInfo.h"
#include "viewer/session/MessageStore.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace vireo {

// A message log is JSON Lines: a first line {"format":"vireo-log","version":1}, then one object
// per message with the eight fields under their contract names, MessageDateTime the automation
// date as a JSON number (shortest text that reads back to the same double), plus SequenceNumber
// and MessageDateTimeISO (the time stamp as ISO 8601 local time with milliseconds, for readers
// such as jq; opening ignores it, as it ignores every field it does not know).

// Format name and version written in a log's first line; logs of a higher version are refused.
inline constexpr std::string_view kMessageLogFormat = "vireo-log";
inline constexpr int kMessageLogVersion = 1;
// Opening refuses a larger file, and skips a longer line, rather than exhaust memory.
inline constexpr std::uint64_t kMaxMessageLogBytes = std::uint64_t{8} << 30;
// The line limit is far above any message the bus can carry, even with every byte escaped.
inline constexpr std::size_t kMaxMessageLogLineBytes = std::size_t{1} << 30;
// How many skipped line numbers a report lists.
inline constexpr std::size_t kListedSkippedLines = 10;

// A log that cannot be opened at all (not a log of this format, or of a newer version).
class MessageLogError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Writes the header and then the line of each message handed to it, through a sink, buffered.
class MessageLogWriter {
public:
    // Writes the header at once.
    explicit MessageLogWriter(const ContentSink& sink);
    // Writes one message's line.
    void Write(const TTraceInfo& message);
    // Hands on what is still buffered; call once at the end.
    void Flush();

private:
    const ContentSink& sink_;
    std::string buffer_;
};

// What opening a log did besides the messages it handed on.
struct MessageLogReport {
    std::int64_t Messages = 0;              // messages handed on
    std::int64_t SkippedLines = 0;          // lines that were not a message
    std::vector<std::int64_t> FirstSkipped; // their numbers (1 for the first line), the first few
};

// Reads a log from pieces of any size and hands on each message line as the fields of a message
// (views valid during the call; MessageDate and MessageTime empty). Lines that are not a message,
// including one cut short at the end, are counted and skipped; empty lines are ignored. A first
// line that is a message is read as one: a log filtered by jq without its header still opens.
class MessageLogReader {
public:
    using Sink = std::function<void(TraceFields&& fields)>;
    // A reader skipping lines longer than maxLineBytes.
    explicit MessageLogReader(Sink sink, std::size_t maxLineBytes = kMaxMessageLogLineBytes);
    ~MessageLogReader();

    // Reads the next piece of the file. Throws MessageLogError when the first line names another
    // format or a newer version; an exception from the sink passes through.
    void Feed(std::string_view piece);
    // Reads a last line without an ending newline; returns what was read.
    const MessageLogReport& Finish();

private:
    void TakeLine(std::string_view line);
    void Skip();

    class Fields;
    Sink sink_;
    std::size_t maxLineBytes_;
    std::unique_ptr<Fields> fields_;
    MessageLogReport report_;
    std::string pending_;          // the start of a line that the next piece continues
    bool pendingTooLong_ = false;  // the current line passed the limit: skipped to its end
    std::int64_t lineNumber_ = 0;
    bool headerSeen_ = false;      // the first non-empty line has been read
};

// The summary of the lines a log's opening skipped, naming the first few ("" when none was).
std::string SkippedLinesText(const MessageLogReport& report);

// Opens a log file, handing each message to sink and, after each piece read, the bytes read so
// far to progress (which may throw to stop). Throws std::system_error when the file cannot be read
// (a pipe or device is refused without blocking; EFBIG for a file over the limit) and
// MessageLogError as MessageLogReader::Feed does.
MessageLogReport OpenMessageLog(const std::filesystem::path& path, const MessageLogReader::Sink& sink,
                                const std::function<void(std::uint64_t bytesRead)>& progress = {});

// A message read from a log owning its texts, so it can pass from the reading thread to the store.
struct LoggedMessage {
    std::string ClassName, MessageStr, MessageGroup, ComputerName, MessageID, UnitFileName;
    std::int32_t MessageType = 0;
    double MessageDateTime = 0;

    // Takes the texts of fields read from a log line.
    static LoggedMessage From(TraceFields&& fields);
    // The fields for the store, viewing this message's texts.
    TraceFields Fields() const;
};

} // namespace vireo
