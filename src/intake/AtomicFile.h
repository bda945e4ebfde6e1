#pragma once

#include <filesystem>
#include <string_view>

namespace vireo {

// Replaces a file's content in one step: a temporary file beside it is written, flushed and
// renamed over it, so a failure leaves the old file whole. Creates missing folders. Throws
// std::system_error carrying the system's text on failure.
void WriteFileAtomically(const std::filesystem::path& path, std::string_view content);

} // namespace vireo
