#pragma once

#include "intake/TraceInfo.h"
#include "viewer/session/MessageFind.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vireo {

// A colour as 0xAARRGGBB (Qt's QRgb); none leaves the list's own colour.
using RuleColor = std::optional<std::uint32_t>;

// What a highlight rule looks at.
enum class HighlightTarget { MessageText, ClassName, MessageType };

// One highlight rule: a text or expression over the message text or the class, or a message type,
// and the colours a row it matches gets.
struct HighlightRule {
    bool Enabled = true;
    HighlightTarget Target = HighlightTarget::MessageText;
    QString Pattern;                // the text or expression looked for (text and class rules)
    bool RegularExpression = false; // Pattern is an expression
    bool MatchCase = false;         // case counts
    std::int32_t Type = 0;          // the message type a type rule matches
    RuleColor Foreground;           // the text's colour
    RuleColor Background;           // the row's colour
    QString Name;                   // the user's caption; empty: made from the condition

    bool operator==(const HighlightRule&) const = default;
};

// What the rule is called in the list of rules and in a row's accessible description: its name,
// or its condition in words ("Message contains \"timeout\"", "Type is Error").
QString HighlightCaption(const HighlightRule& rule);

// A colour as stored: "#rrggbb", or empty for none.
std::string RuleColorText(RuleColor color);
// Reads "#rrggbb", "#rgb" or one of the sixteen basic colour names ("red", "navy", ...) into
// color; empty text is none. False, color untouched, for anything else.
bool ParseRuleColor(std::string_view text, RuleColor& color);

// A rule as one line of settings text: tab-separated "on"/"off", "text"/"class"/"type", "plain"/
// "regex" (with "+case" when case counts), the foreground and background colours, the name and
// the pattern (a type rule's pattern is its type number). Tabs, line breaks and backslashes in the
// name and pattern are written as \t, \n, \r and \\.
std::string HighlightRuleText(const HighlightRule& rule);
// Reads a line HighlightRuleText wrote (or a user edited); nothing when it is not such a line.
std::optional<HighlightRule> ParseHighlightRule(std::string_view text);

// The ordered highlight rules ready for matching: the first enabled rule that matches a message
// colours its row. An expression that is not valid never matches and says why; so does a text
// rule without text.
class HighlightRules {
public:
    // No rules: nothing is highlighted.
    HighlightRules() = default;
    // The rules in their order.
    explicit HighlightRules(std::vector<HighlightRule> rules);

    // The rules as given.
    const std::vector<HighlightRule>& List() const { return rules_; }
    // Whether any rule may match at all.
    bool Active() const { return active_; }
    // The index of the first enabled rule matching the message, -1 when none does.
    int Match(const TTraceInfo& message) const;
    // Why rule i can never match; empty when it can.
    const QString& Problem(int rule) const { return compiled_.at(static_cast<std::size_t>(rule)).Problem; }
    // Forgets what the matchers learned of the store's pooled texts (the store was cleared).
    void Forget();

private:
    struct Compiled {
        std::optional<TextMatcher> Matcher;
        QString Problem;
    };

    std::vector<HighlightRule> rules_;
    std::vector<Compiled> compiled_;
    bool active_ = false;
};

// Replaces the rules stored under subKey (below the registry helpers' base path) with rules, one
// sub-key per rule numbered from 0, each holding the rule's text as "Rule".
void WriteHighlightRules(std::string_view subKey, const std::vector<HighlightRule>& rules);
// Reads the rules stored under subKey in their order; an entry that cannot be read is skipped and
// why is added to problems.
std::vector<HighlightRule> ReadHighlightRules(std::string_view subKey, std::vector<std::string>& problems);

} // namespace vireo
