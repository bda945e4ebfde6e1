#include "viewer/session/MessageLog.h"

#include "components/Utf8Text.h"
#include "intake/TimeStampText.h"

#include <charconv>
#include <cstring>
#include <limits>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vireo {

namespace {

constexpr std::size_t kWriteBufferBytes = std::size_t{1} << 20;
constexpr int kMaxNesting = 64; // of unknown values skipped

// ---- Writing ----------------------------------------------------------------------------------

void AppendJsonString(std::string& out, std::string_view text)
{
    static constexpr char kHex[] = "0123456789abcdef";
    out += '"';
    std::size_t run = 0; // start of the bytes that need no escape
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c != '"' && c != '\\')
            continue;
        out.append(text.data() + run, i - run);
        run = i + 1;
        out += '\\';
        switch (c) {
        case '"': out += '"'; break;
        case '\\': out += '\\'; break;
        case '\n': out += 'n'; break;
        case '\r': out += 'r'; break;
        case '\t': out += 't'; break;
        default:
            out += "u00";
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    out.append(text.data() + run, text.size() - run);
    out += '"';
}

template <typename Number>
void AppendNumber(std::string& out, Number value)
{
    char digits[32];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    out.append(digits, result.ptr);
}

void AppendField(std::string& out, std::string_view name, std::string_view text)
{
    out += ",\"";
    out += name;
    out += "\":";
    AppendJsonString(out, text);
}

// ---- Reading ----------------------------------------------------------------------------------

// Appends the UTF-8 form of a code point.
void AppendUtf8(std::string& out, std::uint32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// A reader of one line holding one flat JSON object.
class JsonLine {
public:
    explicit JsonLine(std::string_view text) : s_(text) {}

    // Calls field(name, *this) for each member, which must read its value; false when the line
    // is not one well-formed object.
    template <typename Field>
    bool ReadObject(std::string& name, Field&& field)
    {
        SkipSpace();
        if (!Take('{'))
            return false;
        SkipSpace();
        if (Take('}'))
            return AtEnd();
        do {
            SkipSpace();
            if (!Take('"') || !String(name))
                return false;
            SkipSpace();
            if (!Take(':'))
                return false;
            SkipSpace();
            if (!field(std::string_view(name), *this))
                return false;
            SkipSpace();
        } while (Take(','));
        return Take('}') && AtEnd();
    }

    // A string value into out.
    bool StringValue(std::string& out) { return Take('"') && String(out); }

    // A number value as its text.
    bool NumberValue(std::string_view& token)
    {
        const std::size_t from = i_;
        while (i_ < s_.size() && ((s_[i_] >= '0' && s_[i_] <= '9') || s_[i_] == '-' || s_[i_] == '+' ||
                                  s_[i_] == '.' || s_[i_] == 'e' || s_[i_] == 'E'))
            ++i_;
        token = s_.substr(from, i_ - from);
        return !token.empty();
    }

    // Any value, as its text.
    bool RawValue(std::string_view& raw)
    {
        const std::size_t from = i_;
        if (!SkipValue())
            return false;
        raw = s_.substr(from, i_ - from);
        return true;
    }

    // Any value, read past unread.
    bool SkipValue(int depth = 0)
    {
        if (depth > kMaxNesting || i_ >= s_.size())
            return false;
        const char c = s_[i_];
        if (c == '"') {
            ++i_;
            return String(scratch_);
        }
        if (c == '{' || c == '[') {
            const char close = c == '{' ? '}' : ']';
            ++i_;
            SkipSpace();
            if (Take(close))
                return true;
            do {
                SkipSpace();
                if (c == '{') {
                    if (!Take('"') || !String(scratch_))
                        return false;
                    SkipSpace();
                    if (!Take(':'))
                        return false;
                    SkipSpace();
                }
                if (!SkipValue(depth + 1))
                    return false;
                SkipSpace();
            } while (Take(','));
            return Take(close);
        }
        for (std::string_view word : {"true", "false", "null"})
            if (s_.substr(i_, word.size()) == word) {
                i_ += word.size();
                return true;
            }
        std::string_view token;
        return NumberValue(token);
    }

private:
    void SkipSpace()
    {
        while (i_ < s_.size() && (s_[i_] == ' ' || s_[i_] == '\t' || s_[i_] == '\r'))
            ++i_;
    }
    bool Take(char c)
    {
        if (i_ < s_.size() && s_[i_] == c) {
            ++i_;
            return true;
        }
        return false;
    }
    bool AtEnd()
    {
        SkipSpace();
        return i_ == s_.size();
    }

    // The rest of a string after its opening quote, unescaped, into out.
    bool String(std::string& out)
    {
        out.clear();
        bool ascii = true;
        for (;;) {
            const std::size_t run = PlainRun(i_, ascii);
            out.append(s_.data() + i_, run - i_);
            i_ = run;
            if (i_ >= s_.size() || static_cast<unsigned char>(s_[i_]) < 0x20)
                return false;
            if (s_[i_++] == '"')
                return ascii || IsUtf8(out);
            if (!Escape(out))
                return false;
        }
    }

    // The end of the bytes from `from` on that stand for themselves in a string; ascii is
    // cleared when one of them is not ASCII.
    std::size_t PlainRun(std::size_t from, bool& ascii) const
    {
        std::size_t at = from;
#if defined(__SSE2__)
        const __m128i quote = _mm_set1_epi8('"');
        const __m128i backslash = _mm_set1_epi8('\\');
        const __m128i below = _mm_set1_epi8(0x20);
        while (at + 16 <= s_.size()) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s_.data() + at));
            const int high = _mm_movemask_epi8(bytes); // bytes 0x80 and up
            // A control byte is below 0x20 as a signed byte and not negative.
            const __m128i control = _mm_andnot_si128(_mm_cmplt_epi8(bytes, _mm_setzero_si128()),
                                                     _mm_cmplt_epi8(bytes, below));
            const int stops = _mm_movemask_epi8(
                _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(bytes, quote), _mm_cmpeq_epi8(bytes, backslash)), control));
            if (stops != 0) {
                const int length = __builtin_ctz(static_cast<unsigned>(stops));
                if ((high & ((1 << length) - 1)) != 0)
                    ascii = false;
                return at + static_cast<std::size_t>(length);
            }
            if (high != 0)
                ascii = false;
            at += 16;
        }
#endif
        for (; at < s_.size(); ++at) {
            const auto c = static_cast<unsigned char>(s_[at]);
            if (c == '"' || c == '\\' || c < 0x20)
                break;
            if (c >= 0x80)
                ascii = false;
        }
        return at;
    }

    bool Escape(std::string& out)
    {
        if (i_ >= s_.size())
            return false;
        const char c = s_[i_++];
        switch (c) {
        case '"': case '\\': case '/': out += c; return true;
        case 'b': out += '\b'; return true;
        case 'f': out += '\f'; return true;
        case 'n': out += '\n'; return true;
        case 'r': out += '\r'; return true;
        case 't': out += '\t'; return true;
        case 'u': break;
        default: return false;
        }
        std::uint32_t cp = 0;
        if (!Hex4(cp))
            return false;
        if (cp >= 0xD800 && cp <= 0xDBFF) { // a high surrogate needs its low one
            std::uint32_t low = 0;
            if (!Take('\\') || !Take('u') || !Hex4(low) || low < 0xDC00 || low > 0xDFFF)
                return false;
            cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
        } else if (cp >= 0xDC00 && cp <= 0xDFFF) {
            return false;
        }
        AppendUtf8(out, cp);
        return true;
    }

    bool Hex4(std::uint32_t& value)
    {
        if (s_.size() - i_ < 4)
            return false;
        const auto result = std::from_chars(s_.data() + i_, s_.data() + i_ + 4, value, 16);
        if (result.ec != std::errc() || result.ptr != s_.data() + i_ + 4)
            return false;
        i_ += 4;
        return true;
    }

    std::string_view s_;
    std::size_t i_ = 0;
    std::string scratch_;
};

template <typename Number>
bool ParseNumber(std::string_view token, Number& value)
{
    const auto result = std::from_chars(token.data(), token.data() + token.size(), value);
    return result.ec == std::errc() && result.ptr == token.data() + token.size();
}

constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

// The version a header names as a whole number, or -1 when it is not a small whole number.
long Version(std::string_view text)
{
    if (text.empty())
        return 1; // a header without a version is read as the first
    if (text.size() > 9 || text.find_first_not_of("0123456789") != std::string_view::npos)
        return -1;
    long version = 0;
    std::from_chars(text.data(), text.data() + text.size(), version);
    return version;
}

// Why a log with this header cannot be opened, or "" when it can.
std::string HeaderRefusal(const std::string& format, const std::string& versionText)
{
    if (format != kMessageLogFormat)
        return "This file is not a Vireo message log (its format is \"" + format + "\").";
    const long version = Version(versionText);
    if (version > kMessageLogVersion)
        return "This message log was written by a newer Vireo (format version " + std::to_string(version) +
               "); this Vireo opens logs up to version " + std::to_string(kMessageLogVersion) + ".";
    if (version < 1)
        return "This message log names a format version this Vireo does not know (" + versionText +
               "); this Vireo opens logs of versions 1 to " + std::to_string(kMessageLogVersion) + ".";
    return {};
}

} // namespace

// The fields of the line being read, kept from line to line so their buffers are reused.
class MessageLogReader::Fields {
public:
    enum Bit : unsigned {
        kClass = 1, kText = 2, kType = 4, kGroup = 8, kComputer = 16, kId = 32, kUnit = 64, kTime = 128,
        kAll = 255
    };
    std::string Name, ClassName, MessageStr, MessageGroup, ComputerName, MessageID, UnitFileName, Format;
    std::int32_t MessageType = 0;
    double MessageDateTime = 0;
    std::string Version; // as written; empty when the header names none
    unsigned Seen = 0;
    bool IsHeader = false;

    // Reads one member of a message line or of the header.
    bool Read(std::string_view name, JsonLine& line)
    {
        std::string_view token;
        if (name == "ClassName")
            return Text(line, ClassName, kClass);
        if (name == "MessageStr")
            return Text(line, MessageStr, kText);
        if (name == "MessageGroup")
            return Text(line, MessageGroup, kGroup);
        if (name == "ComputerName")
            return Text(line, ComputerName, kComputer);
        if (name == "MessageID")
            return Text(line, MessageID, kId);
        if (name == "UnitFileName")
            return Text(line, UnitFileName, kUnit);
        if (name == "MessageType") {
            Seen |= kType;
            return line.NumberValue(token) && ParseNumber(token, MessageType);
        }
        if (name == "MessageDateTime") {
            Seen |= kTime;
            return line.NumberValue(token) && ParseNumber(token, MessageDateTime) && ValidTime();
        }
        if (name == "format") {
            IsHeader = true;
            return line.StringValue(Format);
        }
        if (name == "version") {
            const bool read = line.RawValue(token);
            Version = token;
            return read;
        }
        return line.SkipValue();
    }

private:
    bool Text(JsonLine& line, std::string& into, Bit bit)
    {
        Seen |= bit;
        return line.StringValue(into);
    }
    bool ValidTime() const
    {
        try {
            TimeStampMillisecond(MessageDateTime);
            return true;
        } catch (const TimeStampError&) {
            return false;
        }
    }
};

MessageLogWriter::MessageLogWriter(const ContentSink& sink) : sink_(sink)
{
    buffer_.reserve(kWriteBufferBytes + 4096);
    buffer_ += "{\"format\":\"";
    buffer_ += kMessageLogFormat;
    buffer_ += "\",\"version\":";
    AppendNumber(buffer_, kMessageLogVersion);
    buffer_ += "}\n";
}

void MessageLogWriter::Write(const TTraceInfo& message)
{
    buffer_ += "{\"SequenceNumber\":";
    AppendNumber(buffer_, message.SequenceNumber);
    AppendField(buffer_, "ClassName", message.ClassName);
    AppendField(buffer_, "MessageStr", message.MessageStr);
    buffer_ += ",\"MessageType\":";
    AppendNumber(buffer_, message.MessageType);
    AppendField(buffer_, "MessageGroup", message.MessageGroup);
    AppendField(buffer_, "ComputerName", message.ComputerName);
    AppendField(buffer_, "MessageID", message.MessageID);
    AppendField(buffer_, "UnitFileName", message.UnitFileName);
    buffer_ += ",\"MessageDateTime\":";
    AppendNumber(buffer_, message.MessageDateTime);
    buffer_ += ",\"MessageDateTimeISO\":\"";
    buffer_ += FormatIsoTimeStamp(message.MessageDateTime);
    buffer_ += "\"}\n";
    if (buffer_.size() >= kWriteBufferBytes)
        Flush();
}

void MessageLogWriter::Flush()
{
    sink_(buffer_);
    buffer_.clear();
}

MessageLogReader::MessageLogReader(Sink sink, std::size_t maxLineBytes)
    : sink_(std::move(sink)), maxLineBytes_(maxLineBytes), fields_(std::make_unique<Fields>())
{
}

MessageLogReader::~MessageLogReader() = default;

void MessageLogReader::Feed(std::string_view piece)
{
    while (!piece.empty()) {
        const void* found = std::memchr(piece.data(), '\n', piece.size());
        const std::size_t end = found ? static_cast<std::size_t>(static_cast<const char*>(found) - piece.data())
                                      : piece.size();
        const std::string_view part = piece.substr(0, end);
        if (!pendingTooLong_ && pending_.size() + part.size() > maxLineBytes_) {
            pendingTooLong_ = true;
            pending_.clear();
            pending_.shrink_to_fit();
        }
        if (!found) {
            if (!pendingTooLong_)
                pending_.append(part);
            return;
        }
        piece.remove_prefix(end + 1);
        ++lineNumber_;
        if (pendingTooLong_) {
            pendingTooLong_ = false;
            Skip();
        } else if (pending_.empty()) {
            TakeLine(part); // the whole line lies in this piece: read it in place
        } else {
            pending_.append(part);
            TakeLine(pending_);
            pending_.clear();
        }
    }
}

const MessageLogReport& MessageLogReader::Finish()
{
    if (pendingTooLong_ || !pending_.empty()) {
        ++lineNumber_;
        if (pendingTooLong_)
            Skip();
        else
            TakeLine(pending_);
        pending_.clear();
        pendingTooLong_ = false;
    }
    return report_;
}

void MessageLogReader::Skip()
{
    if (report_.FirstSkipped.size() < kListedSkippedLines)
        report_.FirstSkipped.push_back(lineNumber_);
    ++report_.SkippedLines;
}

void MessageLogReader::TakeLine(std::string_view line)
{
    if (lineNumber_ == 1 && line.starts_with(kUtf8ByteOrderMark))
        line.remove_prefix(kUtf8ByteOrderMark.size()); // as editors on other systems save it
    if (line.find_first_not_of(" \t\r") == std::string_view::npos)
        return;
    Fields& f = *fields_;
    f.Seen = 0;
    f.IsHeader = false;
    JsonLine json(line);
    const bool wellFormed = json.ReadObject(f.Name, [&f](std::string_view name, JsonLine& value) {
        return f.Read(name, value);
    });
    const bool first = !headerSeen_;
    headerSeen_ = true;
    if (wellFormed && f.IsHeader) {
        // Logs joined end to end (cat) carry more headers: one this version reads is passed over.
        const std::string refusal = HeaderRefusal(f.Format, f.Version);
        if (first && !refusal.empty())
            throw MessageLogError(refusal);
        if (!refusal.empty())
            Skip();
        return;
    }
    if (!wellFormed || f.Seen != Fields::kAll) {
        Skip();
        return;
    }
    TraceFields fields;
    fields.ClassName = f.ClassName;
    fields.MessageStr = f.MessageStr;
    fields.MessageType = f.MessageType;
    fields.MessageGroup = f.MessageGroup;
    fields.ComputerName = f.ComputerName;
    fields.MessageID = f.MessageID;
    fields.UnitFileName = f.UnitFileName;
    fields.MessageDateTime = f.MessageDateTime;
    sink_(std::move(fields));
    ++report_.Messages;
}

std::string SkippedLinesText(const MessageLogReport& report)
{
    if (report.SkippedLines == 0)
        return {};
    std::string text = "Opened " + std::to_string(report.Messages) + " messages. " +
                       std::to_string(report.SkippedLines) +
                       (report.SkippedLines == 1 ? " line was not a message and was skipped: line "
                                                 : " lines were not messages and were skipped: lines ");
    for (std::size_t i = 0; i < report.FirstSkipped.size(); ++i)
        text += (i == 0 ? "" : ", ") + std::to_string(report.FirstSkipped[i]);
    if (report.SkippedLines > static_cast<std::int64_t>(report.FirstSkipped.size()))
        text += ", ...";
    return text + ".";
}

MessageLogReport OpenMessageLog(const std::filesystem::path& path, const MessageLogReader::Sink& sink,
                                const std::function<void(std::uint64_t bytesRead)>& progress)
{
    MessageLogReader reader(sink);
    std::uint64_t read = 0;
    ReadFileInChunks(path, kMaxMessageLogBytes, [&](std::string_view piece) {
        reader.Feed(piece);
        read += piece.size();
        if (progress)
            progress(read);
    });
    return reader.Finish();
}

LoggedMessage LoggedMessage::From(TraceFields&& fields)
{
    return {std::string(fields.ClassName), std::string(fields.MessageStr), std::string(fields.MessageGroup),
            std::string(fields.ComputerName), std::string(fields.MessageID), std::string(fields.UnitFileName),
            fields.MessageType, fields.MessageDateTime};
}

TraceFields LoggedMessage::Fields() const
{
    TraceFields fields;
    fields.ClassName = ClassName;
    fields.MessageStr = MessageStr;
    fields.MessageType = MessageType;
    fields.MessageGroup = MessageGroup;
    fields.ComputerName = ComputerName;
    fields.MessageID = MessageID;
    fields.UnitFileName = UnitFileName;
    fields.MessageDateTime = MessageDateTime;
    return fields;
}

} // namespace vireo
