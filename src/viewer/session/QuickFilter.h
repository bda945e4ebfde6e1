#pragma once

#include "intake/TraceInfo.h"
#include "viewer/session/MessageFind.h"

#include <QString>

#include <optional>

namespace vireo {

// What the quick filter field above the message list and its toggles say.
struct QuickFilterSettings {
    QString Text;                  // a leading "-" lists the rows that do not match the rest
    bool RegularExpression = false; // "Regular Expression"
    bool MatchCase = false;         // "Match Case"
    bool Exclude = false;           // "Exclude": lists the rows that do not match

    bool operator==(const QuickFilterSettings&) const = default;
};

// The quick filter as a test of messages: a row is listed when any text it shows contains the
// text (or a match of the expression), or, excluding, when none does. An expression that is not
// valid lists nothing and says why; an empty text lists everything.
class QuickFilter {
public:
    // The filter the settings describe, over the texts the columns show (the time columns aside).
    QuickFilter(const QuickFilterSettings& settings, ShownColumns columns);

    // Whether the filter narrows the list at all.
    bool Active() const { return active_; }
    // Why the expression is not valid; empty when it is.
    const QString& Error() const { return error_; }
    // Whether the message is listed.
    bool Admits(const TTraceInfo& message) const;
    // Forgets what it learned of the store's pooled texts (the store was cleared).
    void Forget();

private:
    ShownColumns columns_;
    std::optional<TextMatcher> matcher_;
    QString error_;
    bool active_ = false;
    bool exclude_ = false;
};

} // namespace vireo
