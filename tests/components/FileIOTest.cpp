#include "components/FileIO.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <filesystem>
#include <sys/stat.h>
#include <system_error>

using namespace vireo;
namespace fs = std::filesystem;

namespace {

class FileIO : public ::testing::Test {
protected:
    fs::path At(const char* name) const { return fs::path(dir.path().toStdString()) / name; }
    QTemporaryDir dir;
};

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
