#pragma once

#include "intake/TraceInfo.h"

#include <string>
#include <string_view>

namespace vireo {

// Number of visible columns of the message list: class, message, group, date, time, computer.
inline constexpr int kMessageColumnCount = 6;

// The message list's optional time columns after those six, hidden at first: seconds since the
// previous listed message, and since the marked one (TimeColumns gives their texts).
inline constexpr int kDeltaColumn = 6;
inline constexpr int kSinceMarkColumn = 7;
// Number of columns of the message list, the time columns included.
inline constexpr int kMessageListColumnCount = 8;

// Number of sub-items a message row carries after its caption.
inline constexpr int kMessageSubItemCount = 9;

// Column captions and first-start widths (a time column's once shown) of the message list.
inline constexpr const char* kMessageColumnCaptions[kMessageListColumnCount] = {
    "Class Name", "Message", "Group", "Date", "Time", "Computer Name", "Delta", "Since Mark"};
inline constexpr int kMessageColumnWidths[kMessageListColumnCount] = {100, 350, 100, 75, 75, 100, 75, 75};

// The text a visible column holds for a message (column 0 is the row caption, the class name);
// sorting, type-ahead and the row's sub-items read it whole.
std::string_view MessageColumnText(const TTraceInfo& message, int column);

// Most characters of a text the message list shows in a cell; a longer text shows this many, then an
// ellipsis, so drawing a row costs the same however long its message is.
inline constexpr std::size_t kMessageDisplayChars = 4096;

// What the list shows of a UTF-8 text: the text itself, or its first kMessageDisplayChars
// characters followed by an ellipsis, U+2026 (a whole character is never cut).
std::string MessageDisplayText(std::string_view text);

// Sub-item 0 to 8 of a message's row: message, group, date, time, computer, ID, unit, type and
// sequence number (the last two as decimal text).
std::string MessageSubItem(const TTraceInfo& message, int subItem);

// The type icon of a message type: the type itself for 0 to 3, otherwise -1 (none).
int MessageTypeImage(int32_t messageType);

// The type icon for a row's type sub-item text, read as a decimal number; -1 when it is none.
int MessageTypeImage(std::string_view typeText);

} // namespace vireo
