#pragma once

#include <QString>

#include <string_view>

namespace vireo {

// The program's 8-bit (UTF-8) text as a Qt string for the widgets.
inline QString QtText(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace vireo
