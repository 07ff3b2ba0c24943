// The ordered container: cursor movement, null results at the edges, and who frees what.
#include "engine/contact_list.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace tarvenne {
namespace {

struct Tracked {
    explicit Tracked(int v, int* deaths) : value(v), deaths(deaths) {}
    ~Tracked() { ++*deaths; }
    int value;
    int* deaths;
};

TEST(ContactListTest, EmptyListGivesNullEverywhere) {
    ContactList<int> list;
    EXPECT_EQ(list.Count(), 0u);
    EXPECT_EQ(list.First(), nullptr);
    EXPECT_EQ(list.Next(), nullptr);
    EXPECT_EQ(list.Get(0), nullptr);
    EXPECT_EQ(list.At(0), nullptr);
    EXPECT_FALSE(list.Append(nullptr));
    EXPECT_EQ(list.Count(), 0u);
}

TEST(ContactListTest, CursorFollowsReadsAndAppends) {
    int values[5] = {10, 11, 12, 13, 14};
    ContactList<int> list;
    for (int& v : values) ASSERT_TRUE(list.Append(&v));
    EXPECT_EQ(list.CursorPosition(), 4u);  // an append moves the cursor to the new item

    // A plain walk visits every item once, in order, and ends with null.
    std::vector<int> seen;
    for (int* p = list.First(); p; p = list.Next()) seen.push_back(*p);
    EXPECT_EQ(seen, (std::vector<int>{10, 11, 12, 13, 14}));
    EXPECT_EQ(list.Next(), nullptr);

    // A read past the end gives null and leaves the cursor where it was.
    ASSERT_EQ(*list.Get(2), 12);
    EXPECT_EQ(list.Get(5), nullptr);
    EXPECT_EQ(list.Get(0xFFFFFFFFu), nullptr);
    EXPECT_EQ(list.CursorPosition(), 2u);
    EXPECT_EQ(*list.Next(), 13);

    // Reading backwards leaves the cursor there; Next continues from that position.
    ASSERT_EQ(*list.Get(1), 11);
    EXPECT_EQ(*list.Next(), 12);

    // Looking with At never moves the cursor.
    EXPECT_EQ(*list.At(4), 14);
    EXPECT_EQ(list.CursorPosition(), 2u);

    // A null append changes nothing, cursor included.
    EXPECT_FALSE(list.Append(nullptr));
    EXPECT_EQ(list.Count(), 5u);
    EXPECT_EQ(list.CursorPosition(), 2u);
}

TEST(ContactListTest, AppendingDuringAWalkEndsTheWalk) {
    int a = 1, b = 2, c = 3;
    ContactList<int> list;
    list.Append(&a);
    list.Append(&b);
    ASSERT_EQ(list.First(), &a);
    list.Append(&c);
    EXPECT_EQ(list.Next(), nullptr);
    EXPECT_EQ(list.Count(), 3u);
    EXPECT_EQ(list.Get(2), &c);  // the appended item is there, at the next position
}

TEST(ContactListTest, ClearFreesOnlyWhenTold) {
    int deaths = 0;
    std::vector<std::unique_ptr<Tracked>> kept;
    {
        ContactList<Tracked> list;
        for (int i = 0; i < 3; ++i) {
            kept.push_back(std::make_unique<Tracked>(i, &deaths));
            list.Append(kept.back().get());
        }
        list.Clear(false);
        EXPECT_EQ(deaths, 0);
        EXPECT_EQ(list.Count(), 0u);
        EXPECT_EQ(list.First(), nullptr);
        EXPECT_EQ(list.CursorPosition(), 0u);
        for (int i = 0; i < 3; ++i) EXPECT_EQ(kept[i]->value, i);  // still the caller's

        for (int i = 0; i < 4; ++i) list.Append(new Tracked(i, &deaths));
        list.Clear(true);
        EXPECT_EQ(deaths, 4);
        EXPECT_EQ(list.Count(), 0u);
        EXPECT_EQ(list.Get(0), nullptr);

        // Positions start again at 0 after a clear.
        list.Append(kept[2].get());
        EXPECT_EQ(list.Get(0), kept[2].get());
        list.Clear(false);
    }
    EXPECT_EQ(deaths, 4);
}

}  // namespace
}  // namespace tarvenne
