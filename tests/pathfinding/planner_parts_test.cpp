// The planner's containers: the ring buffer against std::deque, the hash table's bucket rule
// and chains, and the node pool.
#include <gtest/gtest.h>

#include <deque>
#include <random>

#include "pathfinding/fixed_deque.h"
#include "pathfinding/search_nodes.h"

namespace {

TEST(FixedDeque, BehavesLikeABoundedDequeAcrossTheWrap)
{
    constexpr int capacity = 5;
    FixedDeque<int> deque(capacity);
    std::deque<int> model;
    std::mt19937 rng(7);
    for (int step = 0; step < 4000; ++step) {
        const int size = static_cast<int>(model.size());
        const bool room = size < capacity;
        switch (rng() % 6) {
            case 0:
                ASSERT_EQ(deque.push_back(step), room);
                if (room) model.push_back(step);
                break;
            case 1:
                ASSERT_EQ(deque.push_front(step), room);
                if (room) model.push_front(step);
                break;
            case 2:
                deque.pop_back();
                if (size > 0) model.pop_back();
                break;
            case 3:
                deque.pop_front();
                if (size > 0) model.pop_front();
                break;
            case 4: {
                const int i =
                    static_cast<int>(rng() % static_cast<unsigned>(size + 3)) - 1;  // -1..size+1
                const bool fits = room && i >= 0 && i <= size;
                ASSERT_EQ(deque.insert(i, step), fits) << "at " << i;
                if (fits) model.insert(model.begin() + i, step);
                break;
            }
            default: {
                const int i =
                    static_cast<int>(rng() % static_cast<unsigned>(size + 2)) - 1;  // -1..size
                const bool inside = i >= 0 && i < size;
                ASSERT_EQ(deque.erase(i), inside) << "at " << i;
                if (inside) model.erase(model.begin() + i);
                break;
            }
        }
        ASSERT_EQ(deque.size(), static_cast<int>(model.size()));
        ASSERT_EQ(deque.empty(), model.empty());
        ASSERT_EQ(deque.full(), static_cast<int>(model.size()) == capacity);
        for (int i = 0; i < deque.size(); ++i)
            ASSERT_EQ(deque.at(i), model[static_cast<std::size_t>(i)]);
        if (!model.empty()) {
            ASSERT_EQ(deque.back(), model.back());
        }
    }
}

TEST(FixedDeque, ZeroCapacityRefusesEveryPush)
{
    FixedDeque<int> deque(0);
    EXPECT_FALSE(deque.push_back(1));
    EXPECT_FALSE(deque.push_front(1));
    EXPECT_FALSE(deque.insert(0, 1));
    deque.pop_back();
    EXPECT_TRUE(deque.empty());
    EXPECT_EQ(deque.size(), 0);
}

TEST(NodeHashTable, BucketIsMadeOfTheLowBitsOfXAndY)
{
    NodeHashTable table;
    table.allocate(8);
    EXPECT_EQ(table.bucket_count(), 256);
    EXPECT_EQ(table.bucket_of(17, 3), 1 | 3 << 4);
    EXPECT_EQ(table.bucket_of(15, 15), 255);
    EXPECT_EQ(table.bucket_of(16, 32), 0);

    table.allocate(7);  // odd sizes lose their lowest bit
    EXPECT_EQ(table.bits(), 6);
    EXPECT_EQ(table.bucket_of(9, 5), 1 | 5 << 3);
    table.allocate(-3);
    EXPECT_EQ(table.bucket_count(), 1);
    EXPECT_EQ(table.bucket_of(1234, 99), 0);
}

TEST(NodeHashTable, ChainsTakeANodeOnceAtTheHeadAndLetItGo)
{
    NodeHashTable table;
    table.allocate(8);
    Node a{nullptr, 1, 2, 0, 0, nullptr};
    Node b{nullptr, 17, 18, 0, 0, nullptr};   // same bucket as a
    Node twin{nullptr, 1, 2, 0, 0, nullptr};  // same cell as a
    table.insert(&a);
    table.insert(&b);
    table.insert(&a);  // already in the chain: no change, no loop
    EXPECT_EQ(table.find(1, 2), &a);
    EXPECT_EQ(table.find(17, 18), &b);
    EXPECT_EQ(b.next_in_bucket, &a);
    EXPECT_EQ(a.next_in_bucket, nullptr);
    EXPECT_EQ(table.find(1, 18), nullptr);

    table.insert(&twin);
    EXPECT_EQ(table.find(1, 2), &twin);  // the head of the chain is found first
    EXPECT_TRUE(table.remove(&twin));
    EXPECT_TRUE(table.remove(&a));
    EXPECT_FALSE(table.remove(&a));
    EXPECT_EQ(table.find(1, 2), nullptr);
    EXPECT_EQ(table.find(17, 18), &b);
    table.clear();
    EXPECT_EQ(table.find(17, 18), nullptr);
}

TEST(NodeFactory, HandsOutEachNodeOnceUntilReset)
{
    NodeFactory pool;
    pool.allocate(3);
    Node* first = pool.take();
    Node* second = pool.take();
    Node* third = pool.take();
    ASSERT_NE(first, nullptr);
    EXPECT_NE(first, second);
    EXPECT_NE(second, third);
    EXPECT_EQ(pool.take(), nullptr);
    EXPECT_EQ(pool.handed_out(), 3);
    EXPECT_EQ(pool.index_of(second), 1);
    pool.reset();
    EXPECT_EQ(pool.take(), first);
    pool.allocate(-5);
    EXPECT_EQ(pool.capacity(), 0);
    EXPECT_EQ(pool.take(), nullptr);
}

}  // namespace
