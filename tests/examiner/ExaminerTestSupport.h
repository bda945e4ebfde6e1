#pragma once

#include "examiner/SourceScanner.h"
#include "examiner/TickSource.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace vireo::test {

// A clock that reads a set tick count; each pause moves it on by `step` milliseconds.
class FixedClock : public TickSource {
public:
    explicit FixedClock(std::int32_t tick, std::int32_t step = 1) : tick_(tick), step_(step) {}
    std::int32_t TickCount() override { return tick_; }
    void PauseOneMillisecond() override
    {
        ++pauses;
        tick_ += step_;
    }
    int pauses = 0;

private:
    std::int32_t tick_;
    std::int32_t step_;
};

// A fresh folder removed with everything in it when the test ends.
class TempDir {
public:
    TempDir()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "vireo-examiner-XXXXXX").string();
        path_ = ::mkdtemp(pattern.data());
    }
    ~TempDir() { std::filesystem::remove_all(path_); }
    const std::filesystem::path& path() const { return path_; }
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

inline void WriteFile(const std::string& path, const std::string& bytes)
{
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Scans the lines into the lists and selects every item of the list of that kind, which it returns.
inline ExaminerList& ScanAndSelectAll(const std::vector<std::string>& lines, ExaminerLists& lists, ExaminerListKind kind)
{
    SourceScanner(lines).ScanAll(lists);
    for (auto& item : lists[kind])
        item.selected = true;
    return lists[kind];
}

// Lines joined with the given break after each.
inline std::string Joined(const std::vector<std::string>& lines, const std::string& br = "\r\n")
{
    std::string out;
    for (const auto& line : lines)
        out += line + br;
    return out;
}

} // namespace vireo::test
