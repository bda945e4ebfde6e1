#pragma once

#include <string>

namespace vireo {

// What the "&Code Examiner" command's open dialog offers: its title, its filters (in the
// dialog's "Caption (*.a *.b);;..." form, the first one selected), the suffix given to a name
// typed without one, and the folder it starts in.
struct ExaminerFileRequest {
    // The dialog's title.
    std::string title;
    // The file filters; Free Pascal's .lpr and .pp stand beside their Delphi twins .dpr and .pas.
    std::string filter;
    // The suffix added to a typed name without one.
    std::string defaultSuffix;
    // The folder the dialog starts in.
    std::string folder;
};

// The open dialog of the hand-off, starting in the user's home folder.
ExaminerFileRequest CodeExaminerFileRequest(std::string homeFolder);

} // namespace vireo
