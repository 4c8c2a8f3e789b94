// The records and containers the grid planners share: the search parameters handed to the
// set-up, the search node, the node pool (NodeFactory) and the closed-set hash table on the
// low bits of x and y (NodeHashTable).
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

// What a planner searches; a plain record copied by the set-up. Capacities of 0 mean
// width x height.
struct SearchParameters {
    std::int32_t start_x = 0, start_y = 0;
    std::int32_t goal_x = 0, goal_y = 0;
    std::uint8_t diagonal_weighting = 0;  // 1: a diagonal step costs 1.4142137 x the cell cost
    std::uint8_t diagonal_moves = 0;      // 1: the four diagonal neighbours are searched too
    std::uint8_t unused[2] = {};
    std::int32_t node_capacity = 0;  // nodes in the pool
    std::int32_t open_capacity = 0;  // slots of the open list
    std::int32_t hash_bits = 0;      // closed-set buckets as a power of two
    float heuristic_weight = 0;      // 0: cost so far only .. 1: distance estimate only
    std::int32_t width = 0, height = 0;
    const double* cells = nullptr;  // the caller's costs, cell (x, y) at x + y * width
};
// The record's size with 32-bit pointers.
static_assert(sizeof(void*) != 4 || sizeof(SearchParameters) == 48);

// One searched cell (24 bytes with 32-bit pointers). Trivial on purpose: a pool of a million
// nodes is handed out without being written first.
struct Node {
    Node* parent;  // none (nullptr) for the start
    std::int32_t x, y;
    float f;               // priority
    float g;               // cost so far
    Node* next_in_bucket;  // chain link inside NodeHashTable
};

// A pool of nodes allocated once per set-up. Handing out takes the next unused node; there is
// no free list, the whole pool goes back at once. The nodes lie in one block, so a node's
// index in the pool is its position in that block.
class NodeFactory {
public:
    NodeFactory() = default;
    virtual ~NodeFactory() = default;
    NodeFactory(const NodeFactory&) = delete;
    NodeFactory& operator=(const NodeFactory&) = delete;

    // Replaces the pool (a capacity below 0 counts as 0); none handed out.
    void allocate(std::int32_t capacity);
    void release();                    // frees the pool (capacity 0)
    void reset() { handed_out_ = 0; }  // every node back into the pool
    // The next unused node, nullptr when all are handed out.
    Node* take() { return handed_out_ < capacity_ ? &nodes_[handed_out_++] : nullptr; }

    std::int32_t capacity() const { return capacity_; }
    std::int32_t handed_out() const { return handed_out_; }
    Node* node(std::int32_t index) { return &nodes_[index]; }  // index in 0..capacity() - 1
    std::int32_t index_of(const Node* node) const
    {
        return static_cast<std::int32_t>(node - nodes_.get());
    }

private:
    std::unique_ptr<Node[]> nodes_;
    std::int32_t capacity_ = 0;
    std::int32_t handed_out_ = 0;
};

// 2^b buckets of singly linked node chains. A cell (x, y) falls into the bucket made of the
// low b / 2 bits of x and, above them, the low b / 2 bits of y. AStarPlanner finds nodes
// through an index by cell instead; this table serves the literal reference planner in
// tests/pathfinding/, which checks the planner against it.
class NodeHashTable {
public:
    NodeHashTable() = default;
    virtual ~NodeHashTable() = default;
    NodeHashTable(const NodeHashTable&) = delete;
    NodeHashTable& operator=(const NodeHashTable&) = delete;

    // b = hash_bits limited to 0..24 with its lowest bit cleared; all chains empty.
    void allocate(std::int32_t hash_bits);
    void clear();  // all chains empty, buckets kept

    std::int32_t bits() const { return bits_; }
    std::int32_t bucket_count() const { return static_cast<std::int32_t>(buckets_.size()); }
    std::int32_t bucket_of(std::int32_t x, std::int32_t y) const;

    void insert(Node* node);  // at the head of its chain unless already in it
    bool remove(Node* node);  // false when the node is not in its chain
    // The first node at (x, y) in the cell's chain, else nullptr.
    Node* find(std::int32_t x, std::int32_t y) const;

private:
    std::vector<Node*> buckets_ = std::vector<Node*>(1, nullptr);  // b = 0 until allocated
    std::int32_t bits_ = 0;
    std::uint32_t mask_ = 0;  // 2^(b/2) - 1
};
