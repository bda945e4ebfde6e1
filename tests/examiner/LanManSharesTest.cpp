#include "examiner/LanManShares.h"
#include "settings/RegUtils.h"
#include "settings/RegistryHive.h"

#include "ExaminerTestSupport.h"

#include <gtest/gtest.h>

using namespace vireo;
using namespace vireo::test;

TEST(LanManShares, SharesAreReadFromTheHiveAndMapAUnitPath)
{
    TempDir dir;
    ::setenv("VIREO_REGISTRY_DIR", dir.path().c_str(), 1);
    EXPECT_TRUE(ReadLanManShares().empty()) << "a machine without shares";
    WriteRegStringAt(std::string(kLanManKeyPath) + "DOCS", "Path", "/home");
    WriteRegStringAt(std::string(kLanManKeyPath) + "ROOT", "Path", "/");
    auto odd = RegKey::Create(RegRoot::LocalMachine, std::string(kLanManKeyPath) + "ODD");
    ASSERT_TRUE(odd);
    ASSERT_EQ(odd->SetValue("Path", RegValue::FromDWord(1)), RegStatus::Ok);
    const auto shares = ReadLanManShares();
    ::unsetenv("VIREO_REGISTRY_DIR");
    ASSERT_EQ(shares.size(), 2u) << "a share whose path is a number is left out";
    EXPECT_EQ(MapToNetworkPath("/home/u/A.pas", "box", shares), "\\\\box\\ROOT/home/u/A.pas");
}
