#include "viewer/session/SourceNavigation.h"

#include "components/AsciiText.h"
#include "viewer/session/MessageStore.h"

namespace vireo {

std::string UnreadableUnitText(const std::string& path, const std::string& reason)
{
    return "Cannot read the unit file \"" + path + "\": " + reason;
}

namespace {

// Reads a unit, telling the user when it cannot; false when there are no lines to use.
bool ReadOrReport(UnitReader& reader, SourcePane& pane, const std::string& path, UnitLines& lines)
{
    UnitReadResult read = reader.Read(path);
    if (!read.Ok) {
        pane.ShowMessage(UnreadableUnitText(path, read.Error));
        return false;
    }
    lines = std::move(read.Lines);
    return true;
}

void ShowOtherUnit(const MessageStore& store, int32_t sequenceNumber, SourcePane& pane,
                   UnitReader& reader)
{
    pane.ClearUnit();
    const int index = store.IndexOfSequence(sequenceNumber);
    if (index < 0)
        return;
    const TTraceInfo& message = store.Items(index);
    const std::string path = message.UnitFileName.str();
    UnitLines lines;
    const bool exists = reader.Exists(path);
    if (exists && !ReadOrReport(reader, pane, path, lines))
        return;
    const int hit = LocateMessageLine(lines, message.MessageID.view());
    if (exists)
        pane.LoadUnitSource(path, std::move(lines));
    if (hit < 0)
        pane.ShowMessage(kMessageIdNotFound);
    else
        pane.RevealSourceRow(hit);
}

void SearchSameUnit(const SourceRequest& request, SourcePane& pane, UnitReader& reader)
{
    if (!reader.Exists(request.UnitFileName))
        return;
    UnitLines lines;
    if (!ReadOrReport(reader, pane, request.UnitFileName, lines))
        return;
    const int hit = LocateMessageLine(lines, request.MessageID);
    if (hit < 0) {
        pane.ShowMessage(kMessageIdNotFound);
        return;
    }
    if (hit >= pane.RowCount()) {
        // The file has grown since it was shown: show it as it is now.
        pane.ClearUnit();
        pane.LoadUnitSource(request.UnitFileName, std::move(lines));
    }
    pane.RevealSourceRow(hit);
}

} // namespace

void ShowMessageSource(const MessageStore& store, const SourceRequest* request, SourcePane& pane,
                       UnitReader& reader)
{
    if (!request)
        return;
    if (SameTextAscii(request->UnitFileName, pane.CurrentUnitFile()))
        SearchSameUnit(*request, pane, reader);
    else
        ShowOtherUnit(store, request->SequenceNumber, pane, reader);
}

} // namespace vireo
