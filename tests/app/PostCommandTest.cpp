// The rules of vireo-post: its command line, the lines it cuts from its input, its time stamps.
#include "app/PostCommand.h"

#include <gtest/gtest.h>

using namespace vireo;

namespace {

PostOptions Parse(std::vector<std::string> arguments)
{
    return ParsePostArguments(arguments, "/work/demo");
}

std::vector<std::string> Split(LineSplitter& splitter, const std::vector<std::string>& chunks)
{
    std::vector<std::string> lines;
    for (const std::string& chunk : chunks)
        for (std::string& line : splitter.Feed(chunk))
            lines.push_back(std::move(line));
    for (std::string& line : splitter.Finish())
        lines.push_back(std::move(line));
    return lines;
}

} // namespace

TEST(PostCommand, ReadsOptionsBeforeTheTextAndRefusesBadOnes)
{
    // The fields' way to the viewer is checked on the bus; here what the words and paths become.
    const PostOptions all = Parse({"--type=error", "--unit", "src/../Unit1.pas", "disk", "--full", "-", "now"});
    EXPECT_EQ(all.MessageType, 3);
    EXPECT_EQ(all.UnitFileName, "/work/demo/Unit1.pas");
    EXPECT_EQ(all.Text, "disk --full - now"); // options end at the first word of text
    EXPECT_FALSE(all.FromInput);
    const PostOptions none = Parse({"--unit", "\\\\PC\\share/Unit1.pas"});
    EXPECT_TRUE(none.FromInput);
    EXPECT_EQ(none.UnitFileName, "\\\\PC\\share/Unit1.pas"); // a network path stays as it is
    EXPECT_EQ(Parse({"--", "--help", "me"}).Text, "--help me");
    EXPECT_FALSE(Parse({"--", ""}).FromInput); // an empty text is still a text
    EXPECT_EQ(Parse({"caf\xC3\xA9 caf\xE9"}).Text, "caf\xC3\xA9 caf\xEF\xBF\xBD");
    for (const std::vector<std::string>& bad :
         {std::vector<std::string>{"--type", "fatal"}, {"--colour", "red"}, {"--group"}, {"--type"}})
        EXPECT_THROW(Parse(bad), PostUsageError) << bad[0];
}

TEST(PostCommand, CutsLinesAsTheyArriveWithinTheLimitAndMendsTheirText)
{
    LineSplitter splitter;
    EXPECT_EQ(Split(splitter, {"one\r\ntw", "o\n\nthr", "ee"}),
              (std::vector<std::string>{"one", "two", "", "three"}));
    EXPECT_EQ(Split(splitter, {"a\n"}), std::vector<std::string>{"a"}); // no empty line after the last break

    // NULs, stray continuation bytes, overlong forms, surrogates and cut characters become U+FFFD.
    const std::string fffd = "\xEF\xBF\xBD";
    EXPECT_EQ(ValidUtf8(std::string("a\0b", 3)), "a" + fffd + "b");
    EXPECT_EQ(ValidUtf8("\x80\xC0\xAF\xED\xA0\xF4\x90x\xE2\x82"),
              fffd + fffd + fffd + fffd + fffd + fffd + fffd + "x" + fffd + fffd);
    EXPECT_EQ(ValidUtf8("\xF0\x9F\x90\xA6 \xE2\x82\xAC"), "\xF0\x9F\x90\xA6 \xE2\x82\xAC");

    // A line of a million bytes comes out in pieces of at most 16 bytes, none cutting a
    // character or a line end, and nothing lost.
    LineSplitter small(16);
    std::string huge;
    while (huge.size() < 1'000'000)
        huge += "ab\xE2\x82\xAC\xF0\x9F\x90\xA6";
    std::vector<std::string> chunks;
    for (std::size_t at = 0; at < huge.size(); at += 4093)
        chunks.push_back(huge.substr(at, 4093));
    chunks.push_back("tail\r\nend");
    const auto pieces = Split(small, chunks);
    std::string joined;
    for (const std::string& piece : pieces) {
        EXPECT_LE(piece.size(), 16u);
        EXPECT_EQ(piece.find("\xEF\xBF\xBD"), std::string::npos);
        joined += piece;
    }
    EXPECT_EQ(joined, huge + "tail" + "end");
    EXPECT_EQ(pieces.back(), "end");
    // A line that fills the limit exactly is whole even when its end comes with the next read.
    EXPECT_EQ(Split(small, {std::string(16, 'x'), "\n", std::string(15, 'y') + "\r", "\n"}),
              (std::vector<std::string>{std::string(16, 'x'), std::string(15, 'y')}));
}

TEST(PostCommand, StampsCountDaysFromTheEndOf1899InLocalTime)
{
    using namespace std::chrono;
    EXPECT_DOUBLE_EQ(AutomationDate(1899, 12, 30, hours(6)), 0.25);
    EXPECT_DOUBLE_EQ(AutomationDate(2000, 2, 29, 0ms), 36585.0);
    EXPECT_NEAR(AutomationDate(2026, 12, 8, hours(18) + 250ms), 46364.75000289352, 1e-9);

    ::setenv("TZ", "UTC-2", 1); // two hours east of UTC
    ::tzset();
    const auto moment = sys_days{2026y / December / 8} + hours(23) + minutes(30);
    EXPECT_NEAR(AutomationDateOf(moment), AutomationDate(2026, 12, 9, minutes(90)), 1e-9);
    ::unsetenv("TZ");
    ::tzset();
}
