#include "intake/Registration.h"
#include "intake/VireoX_TLB.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <fstream>
#include <sstream>

using namespace vireo;

namespace {
std::string ReadFile(const std::filesystem::path& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void MakeFile(const std::filesystem::path& path, const std::string& text)
{
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path) << text;
}
} // namespace

TEST(Registration, WritesServiceAndInterfaceFilesAndRemovesThem)
{
    QTemporaryDir dir;
    const RegistrationFiles files = RegistrationFilesIn(dir.path().toStdString());
    EXPECT_EQ(files.ServiceFile.filename(), "VireoX.Vireo.service");
    EXPECT_EQ(files.InterfaceFile.filename(), "VireoX.IVireo.xml");

    RegisterServer(files, "/opt/vireo_1.0/bin/vireo");
    EXPECT_EQ(ReadFile(files.ServiceFile),
              "[D-BUS Service]\nName=VireoX.Vireo\nExec=/opt/vireo_1.0/bin/vireo -Automation\n");
    EXPECT_EQ(ReadFile(files.InterfaceFile), VireoX::InterfaceDescription().toStdString());

    RegisterServer(files, "/opt/my tools/vireo");
    EXPECT_NE(ReadFile(files.ServiceFile).find("Exec=\"/opt/my tools/vireo\" -Automation\n"), std::string::npos);

    UnregisterServer(files);
    EXPECT_FALSE(std::filesystem::exists(files.ServiceFile));
    EXPECT_FALSE(std::filesystem::exists(files.InterfaceFile));
    EXPECT_NO_THROW(UnregisterServer(files)) << "nothing left to remove is no failure";
}

TEST(Registration, UnwritableServiceFolderIsTheRegistryEntryErrorWithTheReason)
{
    QTemporaryDir dir;
    const RegistrationFiles files = RegistrationFilesIn(dir.path().toStdString());
    MakeFile(files.ServiceFile.parent_path(), "a file where the folder belongs");
    try {
        RegisterServer(files, "/usr/bin/vireo");
        FAIL() << "registration reported success";
    } catch (const RegistrationError& e) {
        EXPECT_EQ(std::string(e.what()).rfind("Error creating system registry entry: ", 0), 0u) << e.what();
        EXPECT_NE(std::string(e.what()).find("services"), std::string::npos) << e.what();
    }
}

TEST(Registration, APathTheServiceFileCannotHoldIsRefusedAndTheRegistrationKept)
{
    QTemporaryDir dir;
    const RegistrationFiles files = RegistrationFilesIn(dir.path().toStdString());
    RegisterServer(files, "/opt/vireo");
    const std::string before = ReadFile(files.ServiceFile);
    try {
        RegisterServer(files, "/opt/caf\xe9/vireo");
        FAIL() << "a path that is no UTF-8 was registered";
    } catch (const RegistrationError& e) {
        EXPECT_NE(std::string(e.what()).find("not UTF-8"), std::string::npos) << e.what();
    }
    EXPECT_EQ(ReadFile(files.ServiceFile), before);
}

TEST(Registration, UnwritableInterfaceFolderReportsTheSystemErrorAndWritesNoServiceFile)
{
    QTemporaryDir dir;
    const RegistrationFiles files = RegistrationFilesIn(dir.path().toStdString());
    MakeFile(files.InterfaceFile.parent_path(), "in the way");
    try {
        RegisterServer(files, "/usr/bin/vireo");
        FAIL() << "registration reported success";
    } catch (const RegistrationError& e) {
        EXPECT_NE(std::string(e.what()).find("interfaces"), std::string::npos) << e.what();
    }
    EXPECT_FALSE(std::filesystem::exists(files.ServiceFile));
}

TEST(Registration, RewritingKeepsNoTemporaryFilesBeside)
{
    QTemporaryDir dir;
    const RegistrationFiles files = RegistrationFilesIn(dir.path().toStdString());
    RegisterServer(files, "/a/vireo");
    RegisterServer(files, "/b/vireo");
    int entries = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(files.ServiceFile.parent_path()))
        ++entries;
    EXPECT_EQ(entries, 1);
    EXPECT_NE(ReadFile(files.ServiceFile).find("Exec=/b/vireo"), std::string::npos);
}
