#include "components/ListViewEx.h"
#include "components/ListViewExItems.h"
#include "components/ListViewExSortMark.h"

#include "ModelContract.h"

#include <QAccessible>
#include <QHeaderView>
#include <QStandardItemModel>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace vireo;

namespace {

// A list in a window, with an owning model of three columns and a clock the test turns.
class ListViewExTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        window.resize(640, 480);
        list = new TListViewEx(&window);
        list->setGeometry(20, 30, 600, 400);
        for (const char* caption : {"Name", "Text", "When"})
            model.AddColumn(QString::fromLatin1(caption));
        list->setModel(&model);
        contract = test::CheckModelContract(&model);
        list->SetTickSource([this] { return nowMs; });
        list->OnAfterSort = [this](TListViewEx& sender, int& column) {
            EXPECT_EQ(&sender, list);
            sortedColumns.push_back(column);
        };
        window.show();
    }

    void AddRows(const std::vector<std::string>& captions)
    {
        for (const std::string& caption : captions)
            model.Add(caption, {"text of " + caption, ""});
    }

    std::vector<std::string> Captions() const
    {
        std::vector<std::string> captions;
        for (int row = 0; row < model.Count(); ++row)
            captions.push_back(model.Caption(row));
        return captions;
    }

    void ClickHeader(int column)
    {
        QHeaderView* header = list->header();
        const QPoint centre(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                            header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, centre);
    }

    void Type(const char* text, int64_t atMs)
    {
        nowMs = atMs;
        QTest::keyClicks(list, QString::fromLatin1(text));
    }

    QWidget window;
    TListViewEx* list = nullptr;
    TListViewExItems model;
    std::unique_ptr<QAbstractItemModelTester> contract;
    int64_t nowMs = 0;
    std::vector<int> sortedColumns;
};

} // namespace

TEST_F(ListViewExTest, HeaderClickOnAnEmptyListChangesNothing)
{
    list->UpdateSortMark();
    const QRect markBefore = list->SortMark()->geometry();
    ClickHeader(1);
    EXPECT_EQ(list->SortColumn(), 0);
    EXPECT_FALSE(list->SortAscending());
    EXPECT_TRUE(sortedColumns.empty());
    EXPECT_EQ(list->SortMark()->geometry(), markBefore);
}

TEST_F(ListViewExTest, HeaderClicksSortAscendingFirstThenInvert)
{
    AddRows({"b", "c", "a"});
    ClickHeader(0);
    EXPECT_EQ(Captions(), (std::vector<std::string>{"a", "b", "c"})) << "first click on column 0";
    ClickHeader(0);
    EXPECT_EQ(Captions(), (std::vector<std::string>{"c", "b", "a"}));

    model.SetSubItem(0, 1, "2");
    model.SetSubItem(1, 1, "3");
    model.SetSubItem(2, 1, "1");
    ClickHeader(2);
    EXPECT_TRUE(list->SortAscending()) << "another column sorts ascending";
    EXPECT_EQ(Captions(), (std::vector<std::string>{"a", "c", "b"}));
    ClickHeader(2);
    EXPECT_FALSE(list->SortAscending());
    EXPECT_EQ(Captions(), (std::vector<std::string>{"b", "c", "a"}));
    EXPECT_EQ(sortedColumns, (std::vector<int>{0, 0, 2, 2}));
    EXPECT_EQ(model.SubItem(0, 0), "text of b") << "sub-items move with their caption";
}

TEST_F(ListViewExTest, SortMovesContentAndSelectionWhileImagesDataAndFocusStay)
{
    std::vector<std::string> captions;
    for (int i = 0; i < 300; ++i)
        captions.push_back("row " + std::to_string(1000 + i));
    AddRows(captions);
    for (int row = 0; row < 3; ++row) {
        model.SetStateImage(row, row);
        model.SetData(row, row * 10);
    }
    list->SelectRow(0);
    list->selectionModel()->setCurrentIndex(model.index(1, 0), QItemSelectionModel::NoUpdate);

    list->SortByColumn(0);
    list->SortByColumn(0); // descending: "row 1000" ends last
    QCoreApplication::processEvents();

    EXPECT_EQ(model.Caption(299), "row 1000");
    EXPECT_EQ(list->SelectedRow(), 299) << "the selection moved with its content";
    EXPECT_EQ(list->selectionModel()->selectedRows().size(), 1);
    EXPECT_EQ(list->currentIndex().row(), 1) << "the focus stays with the position";
    EXPECT_EQ(model.StateImage(0), 0) << "state images stay with the position";
    EXPECT_EQ(model.StateImage(2), 2);
    EXPECT_EQ(model.Data(1).toInt(), 10);
    EXPECT_TRUE(list->viewport()->rect().contains(list->visualRect(model.index(299, 0))))
        << "the selected row is scrolled into view";
}

TEST_F(ListViewExTest, TypeAheadSearchesDownFromTheSelectedRow)
{
    AddRows({"Beta", "alpha", "ABBA", "abacus", "beta2", "Ab"});
    Type("a", 0);
    EXPECT_EQ(list->SelectedRow(), -1) << "nothing selected: typing does nothing";

    list->SelectRow(2);
    Type("ab", 0);
    EXPECT_EQ(list->SelectedRow(), 2) << "the selected row itself matches ab";
    Type("a", 500);
    EXPECT_EQ(list->SelectedRow(), 3) << "aba, typed within a second, finds abacus";
    Type("b", 1600);
    EXPECT_EQ(list->SelectedRow(), 4) << "after a pause, b alone: the search starts at the selection";
    EXPECT_EQ(list->currentIndex().row(), 4) << "the found row also gets the focus";
    Type("b", 3000);
    EXPECT_EQ(list->SelectedRow(), 4) << "the same letter after a pause keeps the row";
    Type("b", 3500);
    EXPECT_EQ(list->SelectedRow(), 4) << "bb within a second matches nothing further down";
    Type("z", 9000);
    Type("a", 9100);
    EXPECT_EQ(list->SelectedRow(), 4) << "no wrap to the top";
}

TEST_F(ListViewExTest, TypeAheadUsesTheSortColumn)
{
    AddRows({"x", "y"});
    model.SetSubItem(0, 0, "Kiwi");
    model.SetSubItem(1, 0, "Lemon");
    list->SortByColumn(1);
    list->SelectRow(0);
    Type("le", 0);
    EXPECT_EQ(list->SelectedRow(), 1);
}

TEST_F(ListViewExTest, SortMarkStandsAtTheSortColumnsRightEnd)
{
    AddRows({"b", "a"});
    list->header()->resizeSection(0, 100);
    list->header()->resizeSection(1, 150);
    list->SortByColumn(1);
    ASSERT_NE(list->SortMark(), nullptr);
    EXPECT_EQ(list->SortMark()->parentWidget(), list);
    EXPECT_EQ(list->SortMark()->geometry(), QRect(250 - 11, 3, 10, 10));
    EXPECT_TRUE(list->SortMark()->isVisible());

    list->header()->resizeSection(1, 14);
    EXPECT_FALSE(list->SortMark()->isVisible()) << "narrower than the mark and 5 pixels";
    list->header()->resizeSection(1, 15);
    EXPECT_TRUE(list->SortMark()->isVisible());
    list->header()->resizeSection(1, 1000);
    EXPECT_FALSE(list->SortMark()->isVisible()) << "right edge beyond the visible width";

    QPointer<TListViewExTag> before = list->SortMark();
    model.InsertColumn(3, QStringLiteral("More"));
    EXPECT_TRUE(before.isNull()) << "a column insertion destroys the mark";
    list->UpdateSortMark();
    EXPECT_NE(list->SortMark(), nullptr) << "and the next placement makes a new one";
}

TEST_F(ListViewExTest, ColumnWidthDragRecreatesTheMark)
{
    AddRows({"a"});
    list->SortByColumn(0);
    QPointer<TListViewExTag> before = list->SortMark();
    QHeaderView* header = list->header();
    const QPoint edge(header->sectionViewportPosition(0) + header->sectionSize(0) - 1, header->height() / 2);
    QTest::mousePress(header->viewport(), Qt::LeftButton, {}, edge);
    EXPECT_TRUE(before.isNull()) << "the start of a width drag destroys the mark";
    ASSERT_NE(list->SortMark(), nullptr) << "and places a new one";
    QTest::mouseRelease(header->viewport(), Qt::LeftButton, {}, edge);
    EXPECT_TRUE(list->SortMark()->isVisible());
    EXPECT_EQ(list->SortColumn(), 0);
}

TEST(ListViewExSortMark, PlacementFigures)
{
    TSortMarkInput in;
    in.listLeft = 5;
    in.listTop = 7;
    in.listWidth = 300;
    in.scrollBarWidth = 16;
    in.sortColumnRight = 200;
    in.sortColumnWidth = 100;
    in.markWidth = 10;
    TSortMarkPlace place = PlaceSortMark(in);
    EXPECT_TRUE(place.visible);
    EXPECT_EQ(place.left, 5 + 200 - 11);
    EXPECT_EQ(place.top, 10);

    in.sortColumnRight = 281;
    EXPECT_FALSE(PlaceSortMark(in).placed) << "beyond width - scroll bar - 4";
    in.horizontalScroll = 1;
    EXPECT_TRUE(PlaceSortMark(in).placed);

    in.sortColumnWidth = 5;
    in.markWidth = 0;
    EXPECT_TRUE(PlaceSortMark(in).placed) << "a new mark counts as 0 wide";

    in.sortColumnRight = 15;
    in.horizontalScroll = 10;
    place = PlaceSortMark(in);
    EXPECT_TRUE(place.placed);
    EXPECT_FALSE(place.visible) << "left of the list's left edge + 1";
}

TEST_F(ListViewExTest, HiddenColumnsAreSectionsOfWidthZero)
{
    list->header()->resizeSection(1, 0);
    EXPECT_EQ(list->header()->sectionSize(1), 0);
    EXPECT_FALSE(list->header()->isSectionHidden(1));
}

TEST_F(ListViewExTest, ListHeaderAndSectionsHaveAccessibleNames)
{
    EXPECT_FALSE(list->accessibleName().isEmpty());
    EXPECT_FALSE(list->header()->accessibleName().isEmpty());
    QAccessibleInterface* table = QAccessible::queryAccessibleInterface(list);
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->text(QAccessible::Name), list->accessibleName());
    QStringList names;
    for (int i = 0; i < table->childCount(); ++i)
        if (table->child(i)->role() == QAccessible::ColumnHeader)
            names << table->child(i)->text(QAccessible::Name);
    EXPECT_EQ(names, (QStringList{"Name", "Text", "When"})) << "header sections, as screen readers see them";
}

TEST_F(ListViewExTest, CaptionsAreEditableInPlaceUnlessSwitchedOff)
{
    AddRows({"a"});
    EXPECT_TRUE(model.flags(model.index(0, 0)) & Qt::ItemIsEditable);
    EXPECT_FALSE(model.flags(model.index(0, 1)) & Qt::ItemIsEditable);
    EXPECT_TRUE(model.setData(model.index(0, 0), QStringLiteral("renamed")));
    EXPECT_EQ(model.Caption(0), "renamed");
    model.CaptionEditable = false;
    EXPECT_FALSE(model.setData(model.index(0, 0), QStringLiteral("again")));
    EXPECT_EQ(model.SubItem(0, 7), "") << "a sub-item the row lacks reads empty";
}

TEST_F(ListViewExTest, OutlivesItsModel)
{
    auto rows = std::make_unique<TListViewExItems>();
    rows->AddColumn(QStringLiteral("Name"));
    rows->Add("a");
    list->setModel(rows.get());
    list->SelectRow(0);
    rows.reset();
    QCoreApplication::processEvents();
    list->resize(300, 200);
    Type("a", 0);
    list->SortByColumn(0);
    EXPECT_EQ(list->Model(), nullptr);
}

TEST_F(ListViewExTest, OnlyListModelsAreShown)
{
    QStandardItemModel other;
    EXPECT_THROW(list->setModel(&other), std::invalid_argument);
}

namespace {

// Rows that are numbers into a store, appended the way the message list appends them.
class StoreRows : public TListViewExModel {
public:
    StoreRows() { AddColumn(QStringLiteral("Row")); }
    void Append()
    {
        rows_.push_back(std::to_string(rows_.size()));
        RowsAppended();
    }
    std::string_view SortKey(int row, int) const override { return rows_[static_cast<std::size_t>(row)]; }
    void PermuteRows(std::span<const int>) override {}

protected:
    int StoredRowCount() const override { return static_cast<int>(rows_.size()); }

private:
    std::vector<std::string> rows_;
};

} // namespace

TEST(ListViewExModel, RowsAppendedInOneTurnAreAnnouncedOnce)
{
    StoreRows model;
    const auto contract = test::CheckModelContract(&model);
    std::vector<std::pair<int, int>> announced;
    QObject::connect(&model, &QAbstractItemModel::rowsInserted,
                     [&](const QModelIndex&, int first, int last) { announced.emplace_back(first, last); });
    for (int i = 0; i < 3; ++i)
        model.Append();
    EXPECT_EQ(model.rowCount(), 0) << "views learn of the rows after the current event";
    QCoreApplication::processEvents();
    EXPECT_EQ(model.rowCount(), 3);
    EXPECT_EQ(announced, (std::vector<std::pair<int, int>>{{0, 2}}));

    model.Append();
    model.FlushAppendedRows();
    EXPECT_EQ(model.rowCount(), 4) << "a flush announces at once";
}
