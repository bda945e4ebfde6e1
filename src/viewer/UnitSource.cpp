#include "viewer/UnitSource.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

bool FileUnitReader::Exists(const std::string& path)
{
    struct stat info {};
    return !path.empty() && ::stat(path.c_str(), &info) == 0;
}

namespace {

UnitReadResult Failure(const char* reason)
{
    UnitReadResult result;
    result.Error = reason;
    return result;
}

// Closes a descriptor however the read ends.
struct FileDescriptor {
    int fd;
    ~FileDescriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

} // namespace

UnitReadResult FileUnitReader::Read(const std::string& path)
{
    // Non-blocking open so that a named pipe cannot hang the window before it is rejected.
    FileDescriptor file{::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)};
    if (file.fd < 0)
        return Failure(std::strerror(errno));
    struct stat info {};
    if (::fstat(file.fd, &info) != 0)
        return Failure(std::strerror(errno));
    if (S_ISDIR(info.st_mode))
        return Failure(std::strerror(EISDIR));
    if (!S_ISREG(info.st_mode))
        return Failure("Not a regular text file");

    std::string text;
    text.resize(static_cast<std::size_t>(info.st_size));
    std::size_t filled = 0;
    for (;;) {
        if (filled == text.size())
            text.resize(text.size() + 65536); // the file may have grown since fstat
        const ssize_t got = ::read(file.fd, text.data() + filled, text.size() - filled);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return Failure(std::strerror(errno));
        }
        if (got == 0)
            break;
        filled += static_cast<std::size_t>(got);
    }
    text.resize(filled);
    UnitReadResult result;
    result.Ok = true;
    result.Lines = SplitUnitLines(text);
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
