#pragma once

#include "intake/TraceInfo.h"
#include "viewer/session/MessageStore.h"

#include <QRegularExpression>
#include <QString>

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vireo {

// The time text with the milliseconds of the time stamp after the seconds ("12:00:00.250",
// "1:02:03.004 pm"): they go after the text's last digit, which is the seconds' last.
std::string TimeWithMilliseconds(const TTraceInfo& message);

// What the message list shows: its visible columns (0 to 7, left to right), whether the time
// column shows milliseconds, and where the time columns' texts (6 and 7) come from.
struct ShownColumns {
    std::vector<int> Columns;
    bool Milliseconds = false;
    // A time column's text for a message; without it, time columns are empty.
    std::function<std::string(const TTraceInfo& message, int column)> TimeText = {};

    // The text a column shows for a message; scratch holds it when it is made for the occasion.
    std::string_view Text(const TTraceInfo& message, int column, std::string& scratch) const;
};

// The text the user looks for: case-insensitive, or a regular expression (case-insensitive
// unless it says otherwise, e.g. with "(?-i)"); either minds case when asked to.
class TextMatcher {
public:
    // Throws std::invalid_argument with the reason when pattern is not a valid expression.
    TextMatcher(const QString& pattern, bool regularExpression, bool matchCase = false);

    // Whether text (UTF-8) contains the text looked for or a match of the expression.
    bool Matches(std::string_view text) const;
    // Whether any text the columns show for the message matches.
    bool Matches(const TTraceInfo& message, const ShownColumns& columns) const;
    // Forgets what it learned of pooled texts (the store was cleared: their places may be reused).
    void Forget()
    {
        seen_.clear();
        last_ = {};
    }

private:
    bool MatchesAscii(std::string_view text) const;

    std::optional<QRegularExpression> expression_;
    std::optional<std::string> exactNeedle_; // UTF-8, when case matters: a byte search finds it
    QString needle_;                // for texts looked for that are not all ASCII
    std::string asciiNeedle_;       // lower-cased, when the text looked for is all ASCII
    std::array<bool, 256> starts_{}; // the bytes that may begin a match of asciiNeedle_
    char firstLower_ = 0, firstUpper_ = 0; // the same two bytes, for a search many bytes at a time
    // Whether each pooled text (a name, unit, date or time, shared by many rows) matched, by where
    // it lies: a cache of the search, hence mutable. Pooled texts live until the store is cleared,
    // so a matcher kept across a clear must Forget.
    mutable std::unordered_map<const char*, bool> seen_;
    // Per column, the last pooled text looked up and its result: neighbouring rows often share one.
    mutable std::array<std::pair<const char*, bool>, 8> last_{};
};

// The row a search lands on, and whether it went past an end of the list to get there.
struct FoundRow {
    int Row = -1; // -1: no row matches
    bool Wrapped = false;
};

// Walks from the row after current (before it, backwards) to the end of the list, then on from
// the other end back to current itself; without a current row (-1) it starts at the first row
// (the last, backwards). Returns the first row for which matches is true.
FoundRow FindRow(int rowCount, int current, bool forward, const std::function<bool(int row)>& matches);

// Messages as tab-separated text: a header line of the columns' captions, then a line per
// message. A tab or line break inside a text would break the table, so each becomes a space.
// Messages are read one at a time, so copying a million rows holds no copy of them.
std::string MessagesAsTable(const MessageStore& store, const std::vector<int>& storeIndices,
                            const ShownColumns& columns);

} // namespace vireo
