#include "viewer/KeyMarkRules.h"

#include "components/AsciiText.h"

namespace vireo {

std::string_view KeyMarkLineText(const KeyMark& mark)
{
    return mark.Description.empty() ? std::string_view(mark.Caption) : mark.Description;
}

bool HasKeyMark(const std::vector<KeyMark>& marks, std::string_view lineText,
                std::string_view lineNumber, std::string_view unit)
{
    if (marks.empty())
        return false;
    const std::string stripped = StripLeadingBlanks(lineText);
    for (const KeyMark& mark : marks)
        if (mark.LineNumber == lineNumber && SameTextAscii(mark.UnitName, unit)
            && SameTextAscii(KeyMarkLineText(mark), stripped))
            return true;
    return false;
}

} // namespace vireo
