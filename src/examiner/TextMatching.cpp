#include "examiner/TextMatching.h"

namespace vireo {

bool ContainsText(std::string_view pattern, std::string_view text)
{
    return TextPosition(pattern, text) != 0;
}

std::size_t TextPosition(std::string_view pattern, std::string_view text)
{
    if (pattern.empty())
        return 0;
    const auto at = text.find(pattern);
    return at == std::string_view::npos ? 0 : at + 1;
}

// The rule is "the pattern occurs in the line with one blank put in front of it", where the
// pattern is blank-word-blank, or the word alone when it is as long as the line. Both cases are
// tested here without building the padded texts, since the scanner runs this on every line.
bool HasWord(std::string_view word, std::string_view line)
{
    if (word.empty())
        return false;
    if (line.size() == word.size()) {
        // In " " + line the word fits at offset 1 (the line itself) or at offset 0.
        return line == word || (word.front() == ' ' && line.starts_with(word.substr(1)));
    }
    const std::size_t w = word.size();
    for (auto at = line.find(word); at != std::string_view::npos; at = line.find(word, at + 1)) {
        const bool blankBefore = at == 0 || line[at - 1] == ' ';
        const bool blankAfter = at + w < line.size() && line[at + w] == ' ';
        if (blankBefore && blankAfter)
            return true;
    }
    return false;
}

bool HasWordEnd(std::string_view word, std::string_view line)
{
    if (word.empty())
        return false;
    const std::size_t w = word.size();
    for (auto at = line.find(word); at != std::string_view::npos; at = line.find(word, at + 1)) {
        if (at + w == line.size() || line[at + w] == ' ')
            return true;
    }
    return false;
}

} // namespace vireo
