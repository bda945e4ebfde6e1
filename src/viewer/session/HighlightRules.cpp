#include "viewer/session/HighlightRules.h"

#include "components/QtText.h"
#include "settings/RegUtils.h"
#include "viewer/session/TraceSources.h"

#include <array>
#include <charconv>
#include <cstdio>
#include <stdexcept>

namespace vireo {

namespace {

constexpr int kClassColumn = 0;
constexpr int kMessageTextColumn = 1;
constexpr std::string_view kRuleValue = "Rule";
constexpr std::size_t kRuleFieldCount = 7;

struct NamedColor {
    std::string_view Name;
    std::uint32_t Rgb;
};

// The sixteen basic colour names of HTML and CSS, for hand-edited settings.
constexpr std::array<NamedColor, 16> kBasicColors = {{
    {"black", 0x000000}, {"silver", 0xc0c0c0}, {"gray", 0x808080},   {"white", 0xffffff},
    {"maroon", 0x800000}, {"red", 0xff0000},   {"purple", 0x800080}, {"fuchsia", 0xff00ff},
    {"green", 0x008000}, {"lime", 0x00ff00},   {"olive", 0x808000},  {"yellow", 0xffff00},
    {"navy", 0x000080},  {"blue", 0x0000ff},   {"teal", 0x008080},   {"aqua", 0x00ffff},
}};

constexpr std::uint32_t kOpaque = 0xff000000u;

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

std::optional<std::uint32_t> ParseHex(std::string_view digits)
{
    std::uint32_t value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value, 16);
    if (error != std::errc() || end != digits.data() + digits.size())
        return std::nullopt;
    return value;
}

std::string Escaped(const QString& text)
{
    std::string out;
    for (const char c : text.toStdString()) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '\t': out += "\\t"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        default: out += c;
        }
    }
    return out;
}

QString Unescaped(std::string_view text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        switch (text[++i]) {
        case 't': out += '\t'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case '\\': out += '\\'; break;
        default: out += '\\'; out += text[i]; // not an escape of ours: kept as written
        }
    }
    return QtText(out);
}

std::vector<std::string_view> SplitTabs(std::string_view text)
{
    std::vector<std::string_view> fields;
    for (std::size_t from = 0;;) {
        const std::size_t tab = text.find('\t', from);
        fields.push_back(text.substr(from, tab == std::string_view::npos ? std::string_view::npos : tab - from));
        if (tab == std::string_view::npos)
            return fields;
        from = tab + 1;
    }
}

const char* TargetText(HighlightTarget target)
{
    switch (target) {
    case HighlightTarget::ClassName: return "class";
    case HighlightTarget::MessageType: return "type";
    default: return "text";
    }
}

std::optional<HighlightTarget> ParseTarget(std::string_view text)
{
    if (text == "text")
        return HighlightTarget::MessageText;
    if (text == "class")
        return HighlightTarget::ClassName;
    if (text == "type")
        return HighlightTarget::MessageType;
    return std::nullopt;
}

const ShownColumns& ColumnsOf(HighlightTarget target)
{
    // The class is pooled: the matcher remembers each class's result, so a scroll looks at a class
    // once, not once a row.
    static const ShownColumns classColumn{{kClassColumn}};
    static const ShownColumns textColumn{{kMessageTextColumn}};
    return target == HighlightTarget::ClassName ? classColumn : textColumn;
}

std::string EntryKey(std::string_view subKey, std::size_t entry)
{
    return std::string(subKey) + '\\' + std::to_string(entry);
}

} // namespace

QString HighlightCaption(const HighlightRule& rule)
{
    if (!rule.Name.trimmed().isEmpty())
        return rule.Name.trimmed();
    if (rule.Target == HighlightTarget::MessageType) {
        const bool named = rule.Type >= 0 && rule.Type < 4;
        return QStringLiteral("Type is %1")
            .arg(named ? QString::fromLatin1(kTypeNames[rule.Type]) : QString::number(rule.Type));
    }
    const QString subject =
        rule.Target == HighlightTarget::ClassName ? QStringLiteral("Class") : QStringLiteral("Message");
    if (rule.RegularExpression)
        return QStringLiteral("%1 matches %2").arg(subject, rule.Pattern);
    return QStringLiteral("%1 contains \"%2\"").arg(subject, rule.Pattern);
}

std::string RuleColorText(RuleColor color)
{
    if (!color)
        return {};
    char text[8];
    std::snprintf(text, sizeof text, "#%06x", static_cast<unsigned>(*color & 0xffffffu));
    return text;
}

bool ParseRuleColor(std::string_view text, RuleColor& color)
{
    if (text.empty()) {
        color.reset();
        return true;
    }
    for (const NamedColor& named : kBasicColors)
        if (EqualsIgnoringAsciiCase(text, named.Name)) {
            color = kOpaque | named.Rgb;
            return true;
        }
    if (text.front() != '#' || (text.size() != 7 && text.size() != 4))
        return false;
    const std::optional<std::uint32_t> value = ParseHex(text.substr(1));
    if (!value)
        return false;
    if (text.size() == 7) {
        color = kOpaque | *value;
        return true;
    }
    // #rgb: each digit doubled
    const std::uint32_t r = (*value >> 8) & 0xf, g = (*value >> 4) & 0xf, b = *value & 0xf;
    color = kOpaque | (r * 0x11) << 16 | (g * 0x11) << 8 | b * 0x11;
    return true;
}

std::string HighlightRuleText(const HighlightRule& rule)
{
    std::string text = rule.Enabled ? "on" : "off";
    text += '\t';
    text += TargetText(rule.Target);
    text += rule.RegularExpression ? "\tregex" : "\tplain";
    if (rule.MatchCase)
        text += "+case";
    text += '\t' + RuleColorText(rule.Foreground) + '\t' + RuleColorText(rule.Background) + '\t';
    text += Escaped(rule.Name) + '\t';
    text += rule.Target == HighlightTarget::MessageType ? std::to_string(rule.Type) : Escaped(rule.Pattern);
    return text;
}

std::optional<HighlightRule> ParseHighlightRule(std::string_view text)
{
    const std::vector<std::string_view> fields = SplitTabs(text);
    if (fields.size() != kRuleFieldCount || (fields[0] != "on" && fields[0] != "off"))
        return std::nullopt;
    HighlightRule rule;
    rule.Enabled = fields[0] == "on";
    const std::optional<HighlightTarget> target = ParseTarget(fields[1]);
    std::string_view mode = fields[2];
    rule.MatchCase = mode.ends_with("+case");
    if (rule.MatchCase)
        mode.remove_suffix(5);
    if (!target || (mode != "plain" && mode != "regex") || !ParseRuleColor(fields[3], rule.Foreground)
        || !ParseRuleColor(fields[4], rule.Background))
        return std::nullopt;
    rule.Target = *target;
    rule.RegularExpression = mode == "regex";
    rule.Name = Unescaped(fields[5]);
    if (rule.Target != HighlightTarget::MessageType) {
        rule.Pattern = Unescaped(fields[6]);
        return rule;
    }
    const std::string_view type = fields[6];
    const auto [end, error] = std::from_chars(type.data(), type.data() + type.size(), rule.Type);
    if (error != std::errc() || end != type.data() + type.size())
        return std::nullopt;
    return rule;
}

HighlightRules::HighlightRules(std::vector<HighlightRule> rules) : rules_(std::move(rules))
{
    compiled_.resize(rules_.size());
    for (std::size_t i = 0; i < rules_.size(); ++i) {
        const HighlightRule& rule = rules_[i];
        Compiled& compiled = compiled_[i];
        if (rule.Target != HighlightTarget::MessageType) {
            if (rule.Pattern.isEmpty()) {
                compiled.Problem = QStringLiteral("The rule has no text to look for.");
                continue;
            }
            try {
                compiled.Matcher.emplace(rule.Pattern, rule.RegularExpression, rule.MatchCase);
            } catch (const std::invalid_argument& error) {
                compiled.Problem = QStringLiteral("The expression is not valid: %1").arg(QString::fromUtf8(error.what()));
                continue;
            }
        }
        active_ = active_ || rule.Enabled;
    }
}

int HighlightRules::Match(const TTraceInfo& message) const
{
    if (!active_)
        return -1;
    for (std::size_t i = 0; i < rules_.size(); ++i) {
        const HighlightRule& rule = rules_[i];
        if (!rule.Enabled)
            continue;
        const bool matches = rule.Target == HighlightTarget::MessageType
                                 ? message.MessageType == rule.Type
                                 : compiled_[i].Matcher && compiled_[i].Matcher->Matches(message, ColumnsOf(rule.Target));
        if (matches)
            return static_cast<int>(i);
    }
    return -1;
}

void HighlightRules::Forget()
{
    for (Compiled& compiled : compiled_)
        if (compiled.Matcher)
            compiled.Matcher->Forget();
}

void WriteHighlightRules(std::string_view subKey, const std::vector<HighlightRule>& rules)
{
    WithRegBatch([&] {
        DeleteRegKey(subKey);
        for (std::size_t i = 0; i < rules.size(); ++i)
            WriteRegString(EntryKey(subKey, i), kRuleValue, HighlightRuleText(rules[i]));
    });
}

std::vector<HighlightRule> ReadHighlightRules(std::string_view subKey, std::vector<std::string>& problems)
{
    std::vector<HighlightRule> rules;
    WithRegBatch([&] {
        const int count = CountRegSubKeys(subKey);
        for (int i = 0; i < count; ++i) {
            const std::string key = EntryKey(subKey, static_cast<std::size_t>(i));
            try {
                if (std::optional<HighlightRule> rule = ParseHighlightRule(ReadRegString(key, kRuleValue, ""))) {
                    rules.push_back(std::move(*rule));
                    continue;
                }
                problems.push_back("Highlight rule " + key + " is not a rule and was skipped.");
            } catch (const ERegistryException& error) {
                problems.push_back("Highlight rule " + key + " was skipped: " + error.what());
            }
        }
    });
    return rules;
}

} // namespace vireo
