#include "viewer/session/MessageColumns.h"

#include <charconv>

namespace vireo {

std::string_view MessageColumnText(const TTraceInfo& message, int column)
{
    switch (column) {
    case 0: return message.ClassName.view();
    case 1: return message.MessageStr;
    case 2: return message.MessageGroup.view();
    case 3: return message.MessageDate.view();
    case 4: return message.MessageTime.view();
    case 5: return message.ComputerName.view();
    default: return {};
    }
}

std::string MessageDisplayText(std::string_view text)
{
    std::size_t characters = 0;
    for (std::size_t at = 0; at < text.size(); ++at) {
        const bool startsCharacter = (static_cast<unsigned char>(text[at]) & 0xC0) != 0x80;
        if (startsCharacter && characters++ == kMessageDisplayChars)
            return std::string(text.substr(0, at)) + "\xE2\x80\xA6"; // U+2026, the ellipsis
    }
    return std::string(text);
}

std::string MessageSubItem(const TTraceInfo& message, int subItem)
{
    switch (subItem) {
    case 5: return message.MessageID.str();
    case 6: return message.UnitFileName.str();
    case 7: return std::to_string(message.MessageType);
    case 8: return std::to_string(message.SequenceNumber);
    default: return std::string(MessageColumnText(message, subItem + 1));
    }
}

int MessageTypeImage(int32_t messageType)
{
    return (messageType >= 0 && messageType <= 3) ? messageType : -1;
}

int MessageTypeImage(std::string_view typeText)
{
    int32_t type = -1;
    const auto [end, error] = std::from_chars(typeText.data(), typeText.data() + typeText.size(), type);
    if (error != std::errc() || end != typeText.data() + typeText.size())
        return -1;
    return MessageTypeImage(type);
}

} // namespace vireo
