// The reference planner, step by step: quadratic on large grids (every neighbour scans the
// open list), which is why the runtime's planner does not work this way.
#include "literal_planner.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

#include "pathfinding/fixed_deque.h"

namespace {

struct Step {
    int dx, dy;
    bool diagonal;
};
constexpr Step neighbour_order[8] = {{-1, -1, true}, {0, -1, false}, {1, -1, true}, {1, 0, false},
                                     {-1, 0, false}, {-1, 1, true},  {0, 1, false}, {1, 1, true}};

// Sorted from the highest priority at the front to the lowest at the back: the new node goes
// in front of the first node whose priority is not greater, so equals leave first in, first out.
void insert_sorted(FixedDeque<Node*>& open, Node* node)
{
    int low = 0;
    int high = open.size();
    while (low < high) {
        const int middle = (low + high) / 2;
        if (open.at(middle)->f > node->f) {
            low = middle + 1;
        } else {
            high = middle;
        }
    }
    open.insert(low, node);  // a full list drops the node
}

}  // namespace

LiteralOutcome literal_plan(const SearchParameters& p)
{
    LiteralOutcome outcome;
    const auto inside = [&](int x, int y) {
        return x >= 0 && x <= p.width - 1 && y >= 0 && y <= p.height - 1;
    };
    if (!inside(p.start_x, p.start_y) || !inside(p.goal_x, p.goal_y)) return outcome;
    if (p.start_x == p.goal_x && p.start_y == p.goal_y) return outcome;
    if (p.cells == nullptr || static_cast<long long>(p.width) * p.height > INT_MAX) return outcome;

    const int cells = p.width * p.height;
    std::vector<float> grid(static_cast<std::size_t>(cells));
    double largest = 0;
    for (int i = 0; i < cells; ++i) {
        if (p.cells[i] > 0) {
            if (p.cells[i] > largest) largest = p.cells[i];
        } else {
            grid[static_cast<std::size_t>(i)] = -1;
        }
    }
    if (largest <= 0) return outcome;
    for (int i = 0; i < cells; ++i) {
        if (p.cells[i] > 0)
            grid[static_cast<std::size_t>(i)] = static_cast<float>(p.cells[i] / largest + 1);
    }
    outcome.accepted = true;

    NodeFactory pool;
    pool.allocate(p.node_capacity > 0 ? p.node_capacity : cells);
    FixedDeque<Node*> open(p.open_capacity > 0 ? p.open_capacity : cells);
    NodeHashTable closed;
    closed.allocate(p.hash_bits);
    float weight = p.heuristic_weight;
    if (!(weight >= 0)) weight = 0;
    if (weight > 1) weight = 1;

    Node* start = pool.take();
    *start = Node{nullptr, p.start_x, p.start_y, 0, 0, nullptr};
    open.push_back(start);

    while (!open.empty()) {
        Node* current = open.back();
        open.pop_back();
        if (current->x == p.goal_x && current->y == p.goal_y) {
            closed.insert(current);
            outcome.found = true;
            outcome.goal_cost = current->g;
            for (const Node* n = current; n != nullptr; n = n->parent)
                outcome.path.emplace_back(n->x, n->y);
            std::reverse(outcome.path.begin(), outcome.path.end());
            break;
        }
        for (const Step& step : neighbour_order) {
            if (step.diagonal && p.diagonal_moves == 0) continue;
            const int nx = current->x + step.dx;
            const int ny = current->y + step.dy;
            if (!inside(nx, ny)) continue;
            const float c = grid[static_cast<std::size_t>(nx + ny * p.width)];
            if (c == -1) continue;
            const float g = step.diagonal && p.diagonal_weighting != 0 ? current->g + c * 1.4142137f
                                                                       : current->g + c;
            const auto h = static_cast<float>(std::abs(p.goal_x - nx) + std::abs(p.goal_y - ny));
            const float f = g + weight * (h - g);
            // A node reached more cheaply than before takes the new way and enters the open
            // list again.
            const auto reopen = [&](Node* old) {
                old->parent = current;
                old->g = g;
                old->f = f;
                insert_sorted(open, old);
            };

            if (Node* old = closed.find(nx, ny)) {
                if (old->g > g) {
                    closed.remove(old);
                    reopen(old);
                }
                continue;
            }
            int position = open.size() - 1;
            while (position >= 0 && (open.at(position)->x != nx || open.at(position)->y != ny))
                --position;
            if (position >= 0) {
                Node* old = open.at(position);
                if (old->g > g) {
                    open.erase(position);
                    reopen(old);
                }
                continue;
            }
            Node* fresh = pool.take();
            if (fresh == nullptr) continue;
            *fresh = Node{current, nx, ny, f, g, nullptr};
            insert_sorted(open, fresh);
        }
        closed.insert(current);
    }
    outcome.nodes_taken = pool.handed_out();
    return outcome;
}
