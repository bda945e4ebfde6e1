#include "viewer/MainFormUnit.h"

#include "components/AsciiText.h"
#include "components/PanelExpander.h"
#include "components/QtText.h"
#include "viewer/MainFormTexts.h"
#include "viewer/MessageListModel.h"

#include <QTreeWidget>

namespace vireo {

void TForm_Main::ReceiveTrace(const QString& ClassName, const QString& MessageStr, int32_t MessageType,
                              const QString& MessageGroup, const QString& ComputerName, const QString& MessageID,
                              const QString& UnitFileName, double MessageDateTime)
{
    SetStatusText(QLatin1String(kStatusReceiving));
    TakeIn(intake_->Take(ClassName, MessageStr, MessageType, MessageGroup, ComputerName, MessageID, UnitFileName,
                         MessageDateTime));
    SetStatusText(QLatin1String(kStatusIdle));
}

void TForm_Main::TakeIn(int storeIndex)
{
    RegisterTraceSources(MessageStore->Items(storeIndex));
    ShowIfSelected(storeIndex);
}

void TForm_Main::RegisterTraceSources(const TTraceInfo& message)
{
    const LearnedSources learned = sources_.Learn(message);
    const auto learn = [this](QTreeWidgetItem* parent, TPanelExpander* panel, std::string_view name) {
        AddTreeNode(parent, QtText(name), 1);
        panel->AddItem(10, QtText(name), std::string(name), true, false);
    };
    if (learned.Class)
        learn(TreeNode_Class, PanelExpander_Class, message.ClassName.view());
    if (learned.Group)
        learn(TreeNode_Group, PanelExpander_Group, message.MessageGroup.view());
    if (learned.Computer)
        PanelExpander_Computer->AddItem(10, QtText(message.ComputerName.view()),
                                        UpperCaseAscii(message.ComputerName.view()), true, false);
    if (learned.Class || learned.Group || learned.Computer)
        ForgetFilters();
}

void TForm_Main::ShowIfSelected(int storeIndex)
{
    const QTreeWidgetItem* node = TreeView_Main->currentItem();
    if (node && node->isSelected() && ArrivalRule().Admits(MessageStore->Items(storeIndex)))
        MessageRows->AddMessageRow(storeIndex);
}

void TForm_Main::SeedFilterPanels(bool withTypes)
{
    if (withTypes)
        for (int type = 0; type < 4; ++type)
            PanelExpander_MessType->AddItem(10, QString::fromLatin1(kTypeNames[type]), std::to_string(type), true,
                                            false);
    PanelExpander_Class->AddItem(10, QString::fromLatin1(kNodeNoClass), std::string(), true, false);
    PanelExpander_Group->AddItem(10, QString::fromLatin1(kNodeNoGroup), std::string(), true, false);
    ForgetFilters();
}

void TForm_Main::ClearMessages1Click()
{
    MessageStore->Clear();
    ForgetFilters(); // the snapshot remembers results by the store's texts
    MessageRows->ClearRows();
    for (QTreeWidgetItem* parent : {TreeNode_Class, TreeNode_Group}) {
        // The first child ("No Class", "No Group") stays. Deleting the selected node moves the
        // selection; the store is already empty, so the list stays empty.
        for (int child = parent->childCount() - 1; child >= 1; --child)
            delete parent->child(child);
    }
    sources_.Reset();
    PanelExpander_Class->ClearItems();
    PanelExpander_Group->ClearItems();
    PanelExpander_Computer->ClearItems();
    SeedFilterPanels(false);
}

} // namespace vireo
