#include "settings/HiveText.h"

#include <gtest/gtest.h>

#include <functional>

using namespace vireo;

namespace {

constexpr std::string_view Root = "HKEY_LOCAL_MACHINE";

std::unique_ptr<HiveKey> Parse(std::string_view text)
{
    auto result = ParseHiveText(text, Root);
    EXPECT_TRUE(result.root) << "line " << result.errorLine << ": " << result.error;
    return std::move(result.root);
}

const RegValue* ValueAt(const HiveKey& root, std::string_view path, std::string_view name)
{
    const HiveKey* key = FindKey(root, path);
    return key == nullptr ? nullptr : key->FindValue(name);
}

} // namespace

TEST(HiveText, WrittenHiveParsesBackToTheSameKeysValuesAndTypes)
{
    HiveKey root{std::string(Root)};
    bool created = false;
    HiveKey& vireo = CreateKey(root, "SOFTWARE\\Korvel\\Vireo", created);
    vireo.SetValue("ExpertMode", RegValue::FromDWord(0xFFFFFFFF));
    vireo.SetValue("Path", RegValue::FromText("C:\\Units\\\"quoted\" é"));
    vireo.SetValue("", RegValue::FromText("default"));
    vireo.SetValue("Expand", RegValue::FromText("%HOME%\\x", RegType::ExpandString));
    vireo.SetValue("Empty", RegValue::FromText(""));
    vireo.SetValue("NoData", RegValue{RegType::String, ""});
    vireo.SetValue("Lines", RegValue::FromText("one\ntwo\r\n"));
    vireo.SetValue("Inner\"Quote\\", RegValue{RegType::String, std::string("a\0b\0", 4)});
    vireo.SetValue("Long", RegValue{RegType::Binary, std::string(300, '\x5A')});
    vireo.SetValue("Odd", RegValue{static_cast<RegType>(0x20), "\x01\x02"});
    CreateKey(root, "SOFTWARE\\Korvel\\Vireo\\KeyMarks\\0", created);
    CreateKey(root, "SOFTWARE\\Korvel\\Empty Key", created);
    root.SetValue("AtRoot", RegValue::FromDWord(7));

    const std::string text = WriteHiveText(root, Root);
    EXPECT_TRUE(text.starts_with("Windows Registry Editor Version 5.00\n"));
    EXPECT_NE(text.find("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Korvel\\Vireo]\n\"ExpertMode\"=dword:ffffffff\n"),
              std::string::npos);
    EXPECT_NE(text.find("\"Path\"=\"C:\\\\Units\\\\\\\"quoted\\\" é\"\n"), std::string::npos);
    EXPECT_NE(text.find("@=\"default\"\n"), std::string::npos);
    EXPECT_NE(text.find("\"Expand\"=hex(2):25,48,4f,4d,45,25,5c,78,00\n"), std::string::npos);

    const auto back = Parse(text);
    ASSERT_TRUE(back);
    EXPECT_EQ(WriteHiveText(*back, Root), text);
    for (const auto& [name, value] : vireo.Values()) {
        const RegValue* read = ValueAt(*back, "SOFTWARE\\Korvel\\Vireo", name);
        ASSERT_NE(read, nullptr) << name;
        EXPECT_EQ(*read, value) << name;
    }
    EXPECT_NE(FindKey(*back, "SOFTWARE\\Korvel\\Empty Key"), nullptr);
    EXPECT_NE(FindKey(*back, "SOFTWARE\\Korvel\\Vireo\\KeyMarks\\0"), nullptr);
    EXPECT_EQ(*back->FindValue("AtRoot"), RegValue::FromDWord(7));
}

TEST(HiveText, HandEditedTextIsReadAsEdited)
{
    const auto root = Parse(
        "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n"
        "\r\n"
        "; edited by hand\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Korvel\\Vireo]\r\n"
        "\"ExpertMode\"=dword:00000001\r\n"
        "\"Short\"=dword:1f\r\n"
        "\"Bytes\"=hex:01,02,\\\r\n"
        "   03,04\r\n"
        "\r\n"
        "[hkey_local_machine\\software\\korvel\\vireo\\Added]\r\n"
        "\"Gone\"=\"x\"\r\n"
        "\"Gone\"=-\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Korvel\\Removed]\r\n"
        "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Korvel\\Removed]\r\n");
    ASSERT_TRUE(root);
    EXPECT_EQ(*ValueAt(*root, "SOFTWARE\\Korvel\\Vireo", "expertmode"), RegValue::FromDWord(1));
    EXPECT_EQ(*ValueAt(*root, "SOFTWARE\\Korvel\\Vireo", "Short"), RegValue::FromDWord(0x1F));
    EXPECT_EQ(ValueAt(*root, "SOFTWARE\\Korvel\\Vireo", "Bytes")->data, "\x01\x02\x03\x04");
    const HiveKey* vireo = FindKey(*root, "Software\\KORVEL\\Vireo");
    ASSERT_NE(vireo, nullptr);
    ASSERT_EQ(vireo->SubKeys().size(), 1u);
    EXPECT_EQ(vireo->SubKeys()[0]->Name(), "Added");
    EXPECT_EQ(FindKey(*root, "SOFTWARE")->Name(), "SOFTWARE") << "a key keeps the case first written";
    EXPECT_EQ(ValueAt(*root, "SOFTWARE\\Korvel\\Vireo\\Added", "Gone"), nullptr);
    EXPECT_EQ(FindKey(*root, "SOFTWARE\\Korvel\\Removed"), nullptr);
}

TEST(HiveText, TextThatIsNoHiveIsRefusedWithItsLine)
{
    const struct {
        const char* text;
        int line;
    } cases[] = {
        {"garbage\n", 1},
        {"Windows Registry Editor Version 5.00\n\"Value\"=\"outside any key\"\n", 2},
        {"Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\Software]\n", 2},
        {"Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\A]\n\"N\"=dword:123456789\n", 3},
        {"Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\A]\n\"N\"=\"unterminated\n", 3},
        {"Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\A]\n\"N\"=hex:01,zz\n", 3},
        {"Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\A\n", 2},
        {"Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\A]\nN=1\n", 3},
    };
    for (const auto& c : cases) {
        const auto result = ParseHiveText(c.text, Root);
        EXPECT_FALSE(result.root) << c.text;
        EXPECT_EQ(result.errorLine, c.line) << c.text;
    }
    EXPECT_TRUE(ParseHiveText("", Root).root) << "an empty file is an empty hive";
}

TEST(HiveText, DeepKeysAreWrittenInLinearSpaceAndTooDeepTextIsRefused)
{
    const auto chain = [](std::size_t depth) {
        auto root = std::make_unique<HiveKey>(std::string(Root));
        HiveKey* key = root.get();
        for (std::size_t level = 0; level < depth; ++level)
            key = &key->AddSubKey("k");
        key->SetValue("Leaf", RegValue::FromDWord(1));
        return root;
    };
    const std::string deep = WriteHiveText(*chain(100000), Root);
    EXPECT_LT(deep.size(), 250000u) << "one section, not one per level";
    const auto refused = ParseHiveText(deep, Root);
    EXPECT_FALSE(refused.root);
    EXPECT_EQ(refused.errorLine, 3);
    EXPECT_NE(refused.error.find("deeper than 512"), std::string::npos) << refused.error;
    EXPECT_FALSE(ParseHiveText(deep, Root, "Elsewhere").root) << "a focused read refuses it too";

    const std::string deepest = WriteHiveText(*chain(MaxKeyDepth), Root);
    const auto back = Parse(deepest);
    ASSERT_TRUE(back);
    EXPECT_EQ(WriteHiveText(*back, Root), deepest);
}

TEST(HiveText, AFocusedReadBuildsItsBranchAsTheWholeReadDoesAndChecksTheRest)
{
    const std::string text =
        "Windows Registry Editor Version 5.00\n"
        "[HKEY_LOCAL_MACHINE\\Soft\\Other]\n\"X\"=\"1\"\n"
        "[HKEY_LOCAL_MACHINE\\soft\\app\\Old]\n\"Gone\"=dword:1\n"
        "[-HKEY_LOCAL_MACHINE\\SOFT]\n"
        "[HKEY_LOCAL_MACHINE\\Soft\\App\\Keys\\1]\n\"N\"=\"one\"\n"
        "[HKEY_LOCAL_MACHINE\\Soft\\Apple]\n\"Near\"=\"miss\"\n"
        "[HKEY_LOCAL_MACHINE\\SOFT\\APP]\n\"Top\"=hex:01,\\\n  02\n\"Top\"=-\n\"Kept\"=dword:2\n"
        "[HKEY_LOCAL_MACHINE\\Soft\\App\\Keys\\2]\n"
        "[-HKEY_LOCAL_MACHINE\\Soft\\App\\Keys\\1]\n"
        "[HKEY_LOCAL_MACHINE\\Soft\\App\\Keys\\3\\Deeper]\n@=\"d\"\n";
    const auto whole = Parse(text);
    ASSERT_TRUE(whole);
    for (const std::string_view focus : {"Soft\\App", "soft\\app\\keys", "SOFT\\App\\Keys\\3\\Deeper", "Soft\\App\\None"}) {
        const auto branch = ParseHiveText(text, Root, focus);
        ASSERT_TRUE(branch.root) << focus;
        const HiveKey* expected = FindKey(*whole, focus);
        const HiveKey* built = FindKey(*branch.root, focus);
        ASSERT_EQ(built == nullptr, expected == nullptr) << focus;
        if (expected == nullptr)
            continue;
        EXPECT_EQ(built->Name(), expected->Name()) << focus;
        EXPECT_EQ(WriteHiveText(*built, Root), WriteHiveText(*expected, Root)) << focus;
    }
    const auto app = ParseHiveText(text, Root, "Soft\\App");
    EXPECT_EQ(FindKey(*app.root, "Soft\\Other"), nullptr) << "keys outside the branch are not built";
    EXPECT_EQ(FindKey(*app.root, "Soft\\Apple"), nullptr) << "names are matched whole";
    EXPECT_EQ(FindKey(*app.root, "Soft\\App\\Old"), nullptr) << "a removed parent takes the branch with it";

    const auto faulty = ParseHiveText(text + "[HKEY_LOCAL_MACHINE\\Unrelated]\n\"N\"=dword:xyz\n", Root, "Soft\\App");
    EXPECT_FALSE(faulty.root) << "a fault outside the branch still makes the text unreadable";
    EXPECT_EQ(faulty.errorLine, 21);
}

TEST(HiveText, ReplacingABranchGivesTheWholeRewriteAndKeepsEveryOtherLine)
{
    HiveKey tree{std::string(Root)};
    bool created = false;
    CreateKey(tree, "A", created).SetValue("V", RegValue::FromText("a"));
    CreateKey(tree, "A\\B\\C", created).SetValue("N", RegValue::FromDWord(1));
    CreateKey(tree, "A\\D", created);
    CreateKey(tree, "E\\F", created).SetValue("", RegValue::FromText("f"));
    CreateKey(tree, "Z", created);
    const std::string text = WriteHiveText(tree, Root);
    using Edit = std::function<void(HiveKey&)>;
    const std::pair<std::string_view, Edit> edits[] = {
        {"a\\b\\c", [](HiveKey& root) { FindKey(root, "a\\b\\c")->SetValue("n", RegValue::FromDWord(2)); }},
        {"A\\Ba", [](HiveKey& root) { bool made = false; CreateKey(root, "A\\Ba", made); }},
        {"A\\B\\C", [](HiveKey& root) { DeleteKey(root, "A\\B\\C"); }},
        {"E\\F", [](HiveKey& root) { DeleteKey(root, "E\\F"); }},
        {"New\\Deep", [](HiveKey& root) { bool made = false; CreateKey(root, "New\\Deep", made).SetValue("x", RegValue::FromDWord(3)); }},
    };
    for (const auto& [path, edit] : edits) {
        const auto whole = Parse(text);
        edit(*whole);
        const auto branch = ParseHiveText(text, Root, path).root;
        edit(*branch);
        EXPECT_EQ(ReplaceHiveBranchText(text, Root, *branch, path), WriteHiveText(*whole, Root)) << path;
    }

    const std::string edited = "REGEDIT4\r\n; by hand\r\n[HKEY_LOCAL_MACHINE\\x]\r\n\"v\"=\"1\"\r\n"
                               "[HKEY_LOCAL_MACHINE\\A\\B]\r\n\"old\"=hex:01,\\\r\n 02\r\n"
                               "[HKEY_LOCAL_MACHINE\\x\\y]\r\n\r\n[hkey_local_machine\\a\\b\\more]\r\n";
    const Edit change = [](HiveKey& root) {
        bool made = false;
        CreateKey(root, "X\\B", made).SetValue("New", RegValue::FromText("n"));
    };
    const auto whole = Parse(edited);
    change(*whole);
    const auto branch = ParseHiveText(edited, Root, "X\\B").root;
    change(*branch);
    const auto spliced = ReplaceHiveBranchText(edited, Root, *branch, "X\\B");
    ASSERT_TRUE(spliced);
    EXPECT_EQ(*spliced, "REGEDIT4\r\n; by hand\r\n[HKEY_LOCAL_MACHINE\\x]\r\n\"v\"=\"1\"\r\n"
                        "[HKEY_LOCAL_MACHINE\\A\\B]\r\n\"old\"=hex:01,\\\r\n 02\r\n"
                        "\n[HKEY_LOCAL_MACHINE\\x\\B]\n\"New\"=\"n\"\n"
                        "[HKEY_LOCAL_MACHINE\\x\\y]\r\n\r\n[hkey_local_machine\\a\\b\\more]\r\n")
        << "parents keep the case first written, other lines stay as they were";
    EXPECT_EQ(WriteHiveText(*Parse(*spliced), Root), WriteHiveText(*whole, Root));

    EXPECT_FALSE(ReplaceHiveBranchText(edited + "[-HKEY_LOCAL_MACHINE\\x]\r\n", Root, *branch, "X\\B"))
        << "removed keys need the whole rewrite";
    EXPECT_FALSE(ReplaceHiveBranchText("", Root, *branch, "X\\B"));
    EXPECT_FALSE(ReplaceHiveBranchText("\xEF\xBB\xBF\t", Root, *branch, "X\\B"))
        << "a text with no header gets the whole rewrite";

    const std::string unended = "REGEDIT4\n[HKEY_LOCAL_MACHINE\\a]\n\"v\"=\"1\"";
    const auto added = ReplaceHiveBranchText(unended, Root, *branch, "X\\B");
    ASSERT_TRUE(added);
    const auto read = Parse(*added);
    ASSERT_TRUE(read) << *added;
    EXPECT_EQ(*FindKey(*read, "a")->FindValue("v"), RegValue::FromText("1")) << "a last line without a line break stays whole";
    EXPECT_TRUE(FindKey(*read, "x\\B"));
}
