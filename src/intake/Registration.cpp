#include "intake/Registration.h"

#include "components/FileIO.h"
#include "intake/VireoX_TLB.h"

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

std::string ServiceFileText(const std::string& programPath)
{
    const bool quote = programPath.find(' ') != std::string::npos;
    const std::string exec = quote ? '"' + programPath + '"' : programPath;
    return "[D-BUS Service]\nName=" + std::string(VireoX::BusName) + "\nExec=" + exec + " -Automation\n";
}

namespace {

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

void RegisterServer(const RegistrationFiles& files, const std::string& programPath)
{
    try {
        WriteRegistrationFile(files.InterfaceFile, VireoX::InterfaceDescription().toStdString());
    } catch (const std::system_error& e) {
        throw RegistrationError(e.what());
    }
    try {
        WriteRegistrationFile(files.ServiceFile, ServiceFileText(programPath));
    } catch (const std::system_error&) {
        throw RegistrationError("Error creating system registry entry");
    }
}

void UnregisterServer(const RegistrationFiles& files)
{
    RemoveFile(files.InterfaceFile);
    RemoveFile(files.ServiceFile);
}

} // namespace vireo
