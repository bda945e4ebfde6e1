#include "components/FileIO.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <random>
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
    // Hands the descriptor over to the caller, who closes it.
    void release() { fd_ = -1; }
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

// The file that saving must replace: the file a symbolic link names, followed link by link so
// that a link to a file not there yet is kept and its target created; else the path itself.
std::filesystem::path ResolveTarget(const std::filesystem::path& path)
{
    constexpr int kMaxLinks = 40; // the kernel's own limit
    std::filesystem::path target = path;
    for (int links = 0;; ++links) {
        struct stat info {};
        if (::lstat(target.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
            return target;
        if (links == kMaxLinks)
            Fail(path, ELOOP);
        std::error_code error;
        const std::filesystem::path next = std::filesystem::read_symlink(target, error);
        if (error)
            Fail(path, error.value());
        target = next.is_absolute() ? next : target.parent_path() / next;
    }
}

// Creates a temporary file beside target under a fresh name (a name never shared with another
// writer), opened for writing with mode, which the umask narrows as for any new file.
Descriptor CreateTemporary(const std::filesystem::path& target, mode_t mode, std::string& name)
{
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[32];
        std::snprintf(suffix, sizeof suffix, ".tmp-%08x%08x", random(), random());
        name = target.string() + suffix;
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST)
            return Descriptor(fd);
    }
    return Descriptor(-1);
}

// Gives a replacement the owner (where this process may) and the permissions of the file it
// replaces. The owner comes first, as changing it clears the set-user-ID bits.
void TakeOwnerAndMode(int fd, const struct stat& old, const std::filesystem::path& path)
{
    // Another user's file that this user may not give away stays this user's, as an editor's
    // save would leave it.
    if (::fchown(fd, old.st_uid, old.st_gid) != 0 && ::fchown(fd, static_cast<uid_t>(-1), old.st_gid) != 0
        && errno != EPERM && errno != EINVAL)
        Fail(path, errno);
    if (::fchmod(fd, old.st_mode & 07777) != 0)
        Fail(path, errno);
}

// Writes produce's content to a new temporary file beside target and flushes it; old, when
// given, is the file it will replace. Returns the temporary's name; on failure removes it.
std::string WriteTemporary(const std::filesystem::path& target, const std::filesystem::path& path, mode_t mode,
                           const struct stat* old, const std::function<void(const ContentSink&)>& produce)
{
    std::string temporary;
    Descriptor file = CreateTemporary(target, old ? 0600 : mode, temporary);
    if (file.get() < 0)
        Fail(path, errno);
    try {
        if (old)
            TakeOwnerAndMode(file.get(), *old, path);
        produce([&file, &path](std::string_view piece) { WriteAll(file.get(), piece, path); });
        if (::fsync(file.get()) != 0 || file.close() != 0)
            Fail(path, errno);
    } catch (...) {
        ::unlink(temporary.c_str());
        throw;
    }
    return temporary;
}

// Writes a content held whole in one piece.
std::function<void(const ContentSink&)> WholeContent(std::string_view content)
{
    return [content](const ContentSink& write) { write(content); };
}

// Moves a finished temporary file to target: replacing what is there, or only where nothing is.
void MoveIntoPlace(const std::string& temporary, const std::filesystem::path& target, const std::filesystem::path& path,
                   bool replace)
{
    int result = ::renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, target.c_str(), replace ? 0 : RENAME_NOREPLACE);
    if (result != 0 && !replace && errno == EINVAL) { // a file system without the flag: a link refuses too
        result = ::link(temporary.c_str(), target.c_str());
        if (result == 0)
            ::unlink(temporary.c_str());
    }
    if (result != 0) {
        const int error = errno;
        ::unlink(temporary.c_str());
        Fail(path, error);
    }
}

} // namespace

namespace {

// Opens a file for reading without ever blocking: a folder, a pipe or a device is refused.
int OpenRegularFile(const std::filesystem::path& path, struct stat& info)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        Fail(path, errno);
    Descriptor file(fd);
    if (::fstat(fd, &info) != 0)
        Fail(path, errno);
    if (S_ISDIR(info.st_mode))
        Fail(path, EISDIR);
    if (!S_ISREG(info.st_mode))
        Fail(path, EINVAL);
    file.release();
    return fd;
}

// Reads up to size bytes; 0 at the end of the file.
std::size_t ReadSome(int fd, char* into, std::size_t size, const std::filesystem::path& path)
{
    for (;;) {
        const ssize_t got = ::read(fd, into, size);
        if (got >= 0)
            return static_cast<std::size_t>(got);
        if (errno != EINTR)
            Fail(path, errno);
    }
}

} // namespace

std::string ReadFileBytes(const std::filesystem::path& path, std::size_t maxBytes)
{
    struct stat info {};
    Descriptor file(OpenRegularFile(path, info));
    if (static_cast<std::uintmax_t>(info.st_size) > maxBytes)
        Fail(path, EFBIG);

    // One byte more than the file holds, so that meeting its end needs no larger copy.
    std::string bytes(static_cast<std::size_t>(info.st_size) + 1, '\0');
    std::size_t filled = 0;
    for (;;) {
        if (filled > maxBytes)
            Fail(path, EFBIG); // the file has grown since fstat
        if (filled == bytes.size())
            bytes.resize(bytes.size() + 65536);
        const std::size_t got = ReadSome(file.get(), bytes.data() + filled, bytes.size() - filled, path);
        if (got == 0)
            break;
        filled += got;
    }
    bytes.resize(filled);
    return bytes;
}

void ReadFileInChunks(const std::filesystem::path& path, std::uint64_t maxSize,
                      const std::function<void(std::string_view chunk)>& consume)
{
    struct stat info {};
    Descriptor file(OpenRegularFile(path, info));
    if (static_cast<std::uint64_t>(info.st_size) > maxSize)
        Fail(path, EFBIG);
    std::string buffer(std::size_t{1} << 20, '\0');
    std::uint64_t total = 0;
    while (const std::size_t got = ReadSome(file.get(), buffer.data(), buffer.size(), path)) {
        total += got;
        if (total > maxSize) // grown since fstat
            Fail(path, EFBIG);
        consume(std::string_view(buffer.data(), got));
    }
}

void WriteFileAtomically(const std::filesystem::path& path, std::string_view content)
{
    WriteFileAtomically(path, WholeContent(content));
}

void WriteFileAtomically(const std::filesystem::path& path, const std::function<void(const ContentSink&)>& produce)
{
    const std::filesystem::path target = ResolveTarget(path);
    struct stat old {};
    const bool replacing = ::stat(target.c_str(), &old) == 0;
    MoveIntoPlace(WriteTemporary(target, path, 0666, replacing ? &old : nullptr, produce), target, path, true);
}

void WriteNewFile(const std::filesystem::path& path, std::string_view content, unsigned mode)
{
    struct stat existing {};
    if (::lstat(path.c_str(), &existing) == 0) // spares writing a copy that could not be placed
        Fail(path, EEXIST);
    MoveIntoPlace(WriteTemporary(path, path, mode & 07777, nullptr, WholeContent(content)), path, path, false);
}

} // namespace vireo
