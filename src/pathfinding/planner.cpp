// The planners' shared set-up and AStarPlanner's search: a 4-ary heap for the open list and
// flat per-cell tables instead of linear scans and hash chains, with the same results as a
// sorted list scanned from the back.
#include "pathfinding/planner.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

constexpr float diagonal_factor = 1.4142137f;
// Children per heap entry: a shallower heap than a binary one, with siblings side by side.
constexpr std::size_t heap_arity = 4;
constexpr std::uint64_t entry_number_end = std::uint64_t{1} << 32;

// CellState::entry
constexpr std::uint32_t no_node = 0;
constexpr std::uint32_t dropped = 1;  // no node in the lists; its last node still leads paths
constexpr std::uint32_t closed = 2;
constexpr std::uint32_t first_entry = 3;

// The neighbours in the order they are visited; the index is what parent_step_ records.
struct Step {
    std::int32_t dx, dy;
};
constexpr Step steps[8] = {{-1, -1}, {0, -1}, {1, -1}, {1, 0}, {-1, 0}, {-1, 1}, {0, 1}, {1, 1}};

// The one place the priority is computed, so that the path's records get the very value the
// search used.
inline float priority_of(float g, std::int32_t distance, float weight)
{
    const auto h = static_cast<float>(distance);
    return g + weight * (h - g);
}

}  // namespace

bool Planner::setup(const SearchParameters& parameters)
{
    const SearchParameters& p = parameters;
    const auto inside = [&](std::int32_t x, std::int32_t y) {
        return x >= 0 && x < p.width && y >= 0 && y < p.height;
    };
    if (!inside(p.start_x, p.start_y) || !inside(p.goal_x, p.goal_y)) return false;
    if (p.start_x == p.goal_x && p.start_y == p.goal_y) return false;
    if (p.cells == nullptr) return false;
    const long long cell_count = static_cast<long long>(p.width) * p.height;
    if (cell_count > INT_MAX) return false;
    const auto cells = static_cast<std::int32_t>(cell_count);

    costs_.reset();
    pool_.release();
    result_ = nullptr;
    params_ = SearchParameters{};

    // Costs are relative to the most expensive cell, so every passable cell costs more than 1
    // and at most 2, and the whole-cell distance estimate never exceeds the true cost. An
    // infinite cost is a wall: scaled, it would make every cost infinite or NaN and let the
    // search walk straight through it.
    const auto passable = [](double value) { return value > 0 && std::isfinite(value); };
    double largest = 0;
    for (std::int32_t i = 0; i < cells; ++i) {
        if (passable(p.cells[i]) && p.cells[i] > largest) largest = p.cells[i];
    }
    if (!(largest > 0)) return false;
    costs_.reset(new float[static_cast<std::size_t>(cells)]);
    for (std::int32_t i = 0; i < cells; ++i) {
        const double value = p.cells[i];
        costs_[i] = passable(value) ? static_cast<float>(value / largest + 1.0) : -1.0f;
    }

    params_ = p;
    if (params_.node_capacity <= 0) params_.node_capacity = cells;
    if (params_.open_capacity <= 0) params_.open_capacity = cells;
    const float weight = params_.heuristic_weight;
    params_.heuristic_weight = weight > 1 ? 1.0f : weight > 0 ? weight : 0.0f;
    pool_.allocate(params_.node_capacity);
    finished_ = true;
    searches_ = 0;
    allocate_lists();
    return true;
}

void Planner::begin()
{
    finished_ = false;
    searches_ = 0;
    result_ = nullptr;
}

void Planner::reset()
{
    pool_.reset();
    result_ = nullptr;
    finished_ = true;
}

void AStarPlanner::FreeBlock::operator()(void* block) const
{
    std::free(block);
}

void AStarPlanner::allocate_lists()
{
    const auto cells =
        static_cast<std::size_t>(params_.width) * static_cast<std::size_t>(params_.height);
    // A zeroed block this large comes fresh from the system, so a search pays only for the
    // pages it reaches.
    cells_.reset(static_cast<CellState*>(std::calloc(cells, sizeof(CellState))));
    cells_clean_ = true;
    parent_step_.reset(new std::uint8_t[cells]);
    open_capacity_ = static_cast<std::size_t>(params_.open_capacity);
    open_.clear();
    open_.reserve(open_capacity_);
    open_count_ = 0;
    next_entry_ = first_entry;
}

void AStarPlanner::begin()
{
    Planner::begin();
    if (!ready()) return;
    if (!cells_clean_) {
        const auto cells =
            static_cast<std::size_t>(params_.width) * static_cast<std::size_t>(params_.height);
        std::memset(static_cast<void*>(cells_.get()), 0, cells * sizeof(CellState));
    }
    cells_clean_ = false;
    generations_.reset();
    open_.clear();
    open_count_ = 0;
    next_entry_ = first_entry;
    pool_.reset();
    pool_.take();  // the start node
    const std::int32_t start = params_.start_x + params_.start_y * params_.width;
    cells_[start].g = 0;
    open_push(start, params_.start_y, 0);
}

void AStarPlanner::reset()
{
    open_.clear();
    open_count_ = 0;
    Planner::reset();
}

void AStarPlanner::number_entries_from(std::uint32_t first)
{
    next_entry_ = first;
}

bool AStarPlanner::search()
{
    ++searches_;
    if (!ready()) {
        finished_ = true;
        return false;
    }
    const std::int32_t width = params_.width;
    const std::int32_t height = params_.height;
    const std::int32_t goal_x = params_.goal_x;
    const std::int32_t goal_y = params_.goal_y;
    const std::int32_t goal_cell = goal_x + goal_y * width;
    const std::int32_t last_cell = width * height - 1;
    const float weight = params_.heuristic_weight;
    const bool diagonal_moves = params_.diagonal_moves != 0;
    const bool diagonal_weighting = params_.diagonal_weighting != 0;
    const float* costs = costs_.get();
    CellState* cells = cells_.get();

    for (;;) {
        std::int32_t y = 0;
        const std::int32_t current = open_pop(y);
        if (current < 0) break;
        if (current == goal_cell) {
            finished_ = true;
            result_ = write_path(current);
            return true;
        }
        const std::int32_t x = current - y * width;
        const float g = cells[current].g;
        if (!open_.empty()) {
            // The entry on top is nearly always the next node to expand: fetch its
            // neighbourhood while this one is worked on.
            const std::int32_t next = open_.front().cell;
            const std::int32_t above = next >= width ? next - width : next;
            const std::int32_t below = next < last_cell - width ? next + width : next;
            __builtin_prefetch(&costs[above]);
            __builtin_prefetch(&costs[below]);
            __builtin_prefetch(&cells[above]);
            __builtin_prefetch(&cells[next]);
            __builtin_prefetch(&cells[below]);
        }

        const auto visit = [&](std::int32_t step, bool diagonal) __attribute__((always_inline))
        {
            const std::int32_t nx = x + steps[step].dx;
            const std::int32_t ny = y + steps[step].dy;
            if (nx < 0 || nx >= width || ny < 0 || ny >= height) return;
            const std::int32_t cell = nx + ny * width;
            const float c = costs[cell];
            if (c < 0) return;
            const float new_g = diagonal && diagonal_weighting ? g + c * diagonal_factor : g + c;

            CellState& state = cells[cell];
            if (state.entry >= closed) {
                if (!(state.g > new_g)) return;
                state.g = new_g;
                link(cell, current, step);
                const float f =
                    priority_of(new_g, std::abs(goal_x - nx) + std::abs(goal_y - ny), weight);
                if (state.entry != closed) {
                    add_entry(cell, ny, f);  // the old entry goes stale
                } else if (!open_push(cell, ny, f)) {
                    drop(cell);  // reopened into a full list
                }
                return;
            }
            if (pool_.take() == nullptr) return;
            if (state.entry == dropped) supersede(cell);
            state.g = new_g;
            link(cell, current, step);
            // A new node that finds the list full is lost; nothing leads through it.
            if (!open_push(
                    cell, ny,
                    priority_of(new_g, std::abs(goal_x - nx) + std::abs(goal_y - ny), weight))) {
                state.entry = no_node;
            }
        };

        // The neighbour order decides which of two equally good paths wins.
        if (diagonal_moves) visit(0, true);
        visit(1, false);
        if (diagonal_moves) visit(2, true);
        visit(3, false);
        visit(4, false);
        if (diagonal_moves) visit(5, true);
        visit(6, false);
        if (diagonal_moves) visit(7, true);
    }
    finished_ = true;
    return false;
}

void AStarPlanner::link(std::int32_t cell, std::int32_t parent_cell, std::int32_t step)
{
    parent_step_[cell] = static_cast<std::uint8_t>(step);
    if (generations_) generations_->parent[cell] = generations_->current[parent_cell];
}

// A closed node that was opened again but found the list full is in neither list, yet the
// nodes it led to still lead through it: it stays in the cell tables until the cell gets a
// new node, and from the first such drop on, cells count the nodes they had.
void AStarPlanner::drop(std::int32_t cell)
{
    cells_[cell].entry = dropped;
    if (!generations_) {
        const auto cells =
            static_cast<std::size_t>(params_.width) * static_cast<std::size_t>(params_.height);
        generations_ = std::make_unique<NodeGenerations>();
        generations_->current.assign(cells, 0);
        generations_->parent.assign(cells, 0);
    }
}

void AStarPlanner::supersede(std::int32_t cell)
{
    NodeGenerations& generations = *generations_;
    std::uint32_t& current = generations.current[cell];
    generations.superseded[generation_key(cell, current)] =
        SupersededNode{cells_[cell].g, parent_step_[cell], generations.parent[cell]};
    ++current;
}

AStarPlanner::SupersededNode AStarPlanner::node_of(std::int32_t cell,
                                                   std::uint32_t generation) const
{
    if (!generations_) return SupersededNode{cells_[cell].g, parent_step_[cell], 0};
    if (generation == generations_->current[cell]) {
        return SupersededNode{cells_[cell].g, parent_step_[cell], generations_->parent[cell]};
    }
    return generations_->superseded.at(generation_key(cell, generation));
}

// Writes the Node records of the path into the first pool nodes, the start first, and returns
// the goal's. Every node of the path was taken from the pool, so the pool has room for them.
Node* AStarPlanner::write_path(std::int32_t goal_cell)
{
    const std::int32_t width = params_.width;
    const std::int32_t start = params_.start_x + params_.start_y * width;
    struct Link {
        std::int32_t cell;
        std::uint32_t generation;
    };
    const Link goal{goal_cell, generations_ ? generations_->current[goal_cell] : 0};
    const auto parent_of = [&](const Link& link) {
        const SupersededNode node = node_of(link.cell, link.generation);
        const Step& step = steps[node.step];
        return Link{link.cell - step.dx - step.dy * width, node.parent_generation};
    };
    std::int32_t count = 1;
    for (Link link = goal; link.cell != start; link = parent_of(link)) ++count;

    Link link = goal;
    for (std::int32_t i = count - 1; i >= 0; --i) {
        Node* node = pool_.node(i);
        node->parent = i > 0 ? pool_.node(i - 1) : nullptr;
        node->x = link.cell % width;
        node->y = link.cell / width;
        node->g = node_of(link.cell, link.generation).g;
        node->f = i > 0 ? priority_of(node->g,
                                      std::abs(params_.goal_x - node->x) +
                                          std::abs(params_.goal_y - node->y),
                                      params_.heuristic_weight)
                        : 0;
        node->next_in_bucket = nullptr;
        if (i > 0) link = parent_of(link);
    }
    return pool_.node(count - 1);
}

bool AStarPlanner::open_push(std::int32_t cell, std::int32_t y, float f)
{
    if (open_count_ >= open_capacity_) return false;
    add_entry(cell, y, f);
    ++open_count_;
    return true;
}

std::int32_t AStarPlanner::open_pop(std::int32_t& y)
{
    while (!open_.empty()) {
        const OpenEntry top = open_.front();
        remove_top();
        if (stale(top)) continue;
        cells_[top.cell].entry = closed;
        --open_count_;
        y = top.y;
        return top.cell;
    }
    return -1;
}

// Priorities compare as their bit patterns turned into unsigned numbers of the same order (the
// sign bit flipped for positive values, all bits for negative ones); below them the entry
// number, so that equal priorities leave in the order they came in.
void AStarPlanner::add_entry(std::int32_t cell, std::int32_t y, float f)
{
    if (next_entry_ == entry_number_end) renumber_entries();
    // Stale entries give way before the reserved block would have to grow.
    if (open_.size() == open_.capacity() && open_.size() > open_count_) drop_stale_entries();
    std::uint32_t bits = 0;  // the float's bits (memcpy: not every library has bit_cast)
    std::memcpy(&bits, &f, sizeof bits);
    const std::uint32_t ordered = (bits & 0x80000000u) != 0 ? ~bits : bits | 0x80000000u;
    const auto entry = static_cast<std::uint32_t>(next_entry_++);
    cells_[cell].entry = entry;
    open_.push_back(OpenEntry{std::uint64_t{ordered} << 32 | entry, cell, y});
    sift_up(open_.size() - 1);
}

bool AStarPlanner::stale(const OpenEntry& entry) const
{
    return cells_[entry.cell].entry != static_cast<std::uint32_t>(entry.key);
}

void AStarPlanner::drop_stale_entries()
{
    std::size_t kept = 0;
    for (const OpenEntry& entry : open_) {
        if (!stale(entry)) open_[kept++] = entry;
    }
    open_.resize(kept);
    for (std::size_t i = kept / heap_arity + 1; i-- > 0;) {
        if (i < kept) sift_down(i);
    }
}

// Numbers the live entries first_entry, first_entry + 1, ... in their order; a sorted array is
// a valid heap.
void AStarPlanner::renumber_entries()
{
    drop_stale_entries();
    std::sort(open_.begin(), open_.end(),
              [](const OpenEntry& a, const OpenEntry& b) { return a.key < b.key; });
    next_entry_ = first_entry;
    for (OpenEntry& entry : open_) {
        const auto number = static_cast<std::uint32_t>(next_entry_++);
        entry.key = (entry.key & ~(entry_number_end - 1)) | number;
        cells_[entry.cell].entry = number;
    }
}

void AStarPlanner::sift_up(std::size_t position)
{
    OpenEntry* heap = open_.data();
    const OpenEntry entry = heap[position];
    while (position > 0) {
        const std::size_t parent = (position - 1) / heap_arity;
        if (heap[parent].key <= entry.key) break;
        heap[position] = heap[parent];
        position = parent;
    }
    heap[position] = entry;
}

namespace {

// Which of four sibling entries has the smallest key, decided without branches.
template <typename Entry>
inline std::size_t smallest_of_four(const Entry* child)
{
    static_assert(heap_arity == 4);
    const auto a = static_cast<std::size_t>(child[1].key < child[0].key);
    const std::size_t b = 2 + static_cast<std::size_t>(child[3].key < child[2].key);
    const std::size_t b_wins = 0 - static_cast<std::size_t>(child[b].key < child[a].key);
    return a ^ ((a ^ b) & b_wins);
}

// The smallest of the children first .. count - 1 (at least one, at most four).
template <typename Entry>
inline std::size_t smallest_child(const Entry* heap, std::size_t first, std::size_t count)
{
    if (first + heap_arity <= count) return first + smallest_of_four(heap + first);
    std::size_t best = first;
    for (std::size_t c = first + 1; c < count; ++c) {
        if (heap[c].key < heap[best].key) best = c;
    }
    return best;
}

}  // namespace

void AStarPlanner::sift_down(std::size_t position)
{
    OpenEntry* heap = open_.data();
    const std::size_t count = open_.size();
    const OpenEntry entry = heap[position];
    for (;;) {
        const std::size_t first = heap_arity * position + 1;
        if (first >= count) break;
        const std::size_t best = smallest_child(heap, first, count);
        if (entry.key <= heap[best].key) break;
        heap[position] = heap[best];
        position = best;
    }
    heap[position] = entry;
}

// The hole left by the top walks down along the smallest children to the bottom, and the last
// entry rises from there: it nearly always belongs near the bottom, so this saves comparing
// it on the way down.
void AStarPlanner::remove_top()
{
    const OpenEntry last = open_.back();
    open_.pop_back();
    const std::size_t count = open_.size();
    if (count == 0) return;
    OpenEntry* heap = open_.data();
    std::size_t hole = 0;
    for (;;) {
        const std::size_t first = heap_arity * hole + 1;
        if (first + heap_arity > count) {
            // The last, partly filled group of children, if any: its entries have none.
            if (first < count) {
                const std::size_t best = smallest_child(heap, first, count);
                heap[hole] = heap[best];
                hole = best;
            }
            break;
        }
        const std::size_t best = first + smallest_of_four(heap + first);
        heap[hole] = heap[best];
        hole = best;
    }
    heap[hole] = last;
    sift_up(hole);
}
