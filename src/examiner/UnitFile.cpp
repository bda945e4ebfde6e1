#include "examiner/UnitFile.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vireo {

namespace {

std::string Reason(int error)
{
    return std::strerror(error);
}

[[noreturn]] void Fail(const std::string& what, const std::string& path, int error)
{
    throw ExaminerError(what + " \"" + path + "\": " + Reason(error));
}

bool WriteAll(int fd, const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= std::size_t(n);
    }
    return true;
}

} // namespace

std::string JoinUnitText(const UnitText& text)
{
    const char* br = text.crlf ? "\r\n" : "\n";
    std::string out;
    std::size_t total = 0;
    for (const auto& line : text.lines)
        total += line.size() + 2;
    out.reserve(total);
    for (const auto& line : text.lines) {
        out += line;
        out += br;
    }
    return out;
}

namespace {

// Writes the path into a file beside it that does not exist yet; returns that file's name.
std::string WriteTemporaryBeside(const std::string& path, const std::string& bytes, mode_t mode)
{
    std::string name = path + ".vireo-XXXXXX";
    const int fd = ::mkstemp(name.data());
    if (fd < 0)
        Fail("Cannot save", path, errno);
    int error = 0;
    if (::fchmod(fd, mode) != 0 || !WriteAll(fd, bytes.data(), bytes.size()) || ::fsync(fd) != 0)
        error = errno;
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error != 0) {
        ::unlink(name.c_str());
        Fail("Cannot save", path, error);
    }
    return name;
}

// Copies the unit to its backup unless a backup exists. Returns whether this call created it.
bool MakeBackupOnce(const std::string& path, const std::string& backup)
{
    const int in = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return false;
    struct stat st {};
    ::fstat(in, &st);
    const int out = ::open(backup.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, st.st_mode & 07777);
    if (out < 0) {
        ::close(in);
        return false;
    }
    bool ok = true;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(in, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        if (!WriteAll(out, buffer, std::size_t(n))) {
            ok = false;
            break;
        }
    }
    ok = ::fsync(out) == 0 && ok;
    ok = ::close(out) == 0 && ok;
    ::close(in);
    if (!ok)
        ::unlink(backup.c_str());
    return ok;
}

// The file a path names, following symbolic links, so that saving replaces the target.
std::string ResolveTarget(const std::string& path)
{
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved) != nullptr)
        return resolved;
    return path;
}

} // namespace

UnitText SplitUnitText(const std::string& bytes)
{
    UnitText text;
    const auto firstBreak = bytes.find('\n');
    text.crlf = firstBreak == std::string::npos || (firstBreak > 0 && bytes[firstBreak - 1] == '\r');
    std::size_t start = 0;
    while (start < bytes.size()) {
        auto end = bytes.find('\n', start);
        const bool last = end == std::string::npos;
        if (last)
            end = bytes.size();
        std::size_t stop = end;
        if (!last && stop > start && bytes[stop - 1] == '\r')
            --stop;
        text.lines.emplace_back(bytes, start, stop - start);
        start = end + 1;
    }
    return text;
}

UnitText LoadUnitText(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        Fail("Cannot open file", path, errno);
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        Fail("Cannot open file", path, EISDIR);
    }
    std::string bytes;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const int error = errno;
            ::close(fd);
            Fail("Cannot read file", path, error);
        }
        if (n == 0)
            break;
        bytes.append(buffer, std::size_t(n));
    }
    ::close(fd);
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

void SaveUnitWithBackup(const std::string& path, const UnitText& text)
{
    const std::string target = ResolveTarget(path);
    struct stat st {};
    mode_t mode = 0644;
    if (::stat(target.c_str(), &st) == 0)
        mode = st.st_mode & 07777;
    const std::string temporary = WriteTemporaryBeside(target, JoinUnitText(text), mode);
    const std::string backup = BackupPathFor(path);
    const bool backupCreated = MakeBackupOnce(target, backup);
    if (::rename(temporary.c_str(), target.c_str()) != 0) {
        const int error = errno;
        ::unlink(temporary.c_str());
        if (backupCreated)
            ::unlink(backup.c_str());
        Fail("Cannot save", path, error);
    }
}

} // namespace vireo
