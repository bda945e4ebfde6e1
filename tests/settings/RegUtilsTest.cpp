#include "settings/RegUtils.h"
#include "settings/RegistryHive.h"
#include "TempRegistry.h"

#include <sys/wait.h>
#include <unistd.h>

using namespace vireo;

namespace {

class RegUtils : public test::TempRegistry {
protected:
    // The value as stored below HKEY_LOCAL_MACHINE\SOFTWARE\Korvel\.
    std::optional<RegValue> Stored(std::string_view subKey, std::string_view name) const
    {
        const auto key = RegKey::Open(RegRoot::LocalMachine, std::string(RegBasePath) + std::string(subKey),
                                      RegAccess::Read);
        return key ? key->QueryValue(name) : std::nullopt;
    }

    void Store(std::string_view subKey, std::string_view name, const RegValue& value) const
    {
        auto key = RegKey::Create(RegRoot::LocalMachine, std::string(RegBasePath) + std::string(subKey));
        ASSERT_TRUE(key);
        ASSERT_EQ(key->SetValue(name, value), RegStatus::Ok);
    }

    // Runs checks in a child process that cannot write the hive folder (as root: dropped to an
    // unprivileged user, since root writes read-only folders); the result is its failure count.
    int CountFailuresWithoutWriteRights(const std::function<int()>& checks) const
    {
        std::filesystem::permissions(base_, std::filesystem::perms::all & ~std::filesystem::perms::others_write
                                                & ~std::filesystem::perms::group_write);
        std::filesystem::permissions(folder_, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec
                                                  | std::filesystem::perms::group_read | std::filesystem::perms::group_exec
                                                  | std::filesystem::perms::others_read
                                                  | std::filesystem::perms::others_exec);
        const pid_t child = fork();
        if (child == 0) {
            if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
                _exit(100);
            _exit(checks());
        }
        int status = 0;
        waitpid(child, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : 200;
    }
};

} // namespace

TEST_F(RegUtils, AMissingValueIsStoredWithItsDefaultOnFirstRead)
{
    EXPECT_EQ(ReadRegShort("Vireo", "ExpertMode", 0), 0);
    EXPECT_EQ(Stored("Vireo", "ExpertMode"), RegValue::FromDWord(0));
    WriteRegInteger("Vireo", "ExpertMode", 1);
    EXPECT_EQ(ReadRegShort("Vireo", "ExpertMode", 0), 1);

    EXPECT_EQ(ReadRegString("Vireo", "Editor", "vi"), "vi");
    EXPECT_EQ(Stored("Vireo", "editor"), RegValue::FromText("vi"));
    EXPECT_EQ(ReadRegString("Vireo", "EDITOR", "other"), "vi");

    const std::string lanMan = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Network\\LanMan\\";
    EXPECT_EQ(ReadRegStringAt(lanMan + "Share", "Path", ""), "");
    EXPECT_EQ(RegKey::Open(RegRoot::LocalMachine, lanMan + "Share")->QueryValue("Path"), RegValue::FromText(""));
}

TEST_F(RegUtils, FlagsAndShortsUseMinusOneAndTheLowSixteenBits)
{
    WriteRegShort("Vireo", "SaveKeys", -1);
    EXPECT_EQ(Stored("Vireo", "SaveKeys"), RegValue::FromDWord(0xFFFFFFFF));
    EXPECT_EQ(ReadRegShort("Vireo", "SaveKeys", 0), -1);
    WriteRegInteger("Vireo", "Big", 65536);
    EXPECT_EQ(ReadRegShort("Vireo", "Big", -1), 0);
    WriteRegInteger("Vireo", "Bigger", 0x18000);
    EXPECT_EQ(ReadRegShort("Vireo", "Bigger", 0), -32768);
    EXPECT_EQ(ReadRegShort("Vireo", "Fresh", -2), -2);
    EXPECT_EQ(Stored("Vireo", "Fresh"), RegValue::FromDWord(0xFFFFFFFE)) << "stored sign-extended";
}

TEST_F(RegUtils, AValueOfAnotherTypeFailsWithItsNameAndStaysAsItWas)
{
    const auto failure = [](auto read) -> std::string {
        try {
            read();
        } catch (const ERegistryException& e) {
            return e.what();
        }
        return "no failure";
    };
    WriteRegString("Vireo", "Short", "abc");
    WriteRegString("Vireo", "Long", "abcd");
    EXPECT_EQ(failure([] { ReadRegInteger("Vireo", "Short", 0); }), "Invalid data type for 'Short'");
    EXPECT_EQ(failure([] { ReadRegShort("Vireo", "Long", 0); }), "Failed to get data for 'Long'");
    EXPECT_EQ(Stored("Vireo", "Long"), RegValue::FromText("abcd"));

    WriteRegInteger("Vireo", "Number", 5);
    EXPECT_EQ(failure([] { ReadRegString("Vireo", "Number", ""); }), "Invalid data type for 'Number'");
    EXPECT_EQ(failure([] { WriteRegString("Vireo", "Two\nLines", ""); }), "Failed to set data for 'Two\nLines'");
}

TEST_F(RegUtils, StringsEndAtTheirFirstNulAndExpandableOnesAreNotExpanded)
{
    Store("Vireo", "Expand", RegValue::FromText("%HOME%\\units", RegType::ExpandString));
    Store("Vireo", "Nul", RegValue{RegType::String, std::string("left\0right\0", 11)});
    Store("Vireo", "NoData", RegValue{RegType::String, ""});
    EXPECT_EQ(ReadRegString("Vireo", "Expand", ""), "%HOME%\\units");
    EXPECT_EQ(ReadRegString("Vireo", "Nul", ""), "left");
    EXPECT_EQ(ReadRegString("Vireo", "NoData", "default"), "");

    WriteRegString("Vireo", "Empty", "");
    EXPECT_EQ(Stored("Vireo", "Empty")->data, std::string(1, '\0'));
    EXPECT_EQ(ReadRegString("Vireo", "Empty", "x"), "");
}

TEST_F(RegUtils, AListSavedShorterReadsBackWithExactlyItsOwnEntries)
{
    EXPECT_EQ(CountRegSubKeys("Vireo\\KeyMarks"), 0);
    EXPECT_TRUE(RegKey::Open(RegRoot::LocalMachine, "SOFTWARE\\Korvel\\Vireo\\KeyMarks")) << "counting creates the key";

    for (int n = 0; n < 12; ++n)
        WriteRegString("Vireo\\KeyMarks\\" + std::to_string(n), "Line", std::to_string(n));
    WriteRegString("Vireo\\KeyMarks\\3\\Inner", "X", "nested, not counted");
    EXPECT_EQ(CountRegSubKeys("Vireo\\KeyMarks"), 12);

    DeleteRegKey("Vireo\\KeyMarks");
    for (int n = 0; n < 2; ++n)
        WriteRegString("Vireo\\KeyMarks\\" + std::to_string(n), "Line", "new " + std::to_string(n));
    ASSERT_EQ(CountRegSubKeys("Vireo\\KeyMarks"), 2);
    EXPECT_EQ(ReadRegString("Vireo\\KeyMarks\\1", "Line", ""), "new 1");

    const std::string before = ReadMachineHive();
    DeleteRegKey("Vireo\\NoSuchList");
    EXPECT_EQ(ReadMachineHive(), before);
}

TEST_F(RegUtils, AHiveFolderThatIsAFileMakesReadsDefaultAndWritesNothing)
{
    std::filesystem::create_directories(base_);
    std::ofstream(folder_) << "not a folder";

    EXPECT_EQ(ReadRegInteger("Vireo", "ExpertMode", 0), -1);
    EXPECT_EQ(ReadRegShort("Vireo", "SaveKeys", 0), -1) << "so every flag reads as on";
    EXPECT_EQ(ReadRegString("Vireo", "Editor", "vi"), "vi");
    EXPECT_EQ(ReadRegStringAt("SOFTWARE\\X", "Path", "p"), "p");
    EXPECT_NO_THROW(WriteRegString("Vireo", "Editor", "x"));
    EXPECT_NO_THROW(WriteRegInteger("Vireo", "ExpertMode", 1));
    EXPECT_NO_THROW(WriteRegShort("Vireo", "ExpertMode", 1));
    EXPECT_NO_THROW(WriteRegStringAt("SOFTWARE\\X", "Path", "p"));
    EXPECT_NO_THROW(DeleteRegKey("Vireo"));
    EXPECT_EQ(CountRegSubKeys("Vireo"), 0);
    EXPECT_TRUE(std::filesystem::is_regular_file(folder_));
}

TEST_F(RegUtils, AReadOnlyHiveFolderMakesIntegerReadsMinusOneAndLeavesTheHiveAlone)
{
    WriteRegInteger("Vireo", "ExpertMode", 5);
    WriteRegString("Vireo", "Editor", "vi");
    WriteRegString("Vireo\\KeyMarks\\0", "Line", "1");
    const std::string before = ReadMachineHive();

    const int failures = CountFailuresWithoutWriteRights([] {
        int failed = 0;
        failed += ReadRegInteger("Vireo", "ExpertMode", 0) != -1;
        failed += ReadRegShort("Vireo", "Missing", 0) != -1;
        failed += ReadRegString("Vireo", "Editor", "default") != "default";
        failed += CountRegSubKeys("Vireo\\KeyMarks") != 0;
        try {
            WriteRegString("Vireo", "Editor", "changed");
            WriteRegInteger("Vireo", "ExpertMode", 0);
            DeleteRegKey("Vireo\\KeyMarks");
        } catch (...) {
            ++failed;
        }
        return failed;
    });
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(ReadMachineHive(), before);
}
