#include "viewer/session/MessageFind.h"

#include "components/QtText.h"
#include "intake/TimeStampText.h"
#include "viewer/session/MessageColumns.h"

#include <algorithm>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <stdexcept>

namespace vireo {

namespace {

constexpr int kMessageTextColumn = 1;
constexpr int kTimeColumn = 4;

char LowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c;
}

bool IsAscii(const QString& text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
}

} // namespace

namespace {

void InsertMilliseconds(std::string& time, double automationDate)
{
    const int ms = TimeStampMillisecond(automationDate);
    const std::size_t lastDigit = time.find_last_of("0123456789");
    const char digits[] = {'.', static_cast<char>('0' + ms / 100), static_cast<char>('0' + ms / 10 % 10),
                           static_cast<char>('0' + ms % 10)};
    time.insert(lastDigit == std::string::npos ? time.size() : lastDigit + 1, digits, sizeof digits);
}

} // namespace

std::string TimeWithMilliseconds(const TTraceInfo& message)
{
    std::string text = message.MessageTime.str();
    InsertMilliseconds(text, message.MessageDateTime);
    return text;
}

std::string_view ShownColumns::Text(const TTraceInfo& message, int column, std::string& scratch) const
{
    if (column == kTimeColumn && Milliseconds) {
        scratch.assign(message.MessageTime.view()); // reuses the scratch's room: no allocation per row
        InsertMilliseconds(scratch, message.MessageDateTime);
        return scratch;
    }
    if (column >= kMessageColumnCount) {
        scratch = TimeText ? TimeText(message, column) : std::string();
        return scratch;
    }
    return MessageColumnText(message, column);
}

TextMatcher::TextMatcher(const QString& pattern, bool regularExpression, bool matchCase)
{
    if (regularExpression) {
        expression_.emplace(pattern, matchCase ? QRegularExpression::NoPatternOption
                                               : QRegularExpression::CaseInsensitiveOption);
        if (!expression_->isValid())
            throw std::invalid_argument(expression_->errorString().toStdString());
        return;
    }
    needle_ = pattern;
    if (matchCase) {
        exactNeedle_ = pattern.toStdString();
        return;
    }
    if (!IsAscii(pattern))
        return;
    for (const char c : pattern.toLatin1())
        asciiNeedle_ += LowerAscii(c);
    if (!asciiNeedle_.empty()) {
        const auto first = static_cast<unsigned char>(asciiNeedle_[0]);
        starts_[first] = true;
        if (first >= 'a' && first <= 'z')
            starts_[first - ('a' - 'A')] = true;
        firstLower_ = static_cast<char>(first);
        firstUpper_ = (first >= 'a' && first <= 'z') ? static_cast<char>(first - ('a' - 'A')) : firstLower_;
    }
}

bool TextMatcher::MatchesAscii(std::string_view text) const
{
    // The bytes of a multi-byte UTF-8 character are never ASCII, so a byte-wise search that folds
    // only ASCII letters finds exactly the case-insensitive matches of an ASCII text.
    const std::size_t size = asciiNeedle_.size();
    if (text.size() < size)
        return false;
    const std::size_t last = text.size() - size;
    for (std::size_t at = 0; at <= last; ++at) {
#if defined(__SSE2__)
        // Sixteen bytes at a time past those that cannot begin a match.
        while (at + 16 <= last + 1) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + at));
            const int hits = _mm_movemask_epi8(
                _mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8(firstLower_)), _mm_cmpeq_epi8(bytes, _mm_set1_epi8(firstUpper_))));
            if (hits != 0) {
                at += static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(hits)));
                break;
            }
            at += 16;
        }
        if (at > last)
            return false;
#endif
        if (!starts_[static_cast<unsigned char>(text[at])])
            continue;
        std::size_t k = 1;
        while (k < size && LowerAscii(text[at + k]) == asciiNeedle_[k])
            ++k;
        if (k == size)
            return true;
    }
    return false;
}

bool TextMatcher::Matches(std::string_view text) const
{
    if (expression_)
        return expression_->match(QtText(text)).hasMatch();
    if (needle_.isEmpty())
        return true;
    if (exactNeedle_)
        return text.find(*exactNeedle_) != std::string_view::npos;
    if (!asciiNeedle_.empty())
        return MatchesAscii(text);
    return QtText(text).contains(needle_, Qt::CaseInsensitive);
}

bool TextMatcher::Matches(const TTraceInfo& message, const ShownColumns& columns) const
{
    // Bounds the cache when rows carry ever new pooled texts (message IDs, units).
    constexpr std::size_t kMostSeen = 1 << 16;
    thread_local std::string scratch;
    for (const int column : columns.Columns) {
        const std::string_view text = columns.Text(message, column, scratch);
        // The message text is each row's own, and text made in scratch is made anew: looked at
        // each time. A pooled text repeats from row to row: looked at once.
        if (column == kMessageTextColumn || text.data() == scratch.data()) {
            if (Matches(text))
                return true;
            continue;
        }
        auto& last = last_[static_cast<std::size_t>(column) % last_.size()];
        if (last.first != text.data()) {
            auto found = seen_.find(text.data());
            if (found == seen_.end()) {
                if (seen_.size() >= kMostSeen)
                    seen_.clear();
                found = seen_.emplace(text.data(), Matches(text)).first;
            }
            last = *found;
        }
        if (last.second)
            return true;
    }
    return false;
}

FoundRow FindRow(int rowCount, int current, bool forward, const std::function<bool(int row)>& matches)
{
    if (rowCount <= 0)
        return {};
    const long long step = forward ? 1 : -1;
    const long long start = (current >= 0 && current < rowCount) ? current : (forward ? -1 : rowCount);
    for (long long k = 1; k <= rowCount; ++k) {
        const long long at = start + step * k;
        const int row = static_cast<int>(((at % rowCount) + rowCount) % rowCount);
        if (matches(row))
            return {row, at < 0 || at >= rowCount};
    }
    return {};
}

std::string MessagesAsTable(const MessageStore& store, const std::vector<int>& storeIndices,
                            const ShownColumns& columns)
{
    std::string table;
    const auto appendLine = [&table, &columns](const auto& textOf) {
        bool first = true;
        for (const int column : columns.Columns) {
            if (!first)
                table += '\t';
            first = false;
            const std::size_t from = table.size();
            table += textOf(column);
            std::replace_if(table.begin() + static_cast<std::ptrdiff_t>(from), table.end(),
                            [](char c) { return c == '\t' || c == '\n' || c == '\r'; }, ' ');
        }
        table += '\n';
    };
    appendLine([](int column) { return std::string_view(kMessageColumnCaptions[column]); });
    std::string scratch;
    for (const int index : storeIndices) {
        const TTraceInfo message = store.Items(index);
        appendLine([&](int column) { return columns.Text(message, column, scratch); });
    }
    return table;
}

} // namespace vireo
