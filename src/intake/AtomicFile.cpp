#include "intake/AtomicFile.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace vireo {

namespace {

[[noreturn]] void Fail(const std::filesystem::path& path, int error)
{
    throw std::system_error(error, std::generic_category(), path.string());
}

void WriteAll(int fd, std::string_view content, const std::filesystem::path& path)
{
    while (!content.empty()) {
        const ssize_t written = ::write(fd, content.data(), content.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            Fail(path, errno);
        }
        content.remove_prefix(static_cast<std::size_t>(written));
    }
}

} // namespace

void WriteFileAtomically(const std::filesystem::path& path, std::string_view content)
{
    std::error_code ec;
    std::filesystem::create_directories(path.parent_path(), ec);
    if (ec)
        Fail(path.parent_path(), ec.value());

    std::string temp = path.string() + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0)
        Fail(path, errno);
    bool open = true;
    try {
        struct stat old {};
        ::fchmod(fd, ::stat(path.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644);
        WriteAll(fd, content, temp);
        if (::fsync(fd) != 0)
            Fail(temp, errno);
        open = false;
        if (::close(fd) != 0)
            Fail(temp, errno);
    } catch (...) {
        if (open)
            ::close(fd);
        ::unlink(temp.c_str());
        throw;
    }
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        const int error = errno;
        ::unlink(temp.c_str());
        Fail(path, error);
    }
}

} // namespace vireo
