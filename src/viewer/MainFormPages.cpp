#include "viewer/MainFormUnit.h"

#include "components/GroupPanelExp.h"
#include "components/ListViewEx.h"
#include "components/PanelExpander.h"
#include "viewer/CaptionPanel.h"
#include "viewer/MainFormTexts.h"
#include "viewer/MessageListModel.h"

#include <QTabWidget>
#include <QTreeWidget>

namespace vireo {

namespace {
// Role under which a tree node keeps its state image number.
constexpr int kStateImageRole = Qt::UserRole + 1;
} // namespace

QTreeWidgetItem* TForm_Main::AddTreeNode(QTreeWidgetItem* parent, const QString& text, int stateImage,
                                         QTreeWidget* tree)
{
    auto* node = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(tree ? tree : TreeView_Main);
    node->setText(0, text);
    node->setData(0, kStateImageRole, stateImage);
    node->setIcon(0, treeImages_.value(stateImage));
    return node;
}

QTreeWidgetItem* TForm_Main::FindNode(const QString& text) const
{
    for (int top = 0; top < TreeView_Main->topLevelItemCount(); ++top) {
        QTreeWidgetItem* node = TreeView_Main->topLevelItem(top);
        if (node->text(0) == text)
            return node;
        for (int child = 0; child < node->childCount(); ++child)
            if (node->child(child)->text(0) == text)
                return node->child(child);
    }
    return nullptr;
}

TreeNodeRule TForm_Main::RuleOf(const QTreeWidgetItem* node) const
{
    if (!node)
        return {};
    const std::string text = node->text(0).toStdString();
    if (!node->parent())
        return TreeNodeRule::ForNode(text, nullptr);
    const std::string parentText = node->parent()->text(0).toStdString();
    const std::string_view parent = parentText;
    return TreeNodeRule::ForNode(text, &parent);
}

ListPage TForm_Main::ActivePage() const
{
    return static_cast<ListPage>(PageControl_Main->currentIndex());
}

const FilterSnapshot& TForm_Main::Filters()
{
    if (!filters_) {
        const auto entries = [](const TPanelExpander* panel) {
            std::vector<FilterEntry> result;
            for (int item = 0; item < panel->ItemCount(); ++item)
                result.push_back({panel->Item(item).Value(), panel->IsItemChecked(item)});
            return result;
        };
        filters_.emplace(entries(PanelExpander_Class), entries(PanelExpander_Group),
                         entries(PanelExpander_MessType), entries(PanelExpander_Computer));
    }
    return *filters_;
}

void TForm_Main::ForgetFilters()
{
    arrivalRule_.reset();
    filters_.reset();
}

const ListingRule& TForm_Main::ArrivalRule()
{
    if (!arrivalRule_) {
        const ListPage page = ActivePage();
        arrivalRule_.emplace(RuleOf(TreeView_Main->currentItem()), page,
                             page == ListPage::Filters ? &Filters() : nullptr, SelectedTrackTest());
    }
    return *arrivalRule_;
}

void TForm_Main::ListRows(const ListingRule& rule)
{
    MessageRows->SetRows(ListedRows(*MessageStore, rule));
    // A rebuilt list shows its last row, as appending does; a held one starts at its top.
    if (HoldList1->isChecked())
        ListViewEx_Messages->scrollToTop();
    else
        ListViewEx_MessagesChange(MessageRows->rowCount() - 1);
}

void TForm_Main::TreeView_MainChange(QTreeWidgetItem* node)
{
    arrivalRule_.reset();
    if (!node) {
        MessageRows->ClearRows();
        return;
    }
    const ListPage page = ActivePage();
    ListRows(ListingRule(RuleOf(node), page, page == ListPage::Filters ? &Filters() : nullptr,
                         SelectedTrackTest()));
}

void TForm_Main::ListByFilters()
{
    ListRows(ListingRule(TreeNodeRule::All(), ListPage::Filters, &Filters()));
}

void TForm_Main::FilterPanelChanged(TPanelExpander*, QCheckBox* checkBox)
{
    if (!checkBox)
        return;
    ForgetFilters();
    ListByFilters();
}

void TForm_Main::PageControl_MainChange()
{
    Panel_Main_Client_2->SetCaption(QString::fromLatin1(kCaptionShowAWindow));
    if (MessagesWindow1->isChecked()) {
        ListViewEx_Messages->show();
        Panel_Main_Messages->show();
    }
    MessageRows->ClearRows();
    switch (ActivePage()) {
    case ListPage::Messages:
        if (QTreeWidgetItem* node = TreeView_Main->currentItem(); node && node->isSelected())
            TreeView_MainChange(node);
        break;
    case ListPage::Filters:
        ListByFilters();
        GroupPanelExp1->RequestLayout();
        break;
    case ListPage::UserKeyMarks:
        Panel_Main_Client_2->SetCaption(QString::fromLatin1(kCaptionShowSourceWindow));
        ListViewEx_Messages->hide();
        Panel_Main_Messages->hide();
        update();
        break;
    case ListPage::Tracking:
        ShowTrackedMessages();
        break;
    }
}

void TForm_Main::SetPageByProgram(ListPage page)
{
    pageChangeByProgram_ = true;
    PageControl_Main->setCurrentIndex(static_cast<int>(page));
    pageChangeByProgram_ = false;
}

void TForm_Main::FormActivate()
{
    SetPageByProgram(ListPage::Messages);
    TreeView_Main->setCurrentItem(TreeNode_All);
    if (PageControl_Main->isVisible())
        TreeView_Main->setFocus();
}

} // namespace vireo
