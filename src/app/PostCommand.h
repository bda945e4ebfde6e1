#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace vireo {

// A command line vireo-post cannot run; its text says why.
class PostUsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// What the command line of vireo-post asks for.
struct PostOptions {
    std::string ClassName;    // --class
    int32_t MessageType = 0;  // --type: 0 general, 1 info, 2 warning, 3 error
    std::string MessageGroup; // --group
    std::string MessageID;    // --id
    std::string UnitFileName; // --unit, made absolute against the working folder
    std::string OtlpUrl;      // --otlp: an OTLP/HTTP receiver to post to instead of the bus
    std::string Text;         // the text words joined by blanks
    bool FromInput = false;   // no text given: one message per line of standard input
    bool Help = false;        // --help
};

// Reads the arguments after the program name; options stand before the text, "--" ends them.
// Texts that are not UTF-8 are mended (see ValidUtf8). Throws PostUsageError for a bad command
// line.
PostOptions ParsePostArguments(const std::vector<std::string>& arguments, const std::string& workingFolder);

// The help text.
std::string PostHelpText();

// The text with every byte sequence that is not UTF-8, and every NUL, replaced by U+FFFD: a bus
// string must be valid UTF-8 without NULs.
std::string ValidUtf8(std::string_view bytes);

// Cuts a stream of bytes into lines as they arrive. A line ends at "\n" (a "\r" before it is
// dropped); a line longer than the limit is delivered in pieces of at most that many bytes, cut
// between UTF-8 characters, so a huge line never grows the buffer beyond the limit.
class LineSplitter {
public:
    // Default limit on the bytes of one delivered line.
    static constexpr std::size_t kDefaultLimit = 64 * 1024;

    explicit LineSplitter(std::size_t limit = kDefaultLimit);

    // Adds bytes; returns the lines they complete, each made valid UTF-8.
    std::vector<std::string> Feed(std::string_view bytes);

    // The input ended: the last line when it had no line break, else nothing.
    std::vector<std::string> Finish();

private:
    std::size_t limit_;
    std::string pending_;
};

// The automation date (days since 30 December 1899, the fraction the time of day) of a moment in
// the computer's local time.
double AutomationDateOf(std::chrono::system_clock::time_point moment);

// The automation date of a local calendar time.
double AutomationDate(int year, unsigned month, unsigned day, std::chrono::milliseconds timeOfDay);

} // namespace vireo
