#include "examiner/UnitFile.h"

#include "components/FileIO.h"

#include <algorithm>
#include <iterator>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace vireo {

void UnitText::InsertLines(std::size_t at, std::vector<std::string> added)
{
    if (added.empty())
        return;
    FillBreaks();
    at = std::min(at, lines.size());
    std::vector<LineBreak> addedBreaks(added.size(), style);
    if (at == lines.size() && !breaks.empty() && breaks.back() == LineBreak::None) {
        breaks.back() = style;
        addedBreaks.back() = LineBreak::None;
    }
    lines.insert(lines.begin() + std::ptrdiff_t(at), std::make_move_iterator(added.begin()),
                 std::make_move_iterator(added.end()));
    breaks.insert(breaks.begin() + std::ptrdiff_t(at), addedBreaks.begin(), addedBreaks.end());
}

void UnitText::FollowAddedLines(const std::vector<std::size_t>& map)
{
    std::vector<LineBreak> moved(lines.size(), style);
    for (std::size_t i = 0; i < map.size() && i < breaks.size(); ++i)
        moved[map[i]] = breaks[i];
    if (!breaks.empty() && breaks.back() == LineBreak::None && !moved.empty()) {
        moved[map.back()] = style;
        moved.back() = LineBreak::None;
    }
    breaks = std::move(moved);
}

std::string JoinUnitText(const UnitText& text)
{
    static constexpr std::string_view kBreakText[] = {"", "\n", "\r\n", "\r"};
    std::string out;
    std::size_t total = 0;
    for (const auto& line : text.lines)
        total += line.size() + 2;
    out.reserve(total);
    for (std::size_t i = 0; i < text.lines.size(); ++i) {
        out += text.lines[i];
        LineBreak lineBreak = text.BreakAfter(i);
        // A lone CR that an empty line's LF follows (lines added to a text of mixed breaks) would
        // read back as one CR LF, losing that line: it is written as CR LF itself.
        if (lineBreak == LineBreak::Cr && i + 1 < text.lines.size() && text.lines[i + 1].empty()
            && text.BreakAfter(i + 1) == LineBreak::Lf)
            lineBreak = LineBreak::CrLf;
        out += kBreakText[std::size_t(lineBreak)];
    }
    return out;
}

namespace {

// Copies the unit to its backup unless a backup exists. Returns whether this call created it. A
// copy that fails otherwise (no space, no permission) stops the save: the unit is not to be
// written without the state it replaces.
bool MakeBackupOnce(const std::string& path, const std::string& backup)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return false;
    try {
        WriteNewFile(backup, ReadUnitBytes(path), info.st_mode);
        return true;
    } catch (const std::system_error& e) {
        if (e.code() == std::errc::file_exists)
            return false;
        throw ExaminerError("Cannot save \"" + path + "\": its backup \"" + backup + "\" cannot be made (" +
                            e.code().message() + "); the unit is left as it was");
    }
}

} // namespace

UnitText SplitUnitText(const std::string& bytes)
{
    UnitText text;
    const auto firstBreak = bytes.find_first_of("\r\n");
    if (firstBreak != std::string::npos && bytes[firstBreak] == '\n')
        text.style = LineBreak::Lf;
    else if (firstBreak != std::string::npos && (firstBreak + 1 >= bytes.size() || bytes[firstBreak + 1] != '\n'))
        text.style = LineBreak::Cr;
    std::size_t start = 0;
    while (start < bytes.size()) {
        const auto end = bytes.find_first_of("\r\n", start);
        if (end == std::string::npos) {
            text.lines.emplace_back(bytes, start);
            text.breaks.push_back(LineBreak::None);
            break;
        }
        text.lines.emplace_back(bytes, start, end - start);
        const bool crlf = bytes[end] == '\r' && end + 1 < bytes.size() && bytes[end + 1] == '\n';
        text.breaks.push_back(crlf ? LineBreak::CrLf : bytes[end] == '\r' ? LineBreak::Cr : LineBreak::Lf);
        start = end + (crlf ? 2 : 1);
    }
    return text;
}

std::string ReadUnitBytes(const std::string& path)
{
    return ReadFileBytes(path, kMaxUnitFileBytes);
}

std::string UnitReadReason(const std::error_code& error)
{
    // ReadFileBytes refuses anything but a regular file as invalid.
    if (error == std::errc::invalid_argument)
        return "Not a regular file";
    if (error == std::errc::file_too_large)
        return "Larger than " + std::to_string(kMaxUnitFileBytes / (1024 * 1024)) + " MB";
    return error.message();
}

UnitText LoadUnitText(const std::string& path)
{
    std::string bytes;
    try {
        bytes = ReadUnitBytes(path);
    } catch (const std::system_error& e) {
        throw ExaminerError("Cannot open file \"" + path + "\": " + UnitReadReason(e.code()));
    }
    // A NUL byte never stands in Pascal source; rewriting such a file would corrupt it.
    if (bytes.find('\0') != std::string::npos)
        throw ExaminerError("Cannot open file \"" + path + "\": it is not a text file (it holds NUL bytes)");
    return SplitUnitText(bytes);
}

std::string BackupPathFor(const std::string& path)
{
    const auto slash = path.find_last_of("/\\");
    const auto nameStart = slash == std::string::npos ? 0 : slash + 1;
    const auto dot = path.rfind('.');
    if (dot == std::string::npos || dot < nameStart)
        return path + ".BAK";
    return path.substr(0, dot + 1) + "BAK";
}

bool IsReadOnlyUnit(const std::string& path)
{
    struct stat info {};
    // The write bits decide, so that a unit the user made read-only is refused even for root.
    return ::stat(path.c_str(), &info) == 0 &&
           ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || ::access(path.c_str(), W_OK) != 0);
}

void SaveUnitWithBackup(const std::string& path, const UnitText& text)
{
    if (IsReadOnlyUnit(path))
        throw ExaminerError("Cannot save \"" + path + "\": the unit is read-only");
    const std::string backup = BackupPathFor(path);
    const bool backupCreated = MakeBackupOnce(path, backup);
    try {
        WriteFileAtomically(path, JoinUnitText(text));
    } catch (const std::system_error& e) {
        // The backup made for this save is taken back, so that a later save makes it again.
        if (backupCreated)
            ::unlink(backup.c_str());
        throw ExaminerError("Cannot save \"" + path + "\": " + e.code().message());
    }
}

} // namespace vireo
