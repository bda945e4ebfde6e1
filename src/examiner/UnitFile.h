#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace vireo {

// A failure the examiner reports to the user with this text (file open, save, missing file).
class ExaminerError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A unit's text as lines (without their line breaks) and the break it is written back with.
struct UnitText {
    // The lines in order; line number n is lines[n - 1].
    std::vector<std::string> lines;
    // True when lines end in CR LF on saving, false for LF alone.
    bool crlf = true;
};

// The text as it is written to disk: every line followed by the text's line break.
std::string JoinUnitText(const UnitText& text);

// Reads a whole text file. A line break is LF or CR LF; the file keeps the style of its first
// break (CR LF when it has none). Throws ExaminerError naming the file and the reason, also when
// the file holds a NUL byte and so is not text.
UnitText LoadUnitText(const std::string& path);

// Splits a file's bytes into lines as LoadUnitText does.
UnitText SplitUnitText(const std::string& bytes);

// The text of the backup kept beside a unit: its extension replaced by BAK (Unit1.pas gives
// Unit1.BAK), or ".BAK" appended when the file name has none.
std::string BackupPathFor(const std::string& path);

// Saves a unit as the examiner does: the backup is made first when none exists yet (an existing
// backup is never overwritten), then the text replaces the file atomically, keeping the file's
// permissions. On failure throws ExaminerError naming the file and the reason; the unit and its
// backup are then as they were.
void SaveUnitWithBackup(const std::string& path, const UnitText& text);

} // namespace vireo
