#include "TempRegistry.h"
#include "ViewerTestMessages.h"

#include "settings/RegUtils.h"
#include "viewer/session/FilterPresets.h"
#include "viewer/session/HighlightRules.h"

#include <gtest/gtest.h>

using namespace vireo;
using vireo::test::Msg;

namespace {

HighlightRule TextRule(const char* pattern, bool expression = false)
{
    HighlightRule rule;
    rule.Pattern = QString::fromUtf8(pattern);
    rule.RegularExpression = expression;
    return rule;
}

HighlightRule Targeting(HighlightRule rule, HighlightTarget target)
{
    rule.Target = target;
    return rule;
}

using HighlightStorage = vireo::test::TempRegistry;

} // namespace

TEST(HighlightRules, TheFirstEnabledRuleThatMatchesWinsAndRulesThatCannotMatchSayWhy)
{
    HighlightRule disabled = TextRule("disk");
    disabled.Enabled = false;
    HighlightRule errors;
    errors.Target = HighlightTarget::MessageType;
    errors.Type = 3;
    HighlightRule exactCase = TextRule("DISK");
    exactCase.MatchCase = true;
    const HighlightRules rules({disabled, TextRule("(", true), Targeting(TextRule("tworker"), HighlightTarget::ClassName),
                                errors, exactCase, TextRule("^disk \\d+$", true), TextRule("")});
    EXPECT_TRUE(rules.Active());
    EXPECT_EQ(rules.Problem(0), "");
    EXPECT_TRUE(rules.Problem(1).startsWith("The expression is not valid: ")) << rules.Problem(1).toStdString();
    EXPECT_EQ(rules.Problem(6), "The rule has no text to look for.") << "an empty text would match every row";

    MessageStore store;
    const auto matchOf = [&](const Msg& m) { return rules.Match(vireo::test::Post(store, m)); };
    EXPECT_EQ(matchOf(Msg().Class("TWorker").Text("disk 5").Type(3)), 2) << "class, ignoring case, before the type";
    EXPECT_EQ(matchOf(Msg().Text("disk 5").Type(3)), 3);
    EXPECT_EQ(matchOf(Msg().Text("disk 5")), 5) << "the disabled rule and the case-minding one pass it by";
    EXPECT_EQ(matchOf(Msg().Text("a DISK")), 4);
    EXPECT_EQ(matchOf(Msg().Text("nothing here (")), -1) << "nor does the invalid expression or the empty text match";

    EXPECT_FALSE(HighlightRules({disabled}).Active());
    EXPECT_EQ(HighlightRules({disabled}).Match(store.Items(0)), -1);
}

TEST(HighlightRules, TheSettingsTextRoundTripsAndRefusesWhatItDidNotWrite)
{
    HighlightRule odd = Targeting(TextRule("a\tb\\n\nc;", true), HighlightTarget::ClassName);
    odd.MatchCase = true;
    odd.Enabled = false;
    odd.Name = QStringLiteral("Tab\there \\ ünïcode");
    odd.Foreground = 0xff102030u;
    HighlightRule type;
    type.Target = HighlightTarget::MessageType;
    type.Type = -7;
    type.Background = 0xffffff00u;
    for (const HighlightRule& rule : {odd, type, TextRule("")}) {
        const std::string text = HighlightRuleText(rule);
        EXPECT_EQ(text.find('\n'), std::string::npos);
        EXPECT_EQ(ParseHighlightRule(text), rule) << text;
    }
    EXPECT_EQ(HighlightRuleText(type), "on\ttype\tplain\t\t#ffff00\t\t-7");
    EXPECT_EQ(HighlightCaption(type), "Type is -7");
    EXPECT_EQ(HighlightCaption(odd), "Tab\there \\ ünïcode");
    EXPECT_EQ(HighlightCaption(TextRule("disk")), "Message contains \"disk\"");

    EXPECT_EQ(ParseHighlightRule("on\ttext\tplain\tNavy\t#abc\t\tx")->Foreground, 0xff000080u) << "a basic name";
    EXPECT_EQ(ParseHighlightRule("on\ttext\tplain\tNavy\t#abc\t\tx")->Background, 0xffaabbccu);
    for (const char* bad : {"", "on\ttext", "yes\ttext\tplain\t\t\t\tx", "on\tgroup\tplain\t\t\t\tx",
                            "on\ttext\tglob\t\t\t\tx", "on\ttext\tplain\t#12345\t\t\tx", "on\ttext\tplain\tmauve\t\t\tx",
                            "on\ttype\tplain\t\t\t\t3x", "on\ttype\tplain\t\t\t\t", "on\ttext\tplain\t\t\t\tx\textra"})
        EXPECT_FALSE(ParseHighlightRule(bad)) << bad;
}

TEST_F(HighlightStorage, StoredRulesComeBackInOrderAndABadEntryIsSkippedWithItsReason)
{
    WriteRegString("Vireo\\HighlightRules\\5", "Rule", "stale");
    const std::vector<HighlightRule> rules = {TextRule("one"), TextRule("two"), TextRule("three"), TextRule("four")};
    WriteHighlightRules("Vireo\\HighlightRules", rules);
    EXPECT_EQ(CountRegSubKeys("Vireo\\HighlightRules"), 4) << "the stale entry went";

    WriteRegString("Vireo\\HighlightRules\\1", "Rule", "on\ttext\tplain\tnot a colour\t\t\ttwo");
    WriteRegInteger("Vireo\\HighlightRules\\2", "Rule", 5);
    std::vector<std::string> problems;
    EXPECT_EQ(ReadHighlightRules("Vireo\\HighlightRules", problems),
              (std::vector<HighlightRule>{TextRule("one"), TextRule("four")}));
    ASSERT_EQ(problems.size(), 2u);
    EXPECT_EQ(problems[1], "Highlight rule Vireo\\HighlightRules\\2 was skipped: Invalid data type for 'Rule'");
}

TEST_F(HighlightStorage, PresetsAreReplacedByNameDeletedAndKeptAndABadStoredOneIsSkipped)
{
    FilterPresets presets;
    EXPECT_FALSE(presets.Save({QStringLiteral("  "), {}, {}})) << "no name";
    EXPECT_TRUE(presets.Save({QStringLiteral("Disks"), {QStringLiteral("disk"), false, true, false}, {TextRule("full")}}));
    EXPECT_TRUE(presets.Save({QStringLiteral("Errors"), {QStringLiteral("-ok"), true, false, true}, {}}));
    EXPECT_TRUE(presets.Save({QStringLiteral(" disks "), {QStringLiteral("disk 2")}, {}}));
    ASSERT_EQ(presets.List().size(), 2u);
    EXPECT_EQ(presets.List()[0].Name, "disks") << "replaced in its place, under the new spelling";
    EXPECT_EQ(presets.Find(QStringLiteral("DISKS"))->QuickFilter.Text, "disk 2");

    presets.Save({QStringLiteral("Disks"), {QStringLiteral("disk"), false, true, false}, {TextRule("full")}});
    presets.Write("Vireo\\FilterPresets");
    FilterPresets read;
    std::vector<std::string> problems;
    read.Read("Vireo\\FilterPresets", problems);
    EXPECT_EQ(read.List(), presets.List());
    EXPECT_TRUE(problems.empty());

    EXPECT_TRUE(presets.Remove(QStringLiteral("errors")));
    EXPECT_FALSE(presets.Remove(QStringLiteral("errors")));
    presets.Save({QStringLiteral("Third"), {}, {}});
    presets.Write("Vireo\\FilterPresets");
    WriteRegString("Vireo\\FilterPresets\\1", "Name", "DISKS"); // a name taken, edited by hand
    WriteRegString("Vireo\\FilterPresets\\2", "QuickFilterMatchCase", "yes");
    read.Read("Vireo\\FilterPresets", problems);
    ASSERT_EQ(read.List().size(), 1u);
    EXPECT_EQ(read.List()[0], presets.List()[0]);
    EXPECT_EQ(problems.size(), 2u);
}
