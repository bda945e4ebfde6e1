#include "components/FileIO.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace vireo {

namespace {

[[noreturn]] void Fail(const std::filesystem::path& path, int error)
{
    throw std::system_error(error, std::generic_category(), path.string());
}

// Closes a descriptor however the operation ends.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    int get() const { return fd_; }
    // Closes now and reports the close's own failure (where a full disk may first show).
    int close()
    {
        const int result = ::close(fd_);
        fd_ = -1;
        return result;
    }

private:
    int fd_;
};

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

// The file that saving must replace: the target of a symbolic link, else the path itself.
std::filesystem::path ResolveTarget(const std::filesystem::path& path)
{
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved) != nullptr)
        return resolved;
    return path;
}

} // namespace

std::string ReadFileBytes(const std::filesystem::path& path, std::uintmax_t maxBytes)
{
    Descriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (file.get() < 0)
        Fail(path, errno);
    struct stat info {};
    if (::fstat(file.get(), &info) != 0)
        Fail(path, errno);
    if (S_ISDIR(info.st_mode))
        Fail(path, EISDIR);
    if (!S_ISREG(info.st_mode))
        Fail(path, EINVAL);
    if (static_cast<std::uintmax_t>(info.st_size) > maxBytes)
        Fail(path, EFBIG);

    std::string bytes(static_cast<std::size_t>(info.st_size), '\0');
    std::size_t filled = 0;
    for (;;) {
        if (filled == bytes.size())
            bytes.resize(bytes.size() + 65536); // the file may have grown since fstat
        const ssize_t got = ::read(file.get(), bytes.data() + filled, bytes.size() - filled);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            Fail(path, errno);
        }
        if (got == 0)
            break;
        filled += static_cast<std::size_t>(got);
        if (filled > maxBytes) // grown past the limit since fstat
            Fail(path, EFBIG);
    }
    bytes.resize(filled);
    return bytes;
}

void WriteFileAtomically(const std::filesystem::path& path, std::string_view content, TemporaryName naming)
{
    const std::filesystem::path target = ResolveTarget(path);
    std::string temporary = target.string() + (naming == TemporaryName::Unique ? ".XXXXXX" : ".tmp");
    Descriptor file(naming == TemporaryName::Unique
                        ? ::mkstemp(temporary.data())
                        : ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (file.get() < 0)
        Fail(path, errno);
    try {
        struct stat old {};
        const mode_t mode = ::stat(target.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644;
        if (::fchmod(file.get(), mode) != 0)
            Fail(path, errno);
        WriteAll(file.get(), content, path);
        if (::fsync(file.get()) != 0 || file.close() != 0)
            Fail(path, errno);
        if (::rename(temporary.c_str(), target.c_str()) != 0)
            Fail(path, errno);
    } catch (...) {
        ::unlink(temporary.c_str());
        throw;
    }
}

void WriteNewFile(const std::filesystem::path& path, std::string_view content, unsigned mode)
{
    Descriptor file(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode & 07777));
    if (file.get() < 0)
        Fail(path, errno);
    try {
        WriteAll(file.get(), content, path);
        if (::fsync(file.get()) != 0 || file.close() != 0)
            Fail(path, errno);
    } catch (...) {
        ::unlink(path.c_str());
        throw;
    }
}

} // namespace vireo
