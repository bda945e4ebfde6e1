#include "viewer/session/UnitSource.h"

#include "examiner/LanManShares.h"
#include "examiner/NetworkPath.h"

#include <sys/stat.h>
#include <system_error>

namespace vireo {

UnitLines SplitUnitLines(std::string_view text)
{
    const auto nul = text.find('\0');
    if (nul != std::string_view::npos)
        text = text.substr(0, nul);
    UnitLines lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c != '\r' && c != '\n')
            continue;
        lines.emplace_back(text.substr(start, i - start));
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines.emplace_back(text.substr(start));
    return lines;
}

namespace {

// Where a unit path opens: a unit instrumented with a share of this computer names itself in
// network form, which opens as the local path behind that share.
std::string OpenablePath(const std::string& path)
{
    if (!path.starts_with("\\\\"))
        return path;
    const std::string local = LocalPathOfNetworkPath(path, LocalComputerName(), ReadLanManShares());
    return local.empty() ? path : local;
}

} // namespace

bool FileUnitReader::Exists(const std::string& path)
{
    struct stat info {};
    return !path.empty() && ::stat(OpenablePath(path).c_str(), &info) == 0;
}

UnitReadResult FileUnitReader::Read(const std::string& path)
{
    UnitReadResult result;
    try {
        result.Lines = SplitUnitLines(ReadUnitBytes(OpenablePath(path)));
        result.Ok = true;
    } catch (const std::system_error& error) {
        result.Error = UnitReadReason(error.code());
    }
    return result;
}

int LocateMessageLine(const UnitLines& lines, std::string_view messageId)
{
    if (messageId.empty())
        return -1;
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (lines[i].find(messageId) != std::string::npos)
            return static_cast<int>(i);
    return -1;
}

std::vector<int> RevealRowSequence(int rowCount, int row, bool fromTop)
{
    if (row < 0 || row >= rowCount)
        return {};
    std::vector<int> steps;
    if (fromTop)
        steps.push_back(0);
    if (row + 3 < rowCount)
        steps.push_back(row + 3);
    steps.push_back(row);
    return steps;
}

} // namespace vireo
