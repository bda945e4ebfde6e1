#include "examiner/UnitFile.h"

#include "components/FileIO.h"

#include <cstring>
#include <sys/stat.h>
#include <system_error>
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

// Copies the unit to its backup unless a backup exists. Returns whether this call created it.
bool MakeBackupOnce(const std::string& path, const std::string& backup)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return false;
    try {
        WriteNewFile(backup, ReadFileBytes(path), info.st_mode);
        return true;
    } catch (const std::system_error&) {
        return false;
    }
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
    std::string bytes;
    try {
        bytes = ReadFileBytes(path);
    } catch (const std::system_error& e) {
        Fail("Cannot open file", path, e.code().value());
    }
    // A NUL byte never stands in Pascal source; rewriting such a file would corrupt it.
    if (bytes.find('\0') != std::string::npos)
        throw ExaminerError("Cannot open file \"" + path + "\": it is not a text file");
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
    const std::string backup = BackupPathFor(path);
    const bool backupCreated = MakeBackupOnce(path, backup);
    try {
        WriteFileAtomically(path, JoinUnitText(text));
    } catch (const std::system_error& e) {
        // The backup made for this save is taken back, so that a later save makes it again.
        if (backupCreated)
            ::unlink(backup.c_str());
        Fail("Cannot save", path, e.code().value());
    }
}

} // namespace vireo
