// Tests for the paged table behind the display's per-sprite and per-tile tables: pages made
// only by writes, the edges of the index range, and emptying.
#include "graphics/paged_table.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

struct Entry {
    int value = -1;
};

using Table = PagedTable<Entry, 1024, 256>;

TEST(PagedTable, ReadsGiveDefaultsWithoutMakingPagesAndWritesMakeOnlyTheirOwn)
{
    Table table;
    const Table& read = table;
    for (int index : {0, 255, 256, 1023}) {
        EXPECT_EQ(read[index].value, -1) << index;
        EXPECT_EQ(table.find(index), nullptr) << index;
    }
    EXPECT_EQ(table.pages_made(), 0);

    // The first and the last index live on the first and the last page, apart from each other.
    table[0].value = 10;
    table[1023].value = 20;
    EXPECT_EQ(table.pages_made(), 2);
    EXPECT_EQ(read[0].value, 10);
    EXPECT_EQ(read[1023].value, 20);
    EXPECT_EQ(read[1].value, -1);  // the rest of a made page holds the defaults
    EXPECT_EQ(read[1022].value, -1);
    EXPECT_EQ(read[256].value, -1);  // a page between them is still not made
    EXPECT_EQ(table.find(256), nullptr);
    ASSERT_NE(table.find(255), nullptr);
    EXPECT_EQ(table.find(1023), &table[1023]);
    EXPECT_EQ(table.pages_made(), 2);
}

TEST(PagedTable, VisitsMadeEntriesInOrderAndEmptiesForReuse)
{
    Table table;
    table[700].value = 7;
    table[5].value = 5;
    Entry* const before = &table[5];
    table[300].value = 3;
    EXPECT_EQ(&table[5], before);  // making more pages moves no entry

    std::vector<std::pair<int, int>> seen;
    table.for_each_made([&](int index, Entry& e) {
        if (e.value != -1) seen.emplace_back(index, e.value);
    });
    EXPECT_EQ(seen, (std::vector<std::pair<int, int>>{{5, 5}, {300, 3}, {700, 7}}));
    int visited = 0;
    table.for_each_made([&](int, Entry&) { ++visited; });
    EXPECT_EQ(visited, 3 * 256);

    table.clear();
    EXPECT_EQ(table.pages_made(), 0);
    EXPECT_EQ(std::as_const(table)[5].value, -1);
    table[5].value = 50;  // written again after the clear: a fresh page
    EXPECT_EQ(table.get(5).value, 50);
    EXPECT_EQ(table.get(6).value, -1);
    EXPECT_EQ(table.pages_made(), 1);
}

}  // namespace
