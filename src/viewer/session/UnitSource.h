#pragma once

#include "examiner/UnitFile.h"

#include <string>
#include <string_view>
#include <vector>

namespace vireo {

// The lines of a unit file as the source window shows them.
using UnitLines = std::vector<std::string>;

// Splits 8-bit text into lines at CR LF, lone LF and lone CR. A NUL byte ends the text, and a
// line break at the very end adds no empty last line.
UnitLines SplitUnitLines(std::string_view text);

// Outcome of reading a unit file: the lines, or why they could not be read.
struct UnitReadResult {
    bool Ok = false;     // the file was read
    UnitLines Lines;     // its lines when Ok
    std::string Error;   // the reason when not Ok, e.g. "Permission denied"
};

// Access to unit files, replaceable in tests.
class UnitReader {
public:
    virtual ~UnitReader() = default;
    // Whether anything (file, folder, device, ...) exists at the path.
    virtual bool Exists(const std::string& path) = 0;
    // Reads the file at the path into lines.
    virtual UnitReadResult Read(const std::string& path) = 0;
};

// Reads unit files from the file system as the Code Examiner does (ReadUnitBytes): only regular
// files of at most kMaxUnitFileBytes, so a folder, a pipe, a device or a huge file is reported as
// unreadable instead of blocking the window or filling the memory. A path in the network
// form of one of this computer's shares is read from the local path behind it.
class FileUnitReader : public UnitReader {
public:
    bool Exists(const std::string& path) override;
    UnitReadResult Read(const std::string& path) override;
};

// Index of the first line that contains messageId (exact, case-sensitive, anywhere in the
// line), or -1. An empty ID is never found.
int LocateMessageLine(const UnitLines& lines, std::string_view messageId);

// The rows to select and scroll to, in order, to reveal row `row` of `rowCount` rows with up to
// three following rows visible below it; row 0 first when fromTop. Empty when row is out of range.
std::vector<int> RevealRowSequence(int rowCount, int row, bool fromTop);

} // namespace vireo
