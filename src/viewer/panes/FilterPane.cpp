#include "viewer/panes/FilterPane.h"

#include "components/AsciiText.h"
#include "components/GroupPanelExp.h"
#include "components/PanelExpander.h"
#include "components/QtText.h"
#include "viewer/session/MessageColumns.h"
#include "viewer/session/MessageListing.h"
#include "viewer/session/TraceSession.h"

#include <QVBoxLayout>

namespace vireo {

FilterPane::FilterPane(const TraceSession& session, MessageListing& listing, QWidget* parent)
    : QWidget(parent), listing_(listing)
{
    setObjectName(QStringLiteral("TabSheet_Filters"));
    setAccessibleName(QStringLiteral("Filters"));
    group_ = new TGroupPanelExp(this);
    group_->setObjectName(QStringLiteral("GroupPanelExp1"));
    group_->setAccessibleName(QStringLiteral("Filters"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(group_);
    classes_ = AddPanel("PanelExpander_Class", QStringLiteral("Class"));
    computers_ = AddPanel("PanelExpander_Computer", QStringLiteral("Computer"));
    types_ = AddPanel("PanelExpander_MessType", QStringLiteral("Message Type"));
    groups_ = AddPanel("PanelExpander_Group", QStringLiteral("Group"));
    Seed(true);
    listing.SetFilterSource([this] { return Snapshot(); });
    connect(&session, &TraceSession::NameLearned, this, &FilterPane::LearnName);
    connect(&session, &TraceSession::Cleared, this, &FilterPane::ForgetLearnedEntries);
}

TPanelExpander* FilterPane::AddPanel(const char* name, const QString& caption)
{
    auto* panel = new TPanelExpander(group_);
    panel->setObjectName(QString::fromLatin1(name));
    panel->setAccessibleName(caption);
    panel->SetCaption(caption);
    group_->AddPanel(panel);
    connect(panel, &TPanelExpander::ItemChanged, this, &FilterPane::PanelChanged);
    return panel;
}

void FilterPane::Seed(bool withTypes)
{
    if (withTypes)
        for (int type = 0; type < 4; ++type)
            types_->AddItem(10, QString::fromLatin1(kTypeNames[type]), std::to_string(type), true, false);
    classes_->AddItem(10, QString::fromLatin1(kNodeNoClass), std::string(), true, false);
    groups_->AddItem(10, QString::fromLatin1(kNodeNoGroup), std::string(), true, false);
    listing_.ForgetFilters();
}

void FilterPane::LearnName(NameKind kind, const std::string& name)
{
    // The caption is the name shortened as the list's cells show it; the value keeps it whole.
    const QString caption = QtText(MessageDisplayText(name));
    switch (kind) {
    case NameKind::Class:
        classes_->AddItem(10, caption, name, true, false);
        break;
    case NameKind::Group:
        groups_->AddItem(10, caption, name, true, false);
        break;
    case NameKind::Computer:
        computers_->AddItem(10, caption, UpperCaseAscii(name), true, false);
        break;
    }
}

void FilterPane::ForgetLearnedEntries()
{
    // The Message Type panel keeps its entries and the user's checks on them.
    classes_->ClearItems();
    groups_->ClearItems();
    computers_->ClearItems();
    Seed(false);
}

void FilterPane::PanelChanged()
{
    listing_.FiltersChanged();
}

FilterSnapshot FilterPane::Snapshot() const
{
    const auto checks = [](const TPanelExpander* panel) {
        return [panel](std::string_view value) { return panel->IsItemChecked(panel->IndexOfValue(value)); };
    };
    return FilterSnapshot(checks(classes_), checks(groups_), checks(types_), checks(computers_));
}

void FilterPane::ExpandAll()
{
    for (TPanelExpander* panel : {classes_, computers_, groups_, types_})
        panel->SetExpand(true);
}

void FilterPane::RequestLayout()
{
    group_->RequestLayout();
}

} // namespace vireo
