#pragma once

#include <cstdint>
#include <filesystem>
#include <limits>
#include <string>
#include <string_view>

namespace vireo {

// Reads a whole regular file as bytes. A folder, a pipe or a device is refused rather than read
// (a pipe could block the window), and so is a file of more than maxBytes (EFBIG), checked on the
// opened file before reading. Throws std::system_error whose code tells the reason.
std::string ReadFileBytes(const std::filesystem::path& path,
                          std::uintmax_t maxBytes = std::numeric_limits<std::uintmax_t>::max());

// How the temporary file of an atomic write is named.
enum class TemporaryName {
    Unique,       // a fresh name for every write: safe when several processes may save the file
    FixedUnderLock // "<file>.tmp", for callers holding a lock: a crash leaves one file, reused next time
};

// Replaces a file's content in one step: a temporary file beside it is written, flushed and
// renamed over it, so a failure or a crash leaves the old file whole. A symbolic link is followed
// to the file it names; the file's permissions are kept (a new file gets 0644). Throws
// std::system_error naming the file on failure, after removing the temporary file.
void WriteFileAtomically(const std::filesystem::path& path, std::string_view content,
                         TemporaryName naming = TemporaryName::Unique);

// Creates a file with the given content and permissions only if no file of that name exists
// (exclusive create; an existing file is never overwritten). Throws std::system_error (EEXIST
// when the file exists); a file left half-written by a failure is removed.
void WriteNewFile(const std::filesystem::path& path, std::string_view content, unsigned mode);

} // namespace vireo
