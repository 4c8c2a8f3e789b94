// The grid planners: the abstract Planner with the set-up every planner shares (cost grid,
// node pool, parameters), and AStarPlanner, the best-first search behind path_find.
#pragma once
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "pathfinding/search_nodes.h"

// Use: setup(), then begin() and search(); the path is the parent chain of result(). reset()
// returns the nodes for another begin() on the same set-up.
class Planner {
public:
    Planner() = default;
    virtual ~Planner() = default;
    Planner(const Planner&) = delete;
    Planner& operator=(const Planner&) = delete;

    // Takes the parameters and converts the grid: a cell value of 0 or less (or NaN) becomes
    // -1, impassable; any other becomes value / M + 1 as a float, M the largest value. Refuses
    // (false) start or goal outside the grid, start equal to goal, no cells, more than 2^31 - 1
    // cells, and (after dropping the previous set-up) a grid without a positive value. Weight
    // limited to 0..1 (NaN counts as 0); capacities of 0 or less become width x height.
    bool setup(const SearchParameters& parameters);

    virtual void begin();       // clears the finished flag, the search count and the result
    virtual bool search() = 0;  // true when the goal was reached: result() is the goal node
    virtual void reset();       // every node back to the pool, no result, finished flag set

    bool finished() const { return finished_; }
    std::int32_t search_count() const { return searches_; }
    const Node* result() const { return result_; }
    const SearchParameters& parameters() const { return params_; }  // capacities as in effect
    const NodeFactory& pool() const { return pool_; }
    float cell_cost(std::int32_t x, std::int32_t y) const { return costs_[x + y * params_.width]; }

protected:
    // The last step of a successful set-up: the open list and the closed set.
    virtual void allocate_lists() = 0;
    bool ready() const { return costs_ != nullptr; }  // a set-up has succeeded

    bool finished_ = false;
    NodeFactory pool_;
    SearchParameters params_{};
    std::unique_ptr<float[]> costs_;  // converted costs in the caller's cell order
    std::int32_t searches_ = 0;
    Node* result_ = nullptr;
};

// Best-first search over straight (and optionally diagonal) steps. A neighbour reached at
// cost so far G gets the priority f = G + weight x (h - G), h its Manhattan distance to the
// goal in whole cells; the open node of lowest priority is expanded next, and nodes of equal
// priority leave in the order they entered. A closed node reached more cheaply is opened again.
//
// Each cell has at most one node at a time, so the search keeps its nodes as per-cell state
// (cost so far, the step that led there, open or closed) in compact tables instead of records
// linked by pointers: a neighbour is checked with one table access, and a big grid touches a
// fraction of the memory. The open list is a 4-ary heap keyed on (priority, entry number),
// which pops exactly the node a list kept sorted by priority would give; a node that gets a
// new priority enters again and its old entry is skipped when it surfaces. The pool still
// counts every node taken (its capacity limits the search as before); the Node records of the
// path found are written into it when the goal is reached.
class AStarPlanner : public Planner {
public:
    AStarPlanner() = default;
    ~AStarPlanner() override = default;

    void begin() override;   // then takes the start node (cost 0, no parent) into the open list
    bool search() override;  // false also without a successful set-up
    void reset() override;

    std::int32_t open_size() const { return static_cast<std::int32_t>(open_count_); }
    // For tests, right after begin(): numbers the next open-list entries from first (above the
    // start's number), so that the renumbering when 32-bit entry numbers run out comes in reach.
    void number_entries_from(std::uint32_t first);

protected:
    void allocate_lists() override;

private:
    struct CellState {
        float g;              // cost so far of the cell's node
        std::uint32_t entry;  // no node, dropped, closed, or the number of its open-list entry
    };
    struct OpenEntry {
        std::uint64_t key;  // priority above, entry number below: one comparison orders both
        std::int32_t cell;
        std::int32_t y;  // of the cell, so that expanding it needs no division
    };
    struct FreeBlock {
        void operator()(void* block) const;
    };
    // A node as the path needs it; also a node whose cell got a newer one.
    struct SupersededNode {
        float g;
        std::uint8_t step;                // neighbour step from the parent
        std::uint32_t parent_generation;  // which of the parent cell's nodes
    };
    // Only after a reopened node was dropped can a cell have had more than one node that
    // paths lead through; from then on every cell counts its nodes.
    struct NodeGenerations {
        std::vector<std::uint32_t> current;  // per cell: which of its nodes the tables hold
        std::vector<std::uint32_t> parent;   // per cell: which of the parent cell's nodes
        std::unordered_map<std::uint64_t, SupersededNode> superseded;  // by generation_key
    };
    static std::uint64_t generation_key(std::int32_t cell, std::uint32_t generation)
    {
        return std::uint64_t{static_cast<std::uint32_t>(cell)} << 32 | generation;
    }

    void link(std::int32_t cell, std::int32_t parent_cell, std::int32_t step);
    void drop(std::int32_t cell);
    void supersede(std::int32_t cell);
    SupersededNode node_of(std::int32_t cell, std::uint32_t generation) const;
    Node* write_path(std::int32_t goal_cell);
    bool open_push(std::int32_t cell, std::int32_t y, float f);  // false when the list is full
    // The cell of the lowest (priority, entry number), -1 when the open list is empty.
    std::int32_t open_pop(std::int32_t& y);
    void add_entry(std::int32_t cell, std::int32_t y, float f);  // an older entry of the cell goes
                                                                 // stale
    bool stale(const OpenEntry& entry) const;
    void drop_stale_entries();
    void renumber_entries();  // before the 32-bit entry numbers run out
    void remove_top();
    void sift_up(std::size_t position);
    void sift_down(std::size_t position);

    std::unique_ptr<CellState[], FreeBlock> cells_;  // zero (no node) when clean
    bool cells_clean_ = false;
    std::unique_ptr<std::uint8_t[]> parent_step_;   // per cell: the neighbour step that led there
    std::unique_ptr<NodeGenerations> generations_;  // none until a reopened node is dropped
    std::vector<OpenEntry> open_;                   // the heap, live and stale entries
    std::size_t open_count_ = 0;                    // live entries: the open list's size
    std::size_t open_capacity_ = 0;
    std::uint64_t next_entry_ = 0;
};
