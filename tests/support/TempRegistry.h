#pragma once

#include "settings/RegistryHive.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace vireo::test {

// Points the hive store at a fresh folder for its own life, then back at the folder before.
class HiveFolderScope {
public:
    HiveFolderScope()
    {
        char pattern[] = "/tmp/vireo-hive-XXXXXX";
        if (mkdtemp(pattern))
            folder_ = pattern;
        if (const char* previous = std::getenv("VIREO_REGISTRY_DIR"))
            previous_ = previous;
        setenv("VIREO_REGISTRY_DIR", folder_.c_str(), 1);
    }
    ~HiveFolderScope()
    {
        if (previous_.empty())
            unsetenv("VIREO_REGISTRY_DIR");
        else
            setenv("VIREO_REGISTRY_DIR", previous_.c_str(), 1);
        std::error_code ec;
        std::filesystem::remove_all(folder_, ec);
    }
    HiveFolderScope(const HiveFolderScope&) = delete;
    HiveFolderScope& operator=(const HiveFolderScope&) = delete;

    // The folder the hive files are kept in.
    const std::filesystem::path& Folder() const { return folder_; }

private:
    std::filesystem::path folder_;
    std::string previous_;
};

// Points the hive store at a fresh folder of its own for the life of a test and collects
// hive problem reports instead of printing them.
class TempRegistry : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/vireo-settings-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        base_ = pattern;
        folder_ = base_ / "registry";
        setenv("VIREO_REGISTRY_DIR", folder_.c_str(), 1);
        SetHiveProblemReporter([this](const std::string& message) { reports_.push_back(message); });
    }

    void TearDown() override
    {
        SetHiveProblemReporter({});
        unsetenv("VIREO_REGISTRY_DIR");
        std::error_code ec;
        std::filesystem::permissions(folder_, std::filesystem::perms::owner_all, ec);
        std::filesystem::remove_all(base_, ec);
    }

    // The machine hive's file.
    std::filesystem::path MachineHive() const { return HiveFilePath(RegRoot::LocalMachine); }

    std::string ReadMachineHive() const
    {
        std::ifstream in(MachineHive(), std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    void WriteMachineHive(const std::string& text) const
    {
        std::filesystem::create_directories(folder_);
        std::ofstream(MachineHive(), std::ios::binary) << text;
    }

    // Files in the folder whose names contain part.
    std::vector<std::filesystem::path> FilesNamedLike(const std::string& part) const
    {
        std::vector<std::filesystem::path> found;
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator(folder_, ec))
            if (entry.path().filename().string().find(part) != std::string::npos)
                found.push_back(entry.path());
        return found;
    }

    std::filesystem::path base_;
    std::filesystem::path folder_;
    std::vector<std::string> reports_;
};

} // namespace vireo::test
