#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace vireo {

// Reads a whole regular file as bytes. A folder, a pipe or a device is refused rather than read
// (a pipe could block the window), and so is a file of more than maxBytes (EFBIG). Throws
// std::system_error whose code tells the reason.
std::string ReadFileBytes(const std::filesystem::path& path, std::size_t maxBytes = SIZE_MAX);

// Reads a regular file a piece at a time, refusing what ReadFileBytes refuses and, with EFBIG, a
// file larger than maxSize bytes; consume gets each piece in order. Throws std::system_error.
void ReadFileInChunks(const std::filesystem::path& path, std::uint64_t maxSize,
                      const std::function<void(std::string_view chunk)>& consume);

// Replaces a file's content in one step: a temporary file beside it, under a name of its own, is
// written, flushed and renamed over it, so a failure or a crash leaves the old file whole. A
// symbolic link stays: the file it names is replaced, or created when it is not there yet. A
// file replaced keeps its permissions and, where this process may, its owner; a new file gets
// the permissions the umask leaves of 0666. Throws std::system_error naming the file on failure,
// after removing the temporary file.
void WriteFileAtomically(const std::filesystem::path& path, std::string_view content);

// Takes each piece of a content written piece by piece.
using ContentSink = std::function<void(std::string_view piece)>;
// The same for a content too large to hold at once: produce writes it through the sink it is
// given; an exception from produce leaves the old file whole, as a failed write does.
void WriteFileAtomically(const std::filesystem::path& path, const std::function<void(const ContentSink&)>& produce);

// Creates a file with the given content and permissions (narrowed by the umask) only if no file
// of that name exists: written beside it first and then moved in without replacing, so an
// existing file is never overwritten and a failure or a crash never leaves a half-written one.
// Throws std::system_error (EEXIST when the file exists).
void WriteNewFile(const std::filesystem::path& path, std::string_view content, unsigned mode);

} // namespace vireo
