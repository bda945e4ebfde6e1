#pragma once

#include "FuzzCheck.h"

#include "examiner/ExaminerModel.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace vireo::fuzz {

// Largest unit a target reads: big enough for every shape of text, small enough to stay fast.
inline constexpr std::size_t kMaxUnitBytes = 64 * 1024;

// The unit file the examiner opens, in a folder of this process that is removed at exit. Its path
// goes into the UnitFileName constant; it does not hold "vireo", which would count as using the
// client unit.
inline const std::string& UnitPath()
{
    static const std::string path = [] {
        const char* tmp = std::getenv("TMPDIR");
        const auto folder = std::filesystem::path(tmp && *tmp ? tmp : "/tmp") /
                            ("examiner-fuzz-" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder);
        static const struct Remover {
            std::filesystem::path folder;
            ~Remover()
            {
                std::error_code ignored;
                std::filesystem::remove_all(folder, ignored);
            }
        } remover{folder};
        return (folder / "Unit1.pas").string();
    }();
    return path;
}

// An examiner on the fuzz input as its unit, or nothing when the examiner refuses the file (it
// holds NUL bytes). The model keeps a reference to the clock.
inline std::optional<ExaminerModel> OpenExaminer(const std::uint8_t* data, std::size_t size, TickSource& clock,
                                                 bool pascal)
{
    std::ofstream(UnitPath(), std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char*>(data),
                                                                        std::streamsize(size));
    std::filesystem::remove(BackupPathFor(UnitPath()));
    std::optional<ExaminerModel> model(std::in_place, UnitPath(), clock, ExaminerModel::ShareReader(), "FUZZHOST");
    model->SetPascalMode(pascal);
    try {
        model->OpenUnit();
    } catch (const ExaminerError&) {
        FUZZ_CHECK(std::string_view(reinterpret_cast<const char*>(data), size).find('\0') != std::string_view::npos);
        return std::nullopt;
    }
    return model;
}

// The lines' characters other than blanks, tabs and control characters, in order.
inline std::string Visible(const std::vector<std::string>& lines)
{
    std::string out;
    for (const auto& line : lines)
        for (const char c : line)
            if (static_cast<unsigned char>(c) > ' ')
                out += c;
    return out;
}

// Whether a rewrite only added text: every visible character of before stands in after, in order.
inline bool OnlyAdded(const std::vector<std::string>& before, const std::vector<std::string>& after)
{
    const std::string from = Visible(before);
    const std::string to = Visible(after);
    std::size_t i = 0;
    for (std::size_t j = 0; j < to.size() && i < from.size(); ++j)
        if (to[j] == from[i])
            ++i;
    return i == from.size();
}

// Selects every item of the list and makes it the active tab.
inline void SelectAll(ExaminerModel& model, ExaminerListKind kind)
{
    for (auto& item : model.List(kind))
        item.selected = true;
    model.SetActiveTab(kind);
}

// Every item of every list names a line of the working text.
inline bool ItemsWithinText(const ExaminerModel& model)
{
    const int count = int(model.WorkingText().size());
    for (std::size_t k = 0; k < kExaminerListCount; ++k)
        for (const auto& item : model.List(ExaminerListKind(k)))
            if (item.line < 1 || item.line > count)
                return false;
    return true;
}

} // namespace vireo::fuzz
