#include "components/FileIO.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <filesystem>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

using namespace vireo;
namespace fs = std::filesystem;

namespace {

class FileIO : public ::testing::Test {
protected:
    fs::path At(const char* name) const { return fs::path(dir.path().toStdString()) / name; }
    QTemporaryDir dir;
};

struct stat StatOf(const fs::path& path)
{
    struct stat info {};
    EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
    return info;
}

int ErrorOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const std::system_error& e) {
        return e.code().value();
    }
    return 0;
}

} // namespace

TEST_F(FileIO, AtomicWriteReplacesTheLinkedFileAndKeepsItsPermissions)
{
    const auto file = At("Unit1.pas");
    WriteNewFile(file, "old", 0640);
    fs::create_symlink(file, At("Link.pas"));

    WriteFileAtomically(At("Link.pas"), "new");

    EXPECT_TRUE(fs::is_symlink(At("Link.pas"))) << "the link stays a link";
    EXPECT_EQ(ReadFileBytes(file), "new");
    struct stat info {};
    ASSERT_EQ(::stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path().toStdString()), fs::directory_iterator()), 2)
        << "no temporary file is left behind";
}

TEST_F(FileIO, FailuresThrowAndLeaveExistingFilesWhole)
{
    WriteNewFile(At("Unit1.pas"), "first", 0644);
    EXPECT_EQ(ErrorOf([&] { WriteNewFile(At("Unit1.pas"), "second", 0644); }), EEXIST);
    EXPECT_EQ(ReadFileBytes(At("Unit1.pas")), "first");

    // A regular file where a folder should be makes the write fail, even for root.
    EXPECT_EQ(ErrorOf([&] { WriteFileAtomically(At("Unit1.pas") / "inner.pas", "x"); }), ENOTDIR);

    EXPECT_EQ(ErrorOf([&] { ReadFileBytes(At("missing.pas")); }), ENOENT);
    EXPECT_EQ(ErrorOf([&] { ReadFileBytes(At("")); }), EISDIR);
    ASSERT_EQ(::mkfifo(At("pipe").c_str(), 0600), 0);
    EXPECT_EQ(ErrorOf([&] { ReadFileBytes(At("pipe")); }), EINVAL) << "a pipe is refused, not waited on";
    EXPECT_EQ(ReadFileBytes(At("Unit1.pas"), 5), "first") << "a file of the size limit is read";
    EXPECT_EQ(ErrorOf([&] { ReadFileBytes(At("Unit1.pas"), 4); }), EFBIG);
}

TEST_F(FileIO, NewFilesFollowTheUmaskAndReplacedFilesKeepTheirModeAndOwner)
{
    const mode_t previousMask = ::umask(077);
    WriteFileAtomically(At("Log.jsonl"), "new");
    EXPECT_EQ(StatOf(At("Log.jsonl")).st_mode & 0777, 0600u);
    WriteNewFile(At("Unit1.BAK"), "copy", 0644);
    EXPECT_EQ(StatOf(At("Unit1.BAK")).st_mode & 0777, 0600u);

    const auto shared = At("Shared.reg");
    WriteNewFile(shared, "old", 0600);
    ::umask(previousMask);
    ASSERT_EQ(::chmod(shared.c_str(), 0664), 0);
    const bool mayGiveAway = ::geteuid() == 0 && ::chown(shared.c_str(), 4321, 4322) == 0;
    WriteFileAtomically(shared, "new");
    EXPECT_EQ(ReadFileBytes(shared), "new");
    EXPECT_EQ(StatOf(shared).st_mode & 0777, 0664u);
    if (mayGiveAway) {
        EXPECT_EQ(StatOf(shared).st_uid, 4321u);
        EXPECT_EQ(StatOf(shared).st_gid, 4322u);
    }
}

TEST_F(FileIO, ALinkToAFileNotYetThereStaysALinkAndItsTargetIsCreated)
{
    fs::create_directory(At("units"));
    fs::create_symlink("units/Unit2.pas", At("Link.pas"));
    fs::create_symlink("Link.pas", At("Chain.pas"));

    WriteFileAtomically(At("Chain.pas"), "new");

    EXPECT_TRUE(fs::is_symlink(At("Chain.pas")));
    EXPECT_TRUE(fs::is_symlink(At("Link.pas")));
    EXPECT_EQ(ReadFileBytes(At("units/Unit2.pas")), "new");
    EXPECT_EQ(std::distance(fs::directory_iterator(At("units")), fs::directory_iterator()), 1)
        << "no temporary file is left behind";
    fs::create_symlink("missing/Unit3.pas", At("Lost.pas"));
    EXPECT_EQ(ErrorOf([&] { WriteFileAtomically(At("Lost.pas"), "x"); }), ENOENT)
        << "a link into a folder that is not there is refused, not replaced";
    EXPECT_TRUE(fs::is_symlink(At("Lost.pas")));
}
