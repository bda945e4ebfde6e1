#include "components/AsciiText.h"

namespace vireo {

std::string UpperCaseAscii(std::string_view text)
{
    std::string result(text);
    for (char& c : result)
        c = UpperCaseAscii(c);
    return result;
}

bool SameTextAscii(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (UpperCaseAscii(a[i]) != UpperCaseAscii(b[i]))
            return false;
    return true;
}

bool StartsWithTextAscii(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && SameTextAscii(text.substr(0, prefix.size()), prefix);
}

std::string StripLeadingBlanks(std::string_view text)
{
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return std::string(text);
    return std::string(text.substr(first));
}

} // namespace vireo
