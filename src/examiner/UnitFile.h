#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

namespace vireo {

// A failure the examiner reports to the user with this text (file open, save, missing file).
class ExaminerError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// What ends a line in the file: nothing (the last line of a file without a final break), LF,
// CR LF or CR alone.
enum class LineBreak : unsigned char { None, Lf, CrLf, Cr };

// A unit's text as lines (without their line breaks) and the break that ends each of them.
struct UnitText {
    // An empty text.
    UnitText() = default;
    // These lines, each ending in the style.
    explicit UnitText(std::vector<std::string> text, LineBreak lineStyle = LineBreak::CrLf)
        : lines(std::move(text)), style(lineStyle)
    {
    }

    // The lines in order; line number n is lines[n - 1].
    std::vector<std::string> lines;
    // The break of lines added to the text: the style of the file's first break (CR LF when none).
    LineBreak style = LineBreak::CrLf;
    // The break after each line, parallel to lines; lines past its end take the style.
    std::vector<LineBreak> breaks;

    // The break written after line index i.
    LineBreak BreakAfter(std::size_t i) const { return i < breaks.size() ? breaks[i] : style; }
    // Makes breaks parallel to lines, so that edits can move both together.
    void FillBreaks() { breaks.resize(lines.size(), style); }
    // Inserts lines before index at (at most the line count), each ending in the style. Lines
    // added after a last line without a break take its place as the text's end.
    void InsertLines(std::size_t at, std::vector<std::string> added);
    // After lines were only added, old line i now starting at index map[i] (breaks filled for the
    // old lines): each old line keeps its break, added lines take the style, and a text that
    // ended without a break still does.
    void FollowAddedLines(const std::vector<std::size_t>& map);
};

// The text as it is written to disk: every line followed by its own break, except that a lone CR
// followed by an empty line ending in LF is written as CR LF, so that the text reads back as the
// same lines.
std::string JoinUnitText(const UnitText& text);

// Largest unit file read, in bytes; a source file is far smaller, so a larger one is no unit.
inline constexpr std::uintmax_t kMaxUnitFileBytes = 256u * 1024 * 1024;

// Reads a unit file's bytes, as the examiner and the viewer's source window both do: only a regular
// file of at most kMaxUnitFileBytes, told by its size before anything is read, so that a pipe or a
// device never blocks and a huge file never fills the memory. Throws std::system_error.
std::string ReadUnitBytes(const std::string& path);

// Why a unit file could not be read, in the user's words: "Not a regular file", "Larger than
// 256 MB", else the system's text for the error.
std::string UnitReadReason(const std::error_code& error);

// Reads a whole text file with ReadUnitBytes. A line break is LF, CR LF or CR alone, kept line by
// line. Throws ExaminerError naming the file and the reason, also for a file holding NUL bytes
// (not text).
UnitText LoadUnitText(const std::string& path);

// Splits a file's bytes into lines as LoadUnitText does.
UnitText SplitUnitText(const std::string& bytes);

// The text of the backup kept beside a unit: its extension replaced by BAK (Unit1.pas gives
// Unit1.BAK), or ".BAK" appended when the file name has none.
std::string BackupPathFor(const std::string& path);

// Whether an existing unit may not be written: it has no write bit, or this process may not write it.
bool IsReadOnlyUnit(const std::string& path);

// Saves a unit as the examiner does: the backup is made first when none exists yet (an existing
// backup is never overwritten, so it keeps the first state), then the text replaces the file
// atomically, keeping the file's permissions. A read-only unit is refused before anything is
// written, and so is the save when the backup cannot be made (no space, no permission). On
// failure throws ExaminerError naming the file and the reason; the unit and its backup are then
// as they were.
void SaveUnitWithBackup(const std::string& path, const UnitText& text);

} // namespace vireo
