#pragma once

#include "viewer/session/MessageAdmission.h"
#include "viewer/session/TraceSources.h"

#include <QWidget>

#include <string>

namespace vireo {

class MessageListing;
class TGroupPanelExp;
class TPanelExpander;
class TraceSession;

// The "Filters" page: the Class, Computer, Message Type and Group panels of check boxes. It
// learns the session's names as entries, gives the listing the checks, and has it relist by them
// when the user changes one.
class FilterPane : public QWidget {
    Q_OBJECT
public:
    // The page with its seeded panels, following the session and driving the listing.
    FilterPane(const TraceSession& session, MessageListing& listing, QWidget* parent = nullptr);

    // The check states of the four panels, read from them while the listing holds it (it drops
    // it whenever a name is learned or a check changes).
    FilterSnapshot Snapshot() const;
    // Expands every panel (the option to start expanded).
    void ExpandAll();
    // Lays the panels out anew once the current event has been handled.
    void RequestLayout();

private:
    TPanelExpander* AddPanel(const char* name, const QString& caption);
    void LearnName(NameKind kind, const std::string& name);
    void Seed(bool withTypes);
    void ForgetLearnedEntries();
    void PanelChanged();

    MessageListing& listing_;
    TGroupPanelExp* group_;
    TPanelExpander* classes_;
    TPanelExpander* computers_;
    TPanelExpander* types_;
    TPanelExpander* groups_;
};

} // namespace vireo
