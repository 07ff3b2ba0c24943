// The ordered container: the cursor at the edges, appends during a walk, and who frees what.
#include "engine/contact_list.h"

#include <gtest/gtest.h>

#include <vector>

namespace tarvenne {
namespace {

struct Tracked {
    explicit Tracked(int* deaths) : deaths(deaths) {}
    ~Tracked() { ++*deaths; }
    int* deaths;
};

TEST(ContactListTest, TheCursorStaysWhereReadsLeaveItAndNullsMarkTheEdges) {
    int values[5] = {10, 11, 12, 13, 14};
    ContactList<int> list;
    EXPECT_TRUE(list.First() == nullptr && list.Next() == nullptr && list.Get(0) == nullptr && list.At(0) == nullptr);
    EXPECT_FALSE(list.Append(nullptr));
    for (int& v : values) ASSERT_TRUE(list.Append(&v));
    EXPECT_EQ(list.CursorPosition(), 4u) << "an append moves the cursor to the new item";
    std::vector<int> seen;
    for (int* p = list.First(); p; p = list.Next()) seen.push_back(*p);
    EXPECT_EQ(seen, (std::vector<int>{10, 11, 12, 13, 14}));
    EXPECT_EQ(list.Next(), nullptr);

    ASSERT_EQ(*list.Get(2), 12);
    EXPECT_TRUE(list.Get(5) == nullptr && list.Get(0xFFFFFFFFu) == nullptr);
    EXPECT_EQ(*list.Next(), 13) << "a read past the end leaves the cursor where it was";
    ASSERT_EQ(*list.Get(1), 11);
    EXPECT_EQ(*list.At(4), 14);
    EXPECT_FALSE(list.Append(nullptr));
    EXPECT_EQ(*list.Next(), 12) << "At and a null append leave the cursor";
    EXPECT_EQ(list.Count(), 5u);

    // An append during a walk ends the walk; the item is there at the next position.
    ASSERT_EQ(list.First(), &values[0]);
    list.Append(&values[0]);
    EXPECT_EQ(list.Next(), nullptr);
    EXPECT_EQ(list.Get(5), &values[0]);
}

TEST(ContactListTest, ClearFreesOnlyWhenTold) {
    int deaths = 0;
    Tracked kept(&deaths);
    {
        ContactList<Tracked> list;
        list.Append(&kept);
        list.Clear(false);
        EXPECT_TRUE(deaths == 0 && list.Count() == 0 && list.First() == nullptr);
        for (int i = 0; i < 4; ++i) list.Append(new Tracked(&deaths));
        list.Clear(true);
        EXPECT_EQ(deaths, 4);
        list.Append(&kept);
        EXPECT_EQ(list.Get(0), &kept) << "positions start again at 0 after a clear";
        list.Clear(false);
    }
    EXPECT_EQ(deaths, 4);
}

}  // namespace
}  // namespace tarvenne
