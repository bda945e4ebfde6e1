#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>

namespace vireo {

// The two files that make the viewer known to the session bus.
struct RegistrationFiles {
    std::filesystem::path ServiceFile;   // dbus-1/services/VireoX.Vireo.service: starts the viewer for clients
    std::filesystem::path InterfaceFile; // dbus-1/interfaces/VireoX.IVireo.xml: the interface description
};

// The registration files below a data folder ($XDG_DATA_HOME, else ~/.local/share).
RegistrationFiles RegistrationFilesIn(const std::filesystem::path& dataHome);

// The registration files for this user, from XDG_DATA_HOME, else the home folder; throws
// RegistrationError when there is no home folder.
RegistrationFiles UserRegistrationFiles();

// The absolute path of the running program.
std::string ProgramPath();

// The service file's text: the bus name and the program started with "-Automation", its path
// quoted and escaped as the bus reads an Exec line; throws RegistrationError for a path that is
// not UTF-8, which the file cannot hold.
std::string ServiceFileText(const std::string& programPath);

// A registration that could not be written or removed; what() is the text shown to the user.
class RegistrationError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Writes the interface file, then the service file, each atomically; a failure is
// "Error creating system registry entry" with the reason.
void RegisterServer(const RegistrationFiles& files, const std::string& programPath);

// Removes the interface file, then the service file; files already gone are no failure.
void UnregisterServer(const RegistrationFiles& files);

} // namespace vireo
