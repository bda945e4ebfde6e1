#include "intake/Registration.h"

#include "components/FileIO.h"
#include "components/Utf8Text.h"
#include "intake/VireoX_TLB.h"

#include <algorithm>
#include <cstdlib>
#include <pwd.h>
#include <unistd.h>
#include <filesystem>
#include <string_view>
#include <system_error>

namespace vireo {

namespace {

// A relative XDG_DATA_HOME is invalid and ignored, as the base-directory rules say.
std::filesystem::path DataHome()
{
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg && *xdg == '/')
        return xdg;
    const char* home = std::getenv("HOME");
    if (!home || *home != '/') {
        // Without a usable HOME the files would land relative to the working folder.
        const passwd* user = ::getpwuid(::getuid());
        home = user ? user->pw_dir : nullptr;
    }
    if (!home || *home != '/')
        throw RegistrationError("Cannot find the home folder for the registration files");
    return std::filesystem::path(home) / ".local" / "share";
}

void RemoveFile(const std::filesystem::path& path)
{
    std::error_code ec;
    std::filesystem::remove(path, ec);
    if (ec)
        throw RegistrationError(path.string() + ": " + ec.message());
}

} // namespace

RegistrationFiles RegistrationFilesIn(const std::filesystem::path& dataHome)
{
    const std::filesystem::path dbus = dataHome / "dbus-1";
    return {dbus / "services" / (std::string(VireoX::BusName) + ".service"),
            dbus / "interfaces" / (std::string(VireoX::InterfaceName) + ".xml")};
}

RegistrationFiles UserRegistrationFiles()
{
    return RegistrationFilesIn(DataHome());
}

std::string ProgramPath()
{
    std::error_code ec;
    const auto path = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec)
        throw RegistrationError("Cannot find the program's own path: " + ec.message());
    return path.string();
}

namespace {

constexpr const char* kEntryError = "Error creating system registry entry";

// Whether the bus reads the path as one word as it stands: no blank, quote, backslash or other
// character its Exec line treats specially.
bool IsPlainWord(const std::string& path)
{
    return std::all_of(path.begin(), path.end(), [](char c) {
        const bool letterOrDigit = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        return letterOrDigit || static_cast<unsigned char>(c) >= 0x80
            || std::string_view("/._-+,:@%=_").find(c) != std::string_view::npos;
    });
}

// The path as one word of the Exec line. The bus first undoes the escapes of the file's values
// (\\ \n \t \r) and then splits the line as a shell would, so the path goes in double quotes
// with " ` $ \ escaped for the quotes, and every backslash then escaped once more for the file.
std::string QuotedWord(const std::string& path)
{
    std::string word = "\"";
    for (const char c : path) {
        switch (c) {
        case '"': case '`': case '$': word += "\\\\"; word += c; break;
        case '\\': word += "\\\\\\\\"; break;
        case '\n': word += "\\n"; break;
        case '\t': word += "\\t"; break;
        case '\r': word += "\\r"; break;
        default: word += c;
        }
    }
    return word + '"';
}

// Writes one registration file, creating its folder first (a fresh account has none).
void WriteRegistrationFile(const std::filesystem::path& path, std::string_view content)
{
    std::error_code ec;
    std::filesystem::create_directories(path.parent_path(), ec);
    if (ec)
        throw std::system_error(ec, path.parent_path().string());
    WriteFileAtomically(path, content);
}

} // namespace

std::string ServiceFileText(const std::string& programPath)
{
    // The service file is UTF-8 text: the bus ignores a file with other bytes in it.
    if (!IsUtf8(programPath))
        throw RegistrationError(std::string(kEntryError) + ": the program's path is not UTF-8 text, which a D-Bus "
                                "service file cannot hold: " + programPath);
    const std::string exec = IsPlainWord(programPath) ? programPath : QuotedWord(programPath);
    return "[D-BUS Service]\nName=" + std::string(VireoX::BusName) + "\nExec=" + exec + " -Automation\n";
}

void RegisterServer(const RegistrationFiles& files, const std::string& programPath)
{
    const std::string serviceText = ServiceFileText(programPath);
    try {
        WriteRegistrationFile(files.InterfaceFile, VireoX::InterfaceDescription().toStdString());
        WriteRegistrationFile(files.ServiceFile, serviceText);
    } catch (const std::system_error& e) {
        throw RegistrationError(std::string(kEntryError) + ": " + e.what());
    }
}

void UnregisterServer(const RegistrationFiles& files)
{
    RemoveFile(files.InterfaceFile);
    RemoveFile(files.ServiceFile);
}

} // namespace vireo
