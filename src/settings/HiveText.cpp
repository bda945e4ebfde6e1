#include "settings/HiveText.h"

#include "components/AsciiText.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace vireo {

namespace {

constexpr std::string_view OldHeader = "REGEDIT4";
constexpr std::size_t HexLineWidth = 76;

// --- writing ---------------------------------------------------------------------------------

void AppendQuoted(std::string& out, std::string_view text)
{
    out += '"';
    for (const char c : text) {
        if (c == '\\' || c == '"')
            out += '\\';
        out += c;
    }
    out += '"';
}

// A string value is written quoted only when that form gives back exactly its data.
bool HasQuotableText(const RegValue& value)
{
    const std::string_view data = value.data;
    return value.type == RegType::String && !data.empty() && data.back() == '\0'
           && data.find_first_of(std::string_view("\r\n\0", 3)) == data.size() - 1;
}

void AppendHex(std::string& out, const RegValue& value)
{
    std::size_t lineStart = out.rfind('\n') + 1;
    if (value.type == RegType::Binary)
        out += "hex:";
    else {
        char prefix[24];
        std::snprintf(prefix, sizeof prefix, "hex(%x):", static_cast<unsigned>(value.type));
        out += prefix;
    }
    for (std::size_t i = 0; i < value.data.size(); ++i) {
        char byte[4];
        std::snprintf(byte, sizeof byte, "%02x", static_cast<unsigned char>(value.data[i]));
        out += byte;
        if (i + 1 == value.data.size())
            break;
        out += ',';
        if (out.size() - lineStart >= HexLineWidth) {
            out += "\\\n  ";
            lineStart = out.size() - 2;
        }
    }
}

void AppendValue(std::string& out, const std::string& name, const RegValue& value)
{
    if (name.empty())
        out += '@';
    else
        AppendQuoted(out, name);
    out += '=';
    if (HasQuotableText(value))
        AppendQuoted(out, std::string_view(value.data).substr(0, value.data.size() - 1));
    else if (value.type == RegType::DWord && value.data.size() == 4) {
        std::uint32_t number = 0;
        for (int i = 3; i >= 0; --i)
            number = (number << 8) | static_cast<unsigned char>(value.data[i]);
        char text[16];
        std::snprintf(text, sizeof text, "dword:%08x", number);
        out += text;
    } else
        AppendHex(out, value);
    out += '\n';
}

void AppendSection(std::string& out, const std::string& path, const HiveKey& key)
{
    out += "\n[";
    out += path;
    out += "]\n";
    for (const auto& [name, value] : key.Values())
        AppendValue(out, name, value);
}

// Whether a key needs a section of its own: one with sub-keys and no values needs none (its
// sub-keys' sections create it), which keeps the text linear in the depth. The root needs one
// only for values.
bool NeedsSection(const HiveKey& key, bool isRoot)
{
    return !key.Values().empty() || (!isRoot && key.SubKeys().empty());
}

// Writes the sections of top (whose path is path) and of the keys below it, depth first without
// recursion.
void AppendKeys(std::string& out, const HiveKey& top, std::string path, bool topIsRoot)
{
    struct Level {
        const HiveKey* key;
        std::size_t next;      // the sub-key to visit next
        std::size_t pathSize;  // the length of the key's path
    };
    if (NeedsSection(top, topIsRoot))
        AppendSection(out, path, top);
    std::vector<Level> levels{{&top, 0, path.size()}};
    while (!levels.empty()) {
        Level& level = levels.back();
        if (level.next == level.key->SubKeys().size()) {
            levels.pop_back();
            continue;
        }
        const HiveKey& sub = *level.key->SubKeys()[level.next++];
        path.resize(level.pathSize);
        path += '\\';
        path += sub.Name();
        if (NeedsSection(sub, false))
            AppendSection(out, path, sub);
        levels.push_back({&sub, 0, path.size()});
    }
}

// --- reading ---------------------------------------------------------------------------------

std::string_view TrimBlanks(std::string_view s)
{
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    const auto last = s.find_last_not_of(" \t");
    return s.substr(first, last - first + 1);
}

// Whether a trimmed line is the first line of a hive text (after a byte order mark, if any).
bool IsHeader(std::string_view line)
{
    if (line.starts_with("\xEF\xBB\xBF"))
        line = TrimBlanks(line.substr(3));
    return line == HiveTextHeader || line == OldHeader;
}

// Hands out the text's logical lines one at a time: CR LF or LF ends a line, and a hex list
// continues over a line that ends in a backslash. A line's number is that of its first physical line.
class LogicalLines {
public:
    explicit LogicalLines(std::string_view text) : base_(text.data()), text_(text) {}

    // The next line, or false at the end of the text. The view lasts until the next call.
    bool Next(std::string_view& line)
    {
        if (text_.empty())
            return false;
        number_ = next_;
        line = Physical();
        if (!Continues(line, false))
            return true;
        joined_.assign(line.substr(0, line.size() - 1));
        while (!text_.empty()) {
            const std::string_view more = TrimBlanks(Physical());
            const bool continues = Continues(more, true);
            joined_ += continues ? more.substr(0, more.size() - 1) : more;
            if (!continues)
                break;
        }
        line = joined_;
        return true;
    }

    // The number of the line Next gave last.
    int Number() const { return number_; }
    // Where in the text the line Next gave last ends, past its line break.
    std::size_t End() const { return static_cast<std::size_t>(text_.data() - base_); }

private:
    std::string_view Physical()
    {
        const auto end = text_.find('\n');
        std::string_view line = text_.substr(0, end);
        text_.remove_prefix(end == std::string_view::npos ? text_.size() : end + 1);
        ++next_;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        return line;
    }

    static bool Continues(std::string_view line, bool joining)
    {
        return line.ends_with('\\') && (joining || line.find("=hex") != std::string_view::npos);
    }

    const char* base_;
    std::string_view text_;
    std::string joined_;
    int next_ = 1;
    int number_ = 0;
};

class LineParser {
public:
    explicit LineParser(std::string_view rest) : rest_(rest) {}

    // Reads a quoted text with \\ and \" escapes; any other backslash stays as written.
    std::optional<std::string> Quoted()
    {
        if (rest_.empty() || rest_.front() != '"')
            return std::nullopt;
        std::string text;
        for (std::size_t i = 1; i < rest_.size(); ++i) {
            const char c = rest_[i];
            if (c == '"') {
                rest_.remove_prefix(i + 1);
                return text;
            }
            if (c == '\\' && i + 1 < rest_.size() && (rest_[i + 1] == '\\' || rest_[i + 1] == '"'))
                ++i;
            text += rest_[i];
        }
        return std::nullopt;
    }

    bool Skip(std::string_view prefix)
    {
        if (!StartsWithTextAscii(rest_, prefix))
            return false;
        rest_.remove_prefix(prefix.size());
        return true;
    }

    void Drop(std::size_t count) { rest_.remove_prefix(std::min(count, rest_.size())); }

    bool AtEnd() const { return TrimBlanks(rest_).empty(); }
    std::string_view Rest() const { return rest_; }

private:
    std::string_view rest_;
};

std::optional<std::uint32_t> HexNumber(std::string_view digits, std::size_t maxDigits)
{
    digits = TrimBlanks(digits);
    if (digits.empty() || digits.size() > maxDigits)
        return std::nullopt;
    std::uint32_t number = 0;
    for (const char c : digits) {
        const char u = UpperCaseAscii(c);
        if (u >= '0' && u <= '9')
            number = number * 16 + static_cast<std::uint32_t>(u - '0');
        else if (u >= 'A' && u <= 'F')
            number = number * 16 + static_cast<std::uint32_t>(u - 'A' + 10);
        else
            return std::nullopt;
    }
    return number;
}

std::optional<std::string> HexBytes(std::string_view list)
{
    std::string bytes;
    if (TrimBlanks(list).empty())
        return bytes;
    while (true) {
        const auto comma = list.find(',');
        const auto byte = HexNumber(list.substr(0, comma), 2);
        if (!byte)
            return std::nullopt;
        bytes += static_cast<char>(*byte);
        if (comma == std::string_view::npos)
            return bytes;
        list.remove_prefix(comma + 1);
    }
}

// The value after "=": a quoted string, dword:, hex: or hex(n):. "-" (delete) gives None.
std::optional<std::optional<RegValue>> ValueData(LineParser& p)
{
    if (auto text = p.Quoted()) {
        if (!p.AtEnd())
            return std::nullopt;
        return RegValue::FromText(*text);
    }
    if (TrimBlanks(p.Rest()) == "-")
        return std::optional<RegValue>();
    if (p.Skip("dword:")) {
        const auto number = HexNumber(p.Rest(), 8);
        if (!number)
            return std::nullopt;
        return RegValue::FromDWord(*number);
    }
    RegType type = RegType::Binary;
    if (p.Skip("hex(")) {
        const auto close = p.Rest().find(')');
        const auto number = close == std::string_view::npos ? std::nullopt
                                                            : HexNumber(p.Rest().substr(0, close), 8);
        if (!number)
            return std::nullopt;
        type = static_cast<RegType>(*number);
        p.Drop(close + 1);
        if (!p.Skip(":"))
            return std::nullopt;
    } else if (!p.Skip("hex:"))
        return std::nullopt;
    auto bytes = HexBytes(p.Rest());
    if (!bytes)
        return std::nullopt;
    return RegValue{type, std::move(*bytes)};
}

// A section line's parts: whether it removes its key, and the key's path below the root, or
// nothing when the line names another root.
struct SectionLine {
    bool remove = false;
    std::string_view path;
};

std::optional<SectionLine> ReadSectionLine(std::string_view line, std::string_view rootName)
{
    line = line.substr(1, line.size() - 2);
    SectionLine section;
    section.remove = line.starts_with('-');
    if (section.remove)
        line.remove_prefix(1);
    const auto cut = line.find('\\');
    if (!SameTextAscii(line.substr(0, cut), rootName))
        return std::nullopt;
    section.path = cut == std::string_view::npos ? std::string_view() : line.substr(cut + 1);
    return section;
}

// Whether the first count names of a and b match.
bool SameNames(const std::vector<std::string_view>& a, const std::vector<std::string_view>& b, std::size_t count)
{
    if (a.size() < count || b.size() < count)
        return false;
    for (std::size_t i = 0; i < count; ++i)
        if (!SameTextAscii(a[i], b[i]))
            return false;
    return true;
}

class HiveReader {
public:
    HiveReader(std::string_view rootName, std::string_view focus)
        : rootName_(rootName), focus_(SplitKeyPath(focus)),
          result_{std::make_unique<HiveKey>(std::string(rootName)), 0, {}}
    {
    }

    HiveParseResult Read(std::string_view text)
    {
        if (text.starts_with("\xEF\xBB\xBF"))
            text.remove_prefix(3);
        LogicalLines lines(text);
        std::string_view line;
        do {
            if (!lines.Next(line))
                return std::move(result_);
        } while (TrimBlanks(line).empty());
        if (!IsHeader(TrimBlanks(line)))
            return Fail(lines.Number(), "not a registry export text");
        while (lines.Next(line))
            if (!ReadLine(TrimBlanks(line)))
                return Fail(lines.Number(), fault_);
        return std::move(result_);
    }

private:
    // Where the values that follow go: nowhere (none may follow), into current_, or they are
    // checked and passed over because their key lies outside the focus.
    enum class Section { None, Kept, Passed };

    bool ReadLine(std::string_view line)
    {
        if (line.empty() || line.front() == ';')
            return true;
        if (line.front() == '[')
            return ReadSection(line);
        return ReadValue(line);
    }

    // Whether the key named by names lies on the way to the focus or below it: the keys there
    // end up as in the whole hive, since no other section creates, fills or removes them.
    bool Concerns(const std::vector<std::string_view>& names) const
    {
        return SameNames(names, focus_, std::min(names.size(), focus_.size()));
    }

    bool ReadSection(std::string_view line)
    {
        if (line.back() != ']')
            return Fault("a section line must end with ]");
        const auto section = ReadSectionLine(line, rootName_);
        if (!section)
            return Fault("the section does not lie under " + rootName_);
        const bool remove = section->remove;
        const auto path = section->path;
        const auto names = SplitKeyPath(path);
        if (names.size() > MaxKeyDepth)
            return Fault("the key lies deeper than " + std::to_string(MaxKeyDepth) + " levels");
        current_ = nullptr;
        section_ = remove ? Section::None : Section::Passed;
        if (!Concerns(names))
            return true;
        if (remove) {
            DeleteKey(*result_.root, path);
            return true;
        }
        bool created = false;
        current_ = &CreateKey(*result_.root, path, created);
        section_ = Section::Kept;
        return true;
    }

    bool ReadValue(std::string_view line)
    {
        LineParser p(line);
        std::string name;
        if (!p.Skip("@")) {
            auto quoted = p.Quoted();
            if (!quoted)
                return Fault("a value line must begin with a quoted name or @");
            name = std::move(*quoted);
        }
        while (p.Skip(" ") || p.Skip("\t")) {}
        if (!p.Skip("="))
            return Fault("= expected after the value name");
        while (p.Skip(" ") || p.Skip("\t")) {}
        if (section_ == Section::None)
            return Fault("a value outside any key");
        auto data = ValueData(p);
        if (!data)
            return Fault("the value's data cannot be read");
        if (section_ == Section::Passed)
            return true;
        if (*data)
            current_->SetValue(name, std::move(**data));
        else
            current_->RemoveValue(name);
        return true;
    }

    bool Fault(std::string reason)
    {
        fault_ = std::move(reason);
        return false;
    }

    HiveParseResult Fail(int line, std::string reason)
    {
        return {nullptr, line, std::move(reason)};
    }

    std::string rootName_;
    std::vector<std::string_view> focus_;
    HiveParseResult result_;
    Section section_ = Section::None;
    HiveKey* current_ = nullptr;
    std::string fault_;
};

// Writes hive text anew with one branch replaced: the sections of that branch are dropped and
// the branch's own sections go where the first of them stood (or, for a new branch, before the
// first section that sorts after it), so a text in the writer's order stays in it. Every other
// line keeps its text and place.
class BranchSplicer {
public:
    BranchSplicer(std::string_view text, std::string_view rootName, std::string_view path)
        : text_(text), rootName_(rootName), focus_(SplitKeyPath(path)), names_(focus_.begin(), focus_.end())
    {
    }

    std::optional<std::string> Splice(const HiveKey& changed)
    {
        if (focus_.empty() || !Survey())
            return std::nullopt;
        std::string out;
        out.reserve(text_.size() + 4096);
        out += text_.substr(0, insertAt_);
        if (!out.empty() && out.back() != '\n')
            out += '\n'; // the text's last line had no line break: the branch must not join it
        AppendBranch(out, changed);
        std::size_t at = insertAt_;
        for (const auto& [begin, end] : dropped_) {
            out += text_.substr(at, begin - at);
            at = end;
        }
        out += text_.substr(at);
        return out;
    }

private:
    // Finds the branch's sections, where its text goes and the case its parents were first
    // written in; false when the text has no header or removes keys, which splicing cannot follow.
    bool Survey()
    {
        LogicalLines lines(text_);
        std::string_view line;
        std::size_t contentEnd = 0;
        bool header = false;
        bool inside = false;
        while (lines.Next(line)) {
            const auto trimmed = TrimBlanks(line);
            if (trimmed.empty())
                continue;
            if (!header && !IsHeader(trimmed))
                return false; // the reader refuses it too; the whole rewrite says why
            if (trimmed.front() == '[' && header) {
                if (inside)
                    dropped_.back().second = contentEnd;
                const auto section = ReadSectionLine(trimmed, rootName_);
                if (!section || section->remove)
                    return false;
                inside = Section(SplitKeyPath(section->path), contentEnd);
            }
            header = true;
            contentEnd = lines.End();
        }
        if (inside)
            dropped_.back().second = contentEnd;
        if (insertAt_ == std::string_view::npos)
            insertAt_ = contentEnd;
        return header;
    }

    // Notes a section starting after contentEnd; true when it lies in the branch.
    bool Section(const std::vector<std::string_view>& names, std::size_t contentEnd)
    {
        for (std::size_t i = 0; i + 1 < focus_.size() && i < names.size() && SameTextAscii(names[i], focus_[i]); ++i)
            if (!seen_[i]) {
                seen_[i] = true;
                names_[i] = names[i];
            }
        const bool inside = SameNames(names, focus_, focus_.size());
        if (inside)
            dropped_.emplace_back(contentEnd, contentEnd);
        else if (SameNames(names, focus_, focus_.size() - 1))
            parentKept_ = true;
        if (insertAt_ == std::string_view::npos && (inside || SortsAfterFocus(names)))
            insertAt_ = contentEnd;
        return inside;
    }

    // Whether a section of the given names comes after the branch in the writer's order.
    bool SortsAfterFocus(const std::vector<std::string_view>& names) const
    {
        for (std::size_t i = 0; i < names.size() && i < focus_.size(); ++i)
            if (!SameTextAscii(names[i], focus_[i]))
                return KeyNameSortsBefore(focus_[i], names[i]);
        return names.size() > focus_.size();
    }

    // Writes the changed branch, or for a removed one the section that keeps its parent alive.
    void AppendBranch(std::string& out, const HiveKey& changed)
    {
        std::string path(rootName_);
        for (std::size_t i = 0; i + 1 < focus_.size(); ++i)
            (path += '\\') += names_[i];
        const std::string_view parentPath = ParentPath();
        const HiveKey* parent = FindKey(changed, parentPath);
        const HiveKey* branch = parent == nullptr ? nullptr : parent->FindSubKey(focus_.back());
        if (branch != nullptr)
            AppendKeys(out, *branch, path + '\\' + branch->Name(), false);
        else if (parent != nullptr && !parentKept_ && !parentPath.empty())
            AppendSection(out, path, HiveKey(std::string(focus_[focus_.size() - 2])));
    }

    std::string_view ParentPath() const
    {
        return {focus_.front().data(), static_cast<std::size_t>(focus_.back().data() - focus_.front().data())};
    }

    std::string_view text_;
    std::string rootName_;
    std::vector<std::string_view> focus_;
    std::vector<std::string> names_;            // the branch's path, parents in their first case
    std::vector<bool> seen_ = std::vector<bool>(focus_.size());
    std::vector<std::pair<std::size_t, std::size_t>> dropped_; // the branch's sections
    std::size_t insertAt_ = std::string_view::npos;
    bool parentKept_ = false;                   // a section outside the branch keeps its parent
};

} // namespace

std::optional<std::string> ReplaceHiveBranchText(std::string_view text, std::string_view rootName,
                                                 const HiveKey& changed, std::string_view path)
{
    return BranchSplicer(text, rootName, path).Splice(changed);
}

HiveParseResult ParseHiveText(std::string_view text, std::string_view rootName, std::string_view focus)
{
    return HiveReader(rootName, focus).Read(text);
}

std::string WriteHiveText(const HiveKey& root, std::string_view rootName)
{
    std::string out(HiveTextHeader);
    out += '\n';
    AppendKeys(out, root, std::string(rootName), true);
    return out;
}

} // namespace vireo
