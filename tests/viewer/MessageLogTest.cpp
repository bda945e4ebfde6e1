#include "viewer/session/MessageLog.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <sys/stat.h>

#include <string>
#include <system_error>
#include <vector>

using namespace vireo;

namespace {

struct Read {
    std::vector<std::string> Texts;
    std::vector<double> Stamps;
    MessageLogReport Report;
};

// Reads a log handed over in pieces of the given size, as a file arrives in blocks.
Read ReadLog(std::string_view log, std::size_t piece)
{
    Read read;
    MessageLogReader reader([&read](TraceFields&& f) {
        read.Texts.push_back(std::string(f.ClassName) + "|" + std::string(f.MessageStr) + "|" + std::to_string(f.MessageType) +
                             "|" + std::string(f.MessageGroup) + "|" + std::string(f.ComputerName) + "|" +
                             std::string(f.MessageID) + "|" + std::string(f.UnitFileName));
        read.Stamps.push_back(f.MessageDateTime);
    });
    for (std::size_t at = 0; at < log.size(); at += piece)
        reader.Feed(log.substr(at, piece));
    read.Report = reader.Finish();
    return read;
}

std::string Line(std::string_view text, std::string_view extra = "", std::string_view stamp = "46000.5")
{
    return std::string(R"({"ClassName":"TFoo","MessageStr":")") + std::string(text) +
           R"(","MessageType":2,"MessageGroup":"","ComputerName":"PC","MessageID":"U1","UnitFileName":"/u.pas",)" +
           std::string(extra) + R"("MessageDateTime":)" + std::string(stamp) + "}\n";
}

} // namespace

TEST(MessageLog, DamagedLinesAreSkippedAndCountedWhateverThePieces)
{
    const std::string log = std::string(R"({"format":"vireo-log","version":1})") + "\n" +
                            Line(R"(tab\tquote\" slash\/ \u00e9\ud83d\ude00 \u0000end)") +      // 2: read
                            Line("future", R"("Later":{"a":[1,{"b":null}],"c":true},)") +       // 3: read
                            "\r\n   \n" +                                                       // 4, 5: blank
                            R"({"ClassName":"TFoo","MessageStr":"no stamp"})" "\n" +             // 6
                            "not json at all\n" +                                               // 7
                            Line(R"(bad escape \x)") +                                          // 8
                            Line(R"(lone \ud800 surrogate)") +                                  // 9
                            Line("raw\x01control") +                                            // 10
                            Line("bad \xC3\x28 utf-8") +                                        // 11
                            R"({"ClassName":"TFoo","MessageStr":"type","MessageType":"2","MessageGroup":"",)"
                            R"("ComputerName":"PC","MessageID":"U1","UnitFileName":"/u","MessageDateTime":1})" "\n" + // 12
                            Line("past year 9999", "", "3e6") +                                 // 13
                            Line("trailing") + " junk\n" +                                      // 14 read, 15 skipped
                            R"({"format":"vireo-log","version":1})" "\n" +                      // 16: a joined log
                            Line("last") +                                                      // 17: read
                            Line("cut short").substr(0, 40);                                    // 18
    for (const std::size_t piece : {log.size(), std::size_t{1}, std::size_t{7}}) {
        const Read read = ReadLog(log, piece);
        ASSERT_EQ(read.Texts.size(), 4u) << piece;
        EXPECT_EQ(read.Texts[0], std::string("TFoo|tab\tquote\" slash/ \xC3\xA9\xF0\x9F\x98\x80 ") +
                                     std::string(1, '\0') + "end|2||PC|U1|/u.pas");
        EXPECT_EQ(read.Texts[1], "TFoo|future|2||PC|U1|/u.pas") << "unknown fields are passed over";
        EXPECT_EQ(read.Texts[3], "TFoo|last|2||PC|U1|/u.pas");
        EXPECT_EQ(read.Stamps[0], 46000.5);
        EXPECT_EQ(read.Report.Messages, 4);
        EXPECT_EQ(read.Report.SkippedLines, 10);
        EXPECT_EQ(read.Report.FirstSkipped, (std::vector<std::int64_t>{6, 7, 8, 9, 10, 11, 12, 13, 15, 18}));
        EXPECT_EQ(SkippedLinesText(read.Report),
                  "Opened 4 messages. 10 lines were not messages and were skipped: lines 6, 7, 8, 9, 10, 11, 12, "
                  "13, 15, 18.");
    }
    EXPECT_EQ(ReadLog(Line("no header, as jq -c leaves it") + "x\n", 5).Texts.size(), 1u);
    EXPECT_EQ(SkippedLinesText(ReadLog(Line("a"), 100).Report), "");
}

TEST(MessageLog, OtherFormatsNewerVersionsPipesAndHugeLinesAreRefusedClearly)
{
    const auto refusal = [](std::string_view log) {
        try {
            ReadLog(log, 3);
        } catch (const MessageLogError& error) {
            return std::string(error.what());
        }
        return std::string("opened");
    };
    EXPECT_EQ(refusal(R"({"format":"vireo-log","version":2,"more":[]})" "\n" + Line("x")),
              "This message log was written by a newer Vireo (format version 2); this Vireo opens logs up to "
              "version 1.");
    for (const char* version : {"1e300", "1e999", "-1", "1.5", "0", "\"1\""})
        EXPECT_EQ(refusal(std::string(R"({"format":"vireo-log","version":)") + version + "}\n" + Line("x")),
                  std::string("This message log names a format version this Vireo does not know (") + version +
                      "); this Vireo opens logs of versions 1 to 1.");
    const std::string bom = "\xEF\xBB\xBF";
    EXPECT_EQ(refusal(bom + R"({"format":"vireo-log","version":7})" "\n"),
              "This message log was written by a newer Vireo (format version 7); this Vireo opens logs up to "
              "version 1.") << "the header behind a byte-order mark is checked";
    const Read behindMark = ReadLog(bom + R"({"format":"vireo-log","version":1})" "\n" + Line("x"), 2);
    EXPECT_EQ(behindMark.Texts.size(), 1u);
    EXPECT_EQ(behindMark.Report.SkippedLines, 0);
    EXPECT_EQ(refusal(R"( {"format" : "csv"})"), "This file is not a Vireo message log (its format is \"csv\").");

    // A line past the limit is skipped without being held; the next one still opens.
    constexpr std::size_t kLimit = 1 << 16;
    MessageLogReader reader([](TraceFields&&) {}, kLimit);
    const std::string block(1000, 'x');
    reader.Feed(R"({"ClassName":")");
    for (std::size_t fed = 0; fed <= kLimit; fed += block.size())
        reader.Feed(block);
    reader.Feed("\"}\n" + Line("after"));
    const MessageLogReport& report = reader.Finish();
    EXPECT_EQ(report.Messages, 1);
    EXPECT_EQ(report.FirstSkipped, std::vector<std::int64_t>{1});

    QTemporaryDir dir;
    const std::string fifo = dir.filePath(QStringLiteral("pipe")).toStdString();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_THROW(OpenMessageLog(fifo, [](TraceFields&&) {}), std::system_error) << "refused, not waited on";
    EXPECT_THROW(OpenMessageLog(dir.filePath(QStringLiteral("missing")).toStdString(), [](TraceFields&&) {}),
                 std::system_error);
}
