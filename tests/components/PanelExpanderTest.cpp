#include "components/GroupPanelExp.h"
#include "components/PanelExpander.h"
#include "components/PanelExpanderLayout.h"

#include <QAccessible>
#include <QCheckBox>
#include <QApplication>
#include <QContextMenuEvent>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QScrollBar>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <utility>
#include <vector>

using namespace vireo;

namespace {

// An expander in a window, with every notification it sends recorded.
class PanelExpanderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        window.resize(300, 400);
        panel = new TPanelExpander(&window);
        panel->setGeometry(0, 0, 200, panel->height());
        panel->SetCaption(QStringLiteral("Class"));
        QObject::connect(panel, &TPanelExpander::ItemChanged,
                         [this](TPanelExpander* sender, int index) { notices.emplace_back(sender, index); });
        window.show();
    }

    void TearDown() override
    {
        if (QWidget* popup = QApplication::activePopupWidget())
            popup->close();
    }

    void AddItems(std::initializer_list<const char*> values, bool checked = true)
    {
        for (const char* value : values)
            panel->AddItem(10, QString::fromLatin1(value), value, checked, false);
    }

    // Where the entry at index stands in the list's viewport, once the list knows every entry.
    QRect Row(int index) const
    {
        panel->Items()->FlushAddedRows();
        QListView* list = panel->ListView();
        list->doItemsLayout();
        return list->visualRect(list->model()->index(index, 0));
    }

    QWidget window;
    TPanelExpander* panel = nullptr;
    std::vector<std::pair<TPanelExpander*, int>> notices;
};

} // namespace

TEST(PanelExpanderLayout, Figures)
{
    EXPECT_EQ(ExpanderItemTop(3, 17), 87);
    EXPECT_EQ(ExpanderHeightFor(4, 17), 114);
    EXPECT_EQ(ExpanderHeightFor(1, 17), 57);
    EXPECT_EQ(ExpanderHeightFor(100'000, 17), ExpanderHeightFor(TExpanderFigures::MostRowsShown, 17))
        << "many entries scroll inside the panel";
}

TEST(PanelExpanderLayout, GroupShowsTheScrollBarOnceThePanelsFillIt)
{
    TGroupPlacement placement = PlaceGroupContainer(98, 200, 100, 16);
    EXPECT_FALSE(placement.scrollBarVisible);
    EXPECT_EQ(placement.containerWidth, 200);
    EXPECT_EQ(placement.containerHeight, 99);

    placement = PlaceGroupContainer(99, 200, 100, 16);
    EXPECT_TRUE(placement.scrollBarVisible) << "panels exactly the group's height less one";
    EXPECT_EQ(placement.scrollMaximum, 0);
    EXPECT_EQ(placement.containerWidth, 184);
    EXPECT_EQ(placement.containerHeight, 100);

    EXPECT_EQ(PlaceGroupContainer(300, 200, 100, 16).scrollMaximum, 201);
}

TEST_F(PanelExpanderTest, ItemsAreLaidOutAndFoundByValue)
{
    AddItems({"0", "1", "2"});
    panel->AddItem(15, QStringLiteral("Top"), "1", false, true);
    ASSERT_EQ(panel->ItemCount(), 4);
    EXPECT_EQ(panel->Item(0).Caption(), "Top");
    const int h = QCheckBox(QStringLiteral("X")).sizeHint().height();
    EXPECT_EQ(panel->ListView()->geometry().topLeft(), QPoint(15, 30));
    EXPECT_EQ(panel->ListView()->width(), 200 - 15);
    EXPECT_EQ(Row(3).top(), 3 * (h + 2)) << "rows stand where the check boxes stood";
    EXPECT_EQ(panel->ExpandHeightTo, 30 + 3 * (h + 2) + h + 10);
    EXPECT_EQ(panel->height(), 25) << "a collapsed panel keeps its height";
    EXPECT_FALSE(panel->ListView()->isVisible()) << "nor are its entries offered";

    EXPECT_EQ(panel->IndexOfValue("1"), 0) << "the first of two equal values";
    EXPECT_EQ(panel->IndexOfValue("2"), 3);
    EXPECT_EQ(panel->IndexOfValue("x"), -1);
    EXPECT_FALSE(panel->IsItemChecked(0));
    EXPECT_TRUE(panel->IsItemChecked(3));
    EXPECT_FALSE(panel->IsItemChecked(-1));
    EXPECT_FALSE(panel->IsItemChecked(4));
    EXPECT_TRUE(notices.empty()) << "adding items notifies nobody";
}

TEST_F(PanelExpanderTest, ValuesAreCaseSensitive)
{
    AddItems({"ABC"});
    EXPECT_EQ(panel->IndexOfValue("abc"), -1);
}

TEST_F(PanelExpanderTest, AClickOrSpaceOnAnEntryTogglesItAndNotifiesOnceNamingIt)
{
    AddItems({"a", "b", "c"});
    panel->SetExpand(true);
    QListView* list = panel->ListView();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, Row(1).center());
    EXPECT_FALSE(panel->IsItemChecked(1)) << "a click on the caption toggles as on the mark";
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0], std::make_pair(panel, 1));

    list->setFocus();
    list->setCurrentIndex(list->model()->index(1, 0));
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Space);
    EXPECT_FALSE(panel->IsItemChecked(2));
    ASSERT_EQ(notices.size(), 2u);
    EXPECT_EQ(notices[1], std::make_pair(panel, 2));

    panel->SetItemChecked(2, false);
    EXPECT_EQ(notices.size(), 2u) << "a state the entry has already raises nothing";
}

TEST_F(PanelExpanderTest, SelectAllAndClearAllNotifyOnceNamingTheLastItem)
{
    panel->SelectAll();
    EXPECT_TRUE(notices.empty()) << "an empty panel does nothing";

    AddItems({"a", "b", "c"});
    panel->SelectAll();
    ASSERT_EQ(notices.size(), 1u) << "even when every entry was checked already";
    EXPECT_EQ(notices[0].second, 2);

    panel->SetItemChecked(2, false);
    notices.clear();
    panel->SelectAll();
    ASSERT_EQ(notices.size(), 1u) << "the last entry changing notifies once, not twice";
    EXPECT_EQ(notices[0].second, 2);

    notices.clear();
    panel->ClearAll();
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0].second, 2);
    for (int i = 0; i < 3; ++i)
        EXPECT_FALSE(panel->IsItemChecked(i));
}

TEST_F(PanelExpanderTest, ExpandingAndCollapsing)
{
    EXPECT_EQ(panel->height(), 25);
    EXPECT_FALSE(panel->Expand());
    panel->SetExpand(false);
    EXPECT_EQ(panel->height(), 25);

    QToolButton* button = panel->findChild<QToolButton*>();
    QLabel* header = panel->findChild<QLabel*>();
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_TRUE(panel->Expand());
    EXPECT_EQ(panel->height(), 100) << "a panel never filled expands to 100";
    EXPECT_EQ(button->text(), "-");
    EXPECT_TRUE(header->font().bold());
    panel->SetExpand(true);
    EXPECT_EQ(panel->height(), 100);

    AddItems({"a", "b"});
    EXPECT_EQ(panel->height(), panel->ExpandHeightTo) << "items added while expanded grow it";
    EXPECT_TRUE(panel->ListView()->isVisible());
    panel->ClearItems();
    EXPECT_EQ(panel->height(), 40);
    EXPECT_EQ(panel->ExpandHeightTo, 40);
    EXPECT_EQ(panel->ItemCount(), 0);

    panel->ToggleExpand();
    EXPECT_EQ(panel->height(), 25);
    EXPECT_EQ(button->text(), "+");
    EXPECT_FALSE(header->font().bold());
    panel->ClearItems();
    EXPECT_EQ(panel->height(), 25) << "clearing a collapsed panel keeps it collapsed";
}

TEST_F(PanelExpanderTest, StoredExpandedStateShowsOnlyWithoutCollapseAtRunTime)
{
    panel->ApplyStoredExpand(true);
    EXPECT_FALSE(panel->Expand());
    panel->CollapseAtRunTime = false;
    panel->ApplyStoredExpand(false);
    EXPECT_FALSE(panel->Expand());
    panel->ApplyStoredExpand(true);
    EXPECT_TRUE(panel->Expand());
}

TEST_F(PanelExpanderTest, RightClickOpensTheItemMenu)
{
    AddItems({"a", "b"}, false);
    panel->SetExpand(true);
    QWidget* viewport = panel->ListView()->viewport();
    QContextMenuEvent click(QContextMenuEvent::Mouse, Row(0).center(), viewport->mapToGlobal(Row(0).center()));
    QApplication::sendEvent(viewport, &click);
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    QStringList entries;
    for (QAction* action : menu->actions())
        entries << (action->isSeparator() ? QStringLiteral("-") : action->text());
    EXPECT_EQ(entries, (QStringList{"Select All", "Clear All", "-", "Cancel"}));
    EXPECT_FALSE(menu->accessibleName().isEmpty());
    EXPECT_FALSE(panel->IsItemChecked(0)) << "a right click does not toggle the entry";

    menu->actions().at(0)->trigger();
    EXPECT_TRUE(panel->IsItemChecked(0));
    EXPECT_TRUE(panel->IsItemChecked(1));
    EXPECT_EQ(notices.size(), 1u);
    menu->close();

    panel->EnablePopupMenu = false;
    QTest::mouseClick(panel, Qt::RightButton, {}, QPoint(100, 22));
    QApplication::sendEvent(viewport, &click);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
}

namespace {

// A group of three expanders made as the group's own children, the way a window lays them out.
class GroupPanelExpTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        window.resize(300, 300);
        group = new TGroupPanelExp(&window);
        group->setGeometry(0, 0, 200, 100);
        for (const char* caption : {"Class", "Computer", "Message Type"}) {
            auto* panel = new TPanelExpander(group);
            panel->move(0, static_cast<int>(panels.size()) * 25);
            panel->SetCaption(QString::fromLatin1(caption));
            panels.push_back(panel);
        }
        for (int i = 0; i < 6; ++i)
            panels[1]->AddItem(10, QStringLiteral("Box"), std::to_string(i), true, false);
        window.show();
        QCoreApplication::processEvents();
    }

    QWidget window;
    TGroupPanelExp* group = nullptr;
    std::vector<TPanelExpander*> panels;
};

} // namespace

TEST_F(GroupPanelExpTest, PanelsMoveIntoTheContainerInTheirOrder)
{
    EXPECT_EQ(group->Container()->Panels(), panels);
    EXPECT_EQ(panels[2]->parentWidget(), group->Container());
    EXPECT_EQ(panels[2]->y(), 50);
    EXPECT_FALSE(group->ScrollBar()->isVisible()) << "76 pixels fit in 100";
    EXPECT_EQ(group->Container()->height(), 99);
}

TEST_F(GroupPanelExpTest, LayoutFollowsAfterTheCurrentEventAndScrollsInSteps)
{
    panels[1]->ToggleExpand();
    EXPECT_FALSE(group->ScrollBar()->isVisible()) << "the layout waits for the current event";
    QCoreApplication::processEvents();
    const int total = 1 + 25 + panels[1]->ExpandHeightTo + 25;
    ASSERT_TRUE(group->ScrollBar()->isVisible());
    EXPECT_EQ(group->ScrollBar()->maximum(), total - 100);
    EXPECT_EQ(group->Container()->height(), total);
    EXPECT_EQ(panels[2]->y(), 25 + panels[1]->ExpandHeightTo);

    QScrollBar* bar = group->ScrollBar();
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(group->Container()->y(), -8);
    bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(group->Container()->y(), -33);
    bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
    EXPECT_EQ(group->Container()->y(), -25);
    bar->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_EQ(group->Container()->y(), -25) << "moves to the bottom are ignored";

    bar->setValue(bar->maximum());
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(group->Container()->y(), -bar->maximum()) << "a line down at the end stays put";

    panels[1]->ToggleExpand();
    QCoreApplication::processEvents();
    EXPECT_FALSE(bar->isVisible());
    EXPECT_EQ(group->Container()->y(), 0) << "fitting again, the panels return to the top";
}

TEST_F(GroupPanelExpTest, ShrinkingRangeKeepsContainerAndScrollBarTogether)
{
    panels[1]->ToggleExpand();
    panels[2]->ToggleExpand();
    QCoreApplication::processEvents();
    QScrollBar* bar = group->ScrollBar();
    bar->setValue(bar->maximum());
    panels[2]->ToggleExpand();
    QCoreApplication::processEvents();
    ASSERT_TRUE(bar->isVisible());
    EXPECT_EQ(group->Container()->y(), -bar->value());
}

TEST_F(GroupPanelExpTest, EveryPartHasAnAccessibleName)
{
    EXPECT_FALSE(group->accessibleName().isEmpty());
    EXPECT_FALSE(group->ScrollBar()->accessibleName().isEmpty());
    EXPECT_EQ(panels[0]->accessibleName(), "Class");
    panels[1]->SetCaption(QStringLiteral("Computer"));
    panels[1]->SetExpand(true);
    panels[1]->Items()->FlushAddedRows();
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(panels[1]->ListView());
    EXPECT_EQ(list->text(QAccessible::Name), "Computer");
    ASSERT_EQ(list->childCount(), 6);
    for (int entry = 0; entry < 6; ++entry) {
        EXPECT_EQ(list->child(entry)->text(QAccessible::Name), "Box");
        EXPECT_TRUE(list->child(entry)->state().checkable);
        EXPECT_TRUE(list->child(entry)->state().checked);
    }
}
