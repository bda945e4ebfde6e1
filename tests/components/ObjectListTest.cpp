#include "components/ObjectList.h"

#include <gtest/gtest.h>

#include <vector>

using vireo::TObjectList;

namespace {

// Records the order in which objects are freed.
struct Tracked {
    Tracked(int id, std::vector<int>& log) : id(id), log(log) {}
    ~Tracked() { log.push_back(id); }
    int id;
    std::vector<int>& log;
};

} // namespace

TEST(ObjectList, AddInsertDeleteKeepOrderAndFreeObjects)
{
    std::vector<int> freed;
    {
        TObjectList<Tracked> list;
        EXPECT_EQ(list.Add(std::make_unique<Tracked>(1, freed)), 0);
        EXPECT_EQ(list.Add(std::make_unique<Tracked>(3, freed)), 1);
        list.Insert(1, std::make_unique<Tracked>(2, freed));
        ASSERT_EQ(list.Count(), 3);
        EXPECT_EQ(list.Items(1).id, 2);

        list.Delete(0);
        EXPECT_EQ(freed, std::vector<int>({1}));
        EXPECT_EQ(list.Items(0).id, 2);

        list.Add(std::make_unique<Tracked>(4, freed));
        list.Clear();
        EXPECT_EQ(freed, std::vector<int>({1, 2, 3, 4}));
        EXPECT_EQ(list.Count(), 0);

        list.Add(std::make_unique<Tracked>(5, freed));
    }
    EXPECT_EQ(freed.back(), 5) << "destroying the list frees what it still holds";
}

TEST(ObjectList, IndexOutsideTheListIsAnError)
{
    std::vector<int> freed;
    TObjectList<Tracked> list;
    EXPECT_THROW(list.Items(0), std::out_of_range);
    list.Add(std::make_unique<Tracked>(1, freed));
    EXPECT_THROW(list.Items(-1), std::out_of_range);
    EXPECT_THROW(list.Items(1), std::out_of_range);
    EXPECT_THROW(list.Delete(1), std::out_of_range);
    EXPECT_THROW(list.Insert(2, std::make_unique<Tracked>(2, freed)), std::out_of_range);
    EXPECT_EQ(list.Count(), 1);
}
