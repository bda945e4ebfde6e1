#include "settings/HiveFile.h"
#include "settings/HiveText.h"
#include "settings/RegistryHive.h"
#include "TempRegistry.h"

#include <sys/stat.h>

#include <functional>

using namespace vireo;

namespace {

class RegistryHive : public test::TempRegistry {};

constexpr auto Machine = RegRoot::LocalMachine;

} // namespace

TEST_F(RegistryHive, KeysAndValuesMatchNamesWithoutCaseAndKeepTheCaseFirstWritten)
{
    auto key = RegKey::Create(Machine, "SOFTWARE\\Korvel\\Vireo\\");
    ASSERT_TRUE(key);
    ASSERT_EQ(key->SetValue("ExpertMode", RegValue::FromDWord(1)), RegStatus::Ok);
    ASSERT_EQ(key->SetValue("EXPERTMODE", RegValue::FromDWord(2)), RegStatus::Ok);
    EXPECT_EQ(key->ValueNames(), std::vector<std::string>{"ExpertMode"});

    const auto again = RegKey::Open(Machine, "\\software\\KORVEL\\vireo", RegAccess::Read);
    ASSERT_TRUE(again);
    EXPECT_EQ(again->QueryValue("expertmode"), RegValue::FromDWord(2));
    EXPECT_FALSE(again->QueryValue("Missing"));

    ASSERT_TRUE(RegKey::Create(Machine, "software\\korvel\\vireo\\b"));
    ASSERT_TRUE(RegKey::Create(Machine, "SOFTWARE\\Korvel\\Vireo\\A\\Deeper"));
    ASSERT_TRUE(RegKey::Create(Machine, "SOFTWARE\\Korvel\\Vireo\\c"));
    EXPECT_EQ(key->SubKeyNames(), (std::vector<std::string>{"A", "b", "c"}));
    EXPECT_EQ(key->SubKeyCount(), 3);
    EXPECT_EQ(RegKey::Open(Machine, "SOFTWARE")->SubKeyNames(), std::vector<std::string>{"Korvel"});
}

TEST_F(RegistryHive, OpeningWithoutCreateLeavesNoTraceAndDeletingTakesTheWholeBranch)
{
    EXPECT_FALSE(RegKey::Open(Machine, "SOFTWARE\\Korvel"));
    EXPECT_FALSE(std::filesystem::exists(MachineHive()));

    ASSERT_TRUE(RegKey::Create(Machine, "SOFTWARE\\Korvel\\Vireo\\KeyMarks\\0"));
    ASSERT_TRUE(RegKey::Create(Machine, "SOFTWARE\\Korvel\\Vireo\\KeyMarks\\1\\Inner"));
    EXPECT_EQ(DeleteRegistryKey(Machine, "software\\korvel\\vireo\\keymarks"), RegStatus::Ok);
    EXPECT_FALSE(RegKey::Open(Machine, "SOFTWARE\\Korvel\\Vireo\\KeyMarks\\0"));
    EXPECT_TRUE(RegKey::Open(Machine, "SOFTWARE\\Korvel\\Vireo"));
    EXPECT_EQ(DeleteRegistryKey(Machine, "SOFTWARE\\Korvel\\Vireo\\KeyMarks"), RegStatus::NotFound);
    EXPECT_EQ(DeleteRegistryKey(Machine, "\\"), RegStatus::InvalidName) << "the root stays";
}

TEST_F(RegistryHive, NamesTheFileCannotHoldAreRefused)
{
    EXPECT_FALSE(RegKey::Create(Machine, "SOFTWARE\\Bad\nName"));
    auto key = RegKey::Create(Machine, "SOFTWARE\\Korvel");
    ASSERT_TRUE(key);
    EXPECT_EQ(key->SetValue("Two\nLines", RegValue::FromText("x")), RegStatus::InvalidName);
    EXPECT_EQ(key->SetValue(std::string("Nul\0", 4), RegValue::FromText("x")), RegStatus::InvalidName);
    std::string deepest;
    for (std::size_t level = 0; level < MaxKeyDepth; ++level)
        deepest += "\\k";
    EXPECT_TRUE(RegKey::Create(Machine, deepest));
    EXPECT_FALSE(RegKey::Create(Machine, deepest + "\\k")) << "a key the hive could not be read back with";
    EXPECT_FALSE(RegKey::Open(Machine, deepest + "\\k", RegAccess::Read));
    EXPECT_TRUE(ParseHiveText(ReadMachineHive(), "HKEY_LOCAL_MACHINE").root);
}

TEST_F(RegistryHive, EveryCallSeesWhatWasWrittenToTheFileSinceTheKeyWasOpened)
{
    auto key = RegKey::Create(Machine, "SOFTWARE\\Korvel\\Vireo");
    ASSERT_TRUE(key);
    key->SetValue("ExpertMode", RegValue::FromDWord(0));
    std::string text = ReadMachineHive();
    const auto at = text.find("\"ExpertMode\"=dword:00000000");
    ASSERT_NE(at, std::string::npos) << text;
    text.replace(at, 27, "\"ExpertMode\"=dword:00000001");
    text += "\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Korvel\\Vireo\\ByHand]\n\"Note\"=\"typed\"\n";
    WriteMachineHive(text);

    EXPECT_EQ(key->QueryValue("ExpertMode"), RegValue::FromDWord(1));
    EXPECT_EQ(key->SubKeyNames(), std::vector<std::string>{"ByHand"});
    EXPECT_EQ(RegKey::Open(Machine, "SOFTWARE\\Korvel\\Vireo\\ByHand")->QueryValue("Note"),
              RegValue::FromText("typed"));
    EXPECT_TRUE(reports_.empty());
}

TEST_F(RegistryHive, RewritingKeepsTheFilePermissions)
{
    auto key = RegKey::Create(Machine, "SOFTWARE\\Korvel");
    ASSERT_TRUE(key);
    ASSERT_EQ(chmod(MachineHive().c_str(), 0640), 0);
    key->SetValue("A", RegValue::FromDWord(1));
    struct stat info {};
    ASSERT_EQ(stat(MachineHive().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    EXPECT_TRUE(FilesNamedLike(".tmp").empty());
}

TEST_F(RegistryHive, AnUnparsableHiveIsSetAsideReportedOnceAndReplacedByAnEmptyOne)
{
    const std::string broken = "Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\A]\n\"N\"=dword:xyz\n";
    WriteMachineHive(broken);
    SetHiveProblemReporter([this](const std::string& message) {
        reports_.push_back(message);
        EXPECT_TRUE(RegKey::Create(Machine, "Reporter")) << "the report comes after the hive is released";
    });

    EXPECT_FALSE(RegKey::Open(Machine, "A", RegAccess::Read));
    ASSERT_EQ(reports_.size(), 1u);
    EXPECT_NE(reports_[0].find("line 3"), std::string::npos) << reports_[0];

    const auto aside = FilesNamedLike("HKEY_LOCAL_MACHINE.reg.corrupt.");
    ASSERT_EQ(aside.size(), 1u);
    std::ifstream in(aside[0], std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), broken) << "nothing is thrown away";

    auto key = RegKey::Create(Machine, "A");
    ASSERT_TRUE(key);
    EXPECT_EQ(key->SetValue("N", RegValue::FromDWord(3)), RegStatus::Ok);
    EXPECT_EQ(key->QueryValue("N"), RegValue::FromDWord(3));
    EXPECT_EQ(reports_.size(), 1u);

    WriteMachineHive(broken);
    EXPECT_FALSE(key->QueryValue("N"));
    EXPECT_EQ(FilesNamedLike(".corrupt.").size(), 2u) << "a second set-aside copy does not replace the first";
}

TEST_F(RegistryHive, AHiveFolderThatCannotBeCreatedRefusesFullAccessOnly)
{
    std::filesystem::create_directories(base_);
    std::ofstream(folder_) << "a file where the folder should be";

    EXPECT_FALSE(RegKey::Create(Machine, "SOFTWARE\\Korvel"));
    EXPECT_FALSE(RegKey::Open(Machine, "SOFTWARE"));
    EXPECT_FALSE(RegKey::Open(Machine, "", RegAccess::Full));
    EXPECT_TRUE(RegKey::Open(Machine, "", RegAccess::Read)) << "the empty root can still be read";
    EXPECT_EQ(DeleteRegistryKey(Machine, "SOFTWARE"), RegStatus::CannotWrite);
    EXPECT_TRUE(reports_.empty());
}

TEST_F(RegistryHive, ABatchWritesItsChangesOnceOnCommitAndNothingWithout)
{
    ASSERT_TRUE(RegKey::Create(Machine, "SOFTWARE\\Korvel\\Vireo"));
    const auto identity = [this] {
        struct stat info {};
        stat(MachineHive().c_str(), &info);
        return info.st_ino;
    };
    const auto before = identity();
    {
        HiveBatch batch(Machine);
        for (int i = 0; i < 200; ++i) {
            auto key = RegKey::Create(Machine, "SOFTWARE\\Korvel\\Vireo\\KeyMarks\\" + std::to_string(i));
            ASSERT_TRUE(key);
            ASSERT_EQ(key->SetValue("Line Number", RegValue::FromText(std::to_string(i))), RegStatus::Ok);
        }
        EXPECT_EQ(RegKey::Open(Machine, "SOFTWARE\\Korvel\\Vireo\\KeyMarks")->SubKeyCount(), 200)
            << "the batch sees its own changes";
        EXPECT_EQ(identity(), before) << "nothing is written before the commit";
        EXPECT_EQ(batch.Commit(), RegStatus::Ok);
    }
    EXPECT_NE(identity(), before);
    EXPECT_EQ(RegKey::Open(Machine, "SOFTWARE\\Korvel\\Vireo\\KeyMarks\\199")->QueryValue("Line Number"),
              RegValue::FromText("199"));

    const std::string committed = ReadMachineHive();
    {
        HiveBatch dropped(Machine);
        EXPECT_EQ(DeleteRegistryKey(Machine, "SOFTWARE\\Korvel\\Vireo\\KeyMarks"), RegStatus::Ok);
    }
    EXPECT_EQ(ReadMachineHive(), committed) << "a batch without commit writes nothing";
    EXPECT_EQ(RegKey::Open(Machine, "SOFTWARE\\Korvel\\Vireo\\KeyMarks")->SubKeyCount(), 200);
}

TEST_F(RegistryHive, AHiveThatIsNoRegularFileTooLargeOrTooDeepIsSetAsideLikeAnUnparsableOne)
{
    std::filesystem::create_directories(folder_);
    const auto hive = MachineHive();
    const struct {
        const char* fault;
        std::function<void()> make;
        std::filesystem::file_type asideType;
    } cases[] = {
        {"it is a folder", [&] { std::filesystem::create_directory(hive); }, std::filesystem::file_type::directory},
        {"it is not a regular file", [&] { ASSERT_EQ(mkfifo(hive.c_str(), 0600), 0); }, std::filesystem::file_type::fifo},
        {"it is not a regular file", [&] { std::filesystem::create_symlink("/dev/zero", hive); },
         std::filesystem::file_type::symlink},
        {"it holds more than 128 MB", [&] { std::filesystem::resize_file((std::ofstream(hive), hive), MaxHiveFileBytes + 1); },
         std::filesystem::file_type::regular},
        {"line 2: the key lies deeper than 512 levels",
         [&] {
             std::string path = "HKEY_LOCAL_MACHINE";
             for (int level = 0; level < 100000; ++level)
                 path += "\\k";
             WriteMachineHive("REGEDIT4\n[" + path + "]\n");
         },
         std::filesystem::file_type::regular},
    };
    for (const auto& c : cases) {
        reports_.clear();
        std::filesystem::remove_all(folder_);
        std::filesystem::create_directories(folder_);
        c.make();
        EXPECT_FALSE(RegKey::Open(Machine, "A", RegAccess::Read)) << c.fault;
        auto key = RegKey::Create(Machine, "A");
        ASSERT_TRUE(key) << c.fault;
        EXPECT_EQ(key->SetValue("N", RegValue::FromDWord(3)), RegStatus::Ok) << c.fault;
        EXPECT_EQ(key->QueryValue("N"), RegValue::FromDWord(3)) << c.fault;
        ASSERT_EQ(reports_.size(), 1u) << c.fault;
        EXPECT_NE(reports_[0].find(std::string("cannot be read (") + c.fault + ")"), std::string::npos) << reports_[0];
        EXPECT_NE(reports_[0].find("it was moved to"), std::string::npos) << reports_[0];
        const auto aside = FilesNamedLike(".corrupt.");
        ASSERT_EQ(aside.size(), 1u) << c.fault;
        EXPECT_EQ(std::filesystem::symlink_status(aside[0]).type(), c.asideType) << "kept as it was: " << c.fault;
    }
    ASSERT_EQ(mkfifo((hive.native() + ".tmp").c_str(), 0600), 0);
    EXPECT_EQ(RegKey::Open(Machine, "A")->SetValue("N", RegValue::FromDWord(4)), RegStatus::Ok)
        << "a pipe beside the hive neither blocks the write nor fails it";
    EXPECT_EQ(RegKey::Open(Machine, "A")->QueryValue("N"), RegValue::FromDWord(4));
    EXPECT_EQ(std::filesystem::symlink_status(hive.native() + ".tmp").type(), std::filesystem::file_type::fifo);
}

TEST_F(RegistryHive, AHiveWhoseLockCannotBeTakenIsReadButNeverChanged)
{
    ASSERT_TRUE(RegKey::Create(Machine, "A"));
    ASSERT_EQ(RegKey::Open(Machine, "A")->SetValue("N", RegValue::FromDWord(1)), RegStatus::Ok);
    const std::string before = ReadMachineHive();
    std::filesystem::remove(MachineHive().native() + ".lock");
    std::filesystem::create_symlink(base_ / "elsewhere", MachineHive().native() + ".lock");

    auto key = RegKey::Open(Machine, "A");
    ASSERT_TRUE(key);
    EXPECT_EQ(key->QueryValue("N"), RegValue::FromDWord(1)) << "reading needs no lock";
    EXPECT_EQ(key->SetValue("N", RegValue::FromDWord(2)), RegStatus::CannotWrite);
    EXPECT_FALSE(RegKey::Create(Machine, "B"));
    {
        HiveBatch batch(Machine);
        EXPECT_EQ(key->DeleteValue("N"), RegStatus::Ok) << "the batch's own copy changes";
        EXPECT_EQ(batch.Commit(), RegStatus::CannotWrite);
    }
    EXPECT_EQ(ReadMachineHive(), before);
    ASSERT_EQ(reports_.size(), 1u) << "the refusal is reported once";
    EXPECT_NE(reports_[0].find(".lock' cannot be taken"), std::string::npos) << reports_[0];

    WriteMachineHive("not a hive");
    EXPECT_FALSE(RegKey::Open(Machine, "A", RegAccess::Read));
    EXPECT_TRUE(FilesNamedLike(".corrupt").empty()) << "an unreadable hive is moved aside only under the lock";
    EXPECT_EQ(ReadMachineHive(), "not a hive");
}

TEST_F(RegistryHive, AHiveLinkedFromSeveralFoldersIsWrittenThroughTheLinkBesideOtherWritersTemporaries)
{
    const auto shared = base_ / "shared.reg";
    std::ofstream(shared) << "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\A]\n\"N\"=dword:00000001\n";
    std::filesystem::create_directories(folder_);
    std::filesystem::create_symlink(shared, MachineHive());
    // Another folder's writer, under a lock of its own, is half-way through its temporary file.
    std::ofstream(shared.native() + ".tmp") << "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL";

    EXPECT_EQ(RegKey::Open(Machine, "A")->SetValue("N", RegValue::FromDWord(2)), RegStatus::Ok);

    EXPECT_TRUE(std::filesystem::is_symlink(MachineHive()));
    EXPECT_EQ(RegKey::Open(Machine, "A")->QueryValue("N"), RegValue::FromDWord(2));
    std::ifstream other(shared.native() + ".tmp");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(other), {}),
              "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL")
        << "the other writer's temporary file is not taken over";
    EXPECT_TRUE(reports_.empty());
}

TEST_F(RegistryHive, AChangeToOneKeyKeepsTheRestOfAHandEditedHive)
{
    WriteMachineHive("Windows Registry Editor Version 5.00\n"
                     "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Korvel]\n\"Top\"=\"t\"\n"
                     "[HKEY_LOCAL_MACHINE\\software\\korvel\\Vireo\\Marks\\0]\n\"Line\"=\"1\"\n"
                     "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Other]\n@=dword:00000005\n"
                     "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Korvel\\Vireo]\n\"Mode\"=dword:00000000\n"
                     "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Other]\n"
                     "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Other\\Back]\n");
    auto vireo = RegKey::Open(Machine, "SOFTWARE\\Korvel\\Vireo");
    ASSERT_TRUE(vireo);
    EXPECT_EQ(vireo->SetValue("MODE", RegValue::FromDWord(1)), RegStatus::Ok);
    EXPECT_TRUE(RegKey::Create(Machine, "SOFTWARE\\Korvel\\Examiner\\New"));
    EXPECT_EQ(DeleteRegistryKey(Machine, "SOFTWARE\\Korvel\\Vireo\\Marks\\0"), RegStatus::Ok);

    EXPECT_EQ(ReadMachineHive(), "Windows Registry Editor Version 5.00\n"
                                 "\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Korvel]\n\"Top\"=\"t\"\n"
                                 "\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Korvel\\Examiner\\New]\n"
                                 "\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Korvel\\Vireo]\n\"Mode\"=dword:00000001\n"
                                 "\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Korvel\\Vireo\\Marks]\n"
                                 "\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Other\\Back]\n");
    EXPECT_TRUE(reports_.empty());
}
