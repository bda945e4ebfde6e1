#pragma once

#include "viewer/session/UnitSource.h"

#include <cstdint>
#include <string>

namespace vireo {

class MessageStore;

// What the selected message-list row hands to the source window.
struct SourceRequest {
    std::string MessageID;     // sub-item 5 of the row
    std::string UnitFileName;  // sub-item 6 of the row
    int32_t SequenceNumber = 0; // sub-item 8 of the row
};

// The source window as message navigation drives it.
class SourcePane {
public:
    virtual ~SourcePane() = default;
    // Path of the unit shown; empty when the window is clear.
    virtual const std::string& CurrentUnitFile() const = 0;
    // Number of rows shown.
    virtual int RowCount() const = 0;
    // Removes all rows and forgets the unit.
    virtual void ClearUnit() = 0;
    // Shows the lines of the unit at path (rows removed first), marking key-marked lines.
    virtual void LoadUnitSource(const std::string& path, UnitLines lines) = 0;
    // Selects and scrolls to a row with up to three following rows visible.
    virtual void RevealSourceRow(int row) = 0;
    // Tells the user something in a modal message box.
    virtual void ShowMessage(const std::string& text) = 0;
};

// Text reported when a message's ID stands on no line of its unit.
inline constexpr const char* kMessageIdNotFound = "Message ID Not Found";

// Shows the unit of the message a row names and selects the first line holding its ID.
// `request` is null when no row is selected. A unit that exists but cannot be read is reported
// by name and reason, leaving the source window as it is (empty after a change of unit). A hit
// beyond the rows shown (the file grew since loading) reloads the unit before revealing it.
void ShowMessageSource(const MessageStore& store, const SourceRequest* request, SourcePane& pane,
                       UnitReader& reader);

// The message box text for a unit file that could not be read.
std::string UnreadableUnitText(const std::string& path, const std::string& reason);

} // namespace vireo
