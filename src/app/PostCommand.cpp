#include "app/PostCommand.h"

#include "components/Utf8Text.h"

#include <ctime>
#include <filesystem>

namespace vireo {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD"; // U+FFFD

int32_t MessageTypeOf(const std::string& name)
{
    static const char* const names[] = {"general", "info", "warning", "error"};
    for (int32_t type = 0; type < 4; ++type)
        if (name == names[type])
            return type;
    throw PostUsageError("--type takes general, info, warning or error, not \"" + name + "\"");
}

// Where an option's value goes; nullptr for --type, which is read apart.
std::string* OptionField(PostOptions& options, const std::string& name)
{
    if (name == "--class")
        return &options.ClassName;
    if (name == "--group")
        return &options.MessageGroup;
    if (name == "--id")
        return &options.MessageID;
    if (name == "--unit")
        return &options.UnitFileName;
    if (name == "--otlp")
        return &options.OtlpUrl;
    if (name == "--type")
        return nullptr;
    throw PostUsageError("unknown option " + name);
}

// Where a full buffer is cut: at its end, unless that splits its last character.
std::size_t CutPoint(const std::string& full)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(full[i]); };
    std::size_t start = full.size() - 1; // of the last character
    while (start > full.size() - 4 && (byte(start) & 0xC0) == 0x80)
        --start;
    const std::size_t length = byte(start) >= 0xF0 ? 4 : byte(start) >= 0xE0 ? 3 : byte(start) >= 0xC0 ? 2 : 1;
    return start + length > full.size() ? start : full.size();
}

} // namespace

std::string ValidUtf8(std::string_view bytes)
{
    std::string text;
    text.reserve(bytes.size());
    while (!bytes.empty()) {
        const std::size_t length = bytes.front() == '\0' ? 0 : Utf8CharacterLength(bytes);
        if (length == 0) {
            text += kReplacement;
            bytes.remove_prefix(1);
        } else {
            text += bytes.substr(0, length);
            bytes.remove_prefix(length);
        }
    }
    return text;
}

PostOptions ParsePostArguments(const std::vector<std::string>& arguments, const std::string& workingFolder)
{
    PostOptions options;
    std::size_t i = 0;
    for (; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--") {
            ++i;
            break;
        }
        if (argument == "--help" || argument == "-h") {
            options.Help = true;
            continue;
        }
        if (argument.size() < 2 || argument[0] != '-')
            break;
        const std::size_t equals = argument.find('=');
        const std::string name = argument.substr(0, equals);
        std::string* field = OptionField(options, name);
        std::string value;
        if (equals != std::string::npos)
            value = argument.substr(equals + 1);
        else if (i + 1 < arguments.size())
            value = arguments[++i];
        else
            throw PostUsageError(name + " needs a value");
        if (field)
            *field = ValidUtf8(value);
        else
            options.MessageType = MessageTypeOf(value);
    }
    options.FromInput = i == arguments.size();
    for (std::size_t first = i; i < arguments.size(); ++i)
        options.Text += (i > first ? " " : "") + arguments[i];
    options.Text = ValidUtf8(options.Text);
    const std::string& unit = options.UnitFileName;
    if (!unit.empty() && unit[0] != '/' && unit[0] != '\\') // the viewer runs elsewhere: no relative paths
        options.UnitFileName = (std::filesystem::path(workingFolder) / unit).lexically_normal().string();
    return options;
}

std::string PostHelpText()
{
    return "Usage: vireo-post [options] [TEXT...]\n"
           "Posts a trace message to the Vireo viewer on the session bus, with this computer's name\n"
           "and the current time. The TEXT words, joined by blanks, make one message; without TEXT,\n"
           "every line of standard input is posted as one message as it arrives, until the input\n"
           "ends (lines longer than 65536 bytes go in pieces; bytes that are not UTF-8 become U+FFFD).\n"
           "A busy viewer is waited for as long as it owns its name on the bus.\n"
           "\n"
           "Options (before the text; -- ends them):\n"
           "  --class C       the sending class's name (default none)\n"
           "  --type T        general, info, warning or error (default general)\n"
           "  --group G       the message group (default none)\n"
           "  --id ID         the message ID that marks the sending line of the unit\n"
           "  --unit PATH     the sending unit; a relative path is taken from the working folder\n"
           "  --otlp URL      post to an OpenTelemetry logs receiver (OTLP/HTTP, JSON) such as\n"
           "                  http://viewer-host:4318 instead of the bus; VIREO_OTLP_TOKEN, when set,\n"
           "                  is sent as its bearer token. A receiver asking to wait (429, 503) is\n"
           "                  waited for; one that cannot be reached ends the posting\n"
           "  --help          this text\n"
           "\n"
           "Exit status: 0 when the viewer took every message, 1 when one was refused or the viewer\n"
           "could not be reached or left the bus (the reason is printed; nothing more is posted), 2 for\n"
           "a bad command line. A viewer that is not running is started by the bus once vireo is installed or has\n"
           "registered itself.\n"
           "\n"
           "Examples:\n"
           "  vireo-post --type warning disk almost full\n"
           "  make 2>&1 | vireo-post --class make --group build\n";
}

LineSplitter::LineSplitter(std::size_t limit) : limit_(limit < 8 ? 8 : limit)
{
}

std::vector<std::string> LineSplitter::Feed(std::string_view bytes)
{
    std::vector<std::string> lines;
    while (!bytes.empty()) {
        if (bytes.front() == '\n') {
            if (!pending_.empty() && pending_.back() == '\r')
                pending_.pop_back();
            lines.push_back(ValidUtf8(pending_));
            pending_.clear();
            bytes.remove_prefix(1);
        } else if (pending_.size() == limit_) { // cut only once more of the line needs the room
            const std::size_t cut = CutPoint(pending_);
            lines.push_back(ValidUtf8(std::string_view(pending_).substr(0, cut)));
            pending_.erase(0, cut);
        } else {
            const std::size_t take = std::min(bytes.find('\n'), limit_ - pending_.size());
            pending_.append(bytes.substr(0, take));
            bytes.remove_prefix(std::min(take, bytes.size()));
        }
    }
    return lines;
}

std::vector<std::string> LineSplitter::Finish()
{
    std::vector<std::string> lines;
    if (!pending_.empty())
        lines.push_back(ValidUtf8(pending_));
    pending_.clear();
    return lines;
}

double AutomationDate(int year, unsigned month, unsigned day, std::chrono::milliseconds timeOfDay)
{
    using namespace std::chrono;
    const sys_days date{year_month_day{std::chrono::year{year}, std::chrono::month{month}, std::chrono::day{day}}};
    const sys_days epoch{std::chrono::year{1899} / December / 30};
    return static_cast<double>((date - epoch).count()) + static_cast<double>(timeOfDay.count()) / 86'400'000.0;
}

double AutomationDateOf(std::chrono::system_clock::time_point moment)
{
    using namespace std::chrono;
    const std::time_t seconds = system_clock::to_time_t(moment);
    std::tm local{};
    ::localtime_r(&seconds, &local);
    const auto millis = duration_cast<milliseconds>(moment.time_since_epoch()) % 1000;
    const milliseconds timeOfDay = hours(local.tm_hour) + minutes(local.tm_min) + std::chrono::seconds(local.tm_sec)
        + (millis.count() < 0 ? millis + 1000ms : millis);
    return AutomationDate(local.tm_year + 1900, static_cast<unsigned>(local.tm_mon + 1),
                          static_cast<unsigned>(local.tm_mday), timeOfDay);
}

} // namespace vireo
