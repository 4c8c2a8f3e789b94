// The plan runner: walks found breadth-first over the current field (right, left, up, down
// first), walking on while the way stays open and looking again when something moved into it;
// fetches tried on a saved attempt and taken back when they fail; waits frame by frame.
#include "plan_runner.h"

#include <algorithm>
#include <deque>
#include <optional>
#include <sstream>

#include "game/game_state.h"

namespace {

constexpr Key walking_keys[] = {Key::right, Key::left, Key::up, Key::down};
constexpr int settle_frames = frames_per_second * 30;  // the "s" command's patience
constexpr int fetch_settle_frames = frames_per_second * 3;
constexpr int max_walk_tries = 50;  // looks for a way to one cell

std::string cell_text(Cell c)
{
    return "(" + std::to_string(c.x) + "," + std::to_string(c.y) + ")";
}

// The player may walk through earth, empty cells and Brilloxen with nothing moving in them or
// right above them, and into the exit when that is where he is going.
bool passable(const Attempt& a, Cell c, bool allow_exit)
{
    const double v = a.cell(c);
    if (v == sp_frei || v == sp_black || v == sp_brillox)
        return !a.falling(c) && !a.falling({c.x, c.y - 1});
    return v == sp_ziel && allow_exit;
}

// Breadth-first search over the field's cells, indexed x * height + y.
class FieldSearch {
public:
    explicit FieldSearch(const Attempt& a)
        : width_(static_cast<int>(game().max_x)),
          height_(static_cast<int>(game().max_y)),
          seen_(static_cast<std::size_t>(width_ * height_), false),
          came_by_(seen_.size(), Key::none)
    {
        mark(a.player(), Key::none);
        queue_.push_back(a.player());
    }

    bool inside(Cell c) const { return c.x >= 0 && c.y >= 0 && c.x < width_ && c.y < height_; }
    bool seen(Cell c) const { return seen_[index(c)]; }
    void mark(Cell c, Key by)
    {
        seen_[index(c)] = true;
        came_by_[index(c)] = by;
    }
    Key came_by(Cell c) const { return came_by_[index(c)]; }

    std::deque<Cell> queue_;

private:
    std::size_t index(Cell c) const { return static_cast<std::size_t>(c.x * height_ + c.y); }
    int width_, height_;
    std::vector<bool> seen_;
    std::vector<Key> came_by_;
};

Cell step_back(Cell c, Key came_by)
{
    switch (came_by) {
        case Key::right:
            return step_from(c, Key::left);
        case Key::left:
            return step_from(c, Key::right);
        case Key::up:
            return step_from(c, Key::down);
        case Key::down:
            return step_from(c, Key::up);
        case Key::none:
            break;
    }
    return c;
}

// The shortest walk to goal over passable cells; empty when he is there, none when no way leads
// there.
std::optional<Keys> path_to(const Attempt& a, Cell goal)
{
    const Cell start = a.player();
    if (start == goal) return Keys{};
    const bool allow_exit = goal == a.exit();
    FieldSearch search(a);
    while (!search.queue_.empty()) {
        const Cell current = search.queue_.front();
        search.queue_.pop_front();
        for (const Key key : walking_keys) {
            const Cell next = step_from(current, key);
            if (!search.inside(next) || search.seen(next)) continue;
            if (!passable(a, next, allow_exit)) continue;
            search.mark(next, key);
            if (next == goal) {
                Keys moves;
                for (Cell c = next; !(c == start); c = step_back(c, search.came_by(c)))
                    moves.insert(moves.begin(), search.came_by(c));
                return moves;
            }
            search.queue_.push_back(next);
        }
    }
    return std::nullopt;
}

// The Brilloxen he can walk to now, nearest first; the walk does not go on through them.
std::vector<Cell> reachable_brilloxen(const Attempt& a)
{
    std::vector<Cell> found;
    FieldSearch search(a);
    while (!search.queue_.empty()) {
        const Cell current = search.queue_.front();
        search.queue_.pop_front();
        for (const Key key : walking_keys) {
            const Cell next = step_from(current, key);
            if (!search.inside(next) || search.seen(next) || !passable(a, next, false)) continue;
            search.mark(next, key);
            if (a.cell(next) == sp_brillox) {
                found.push_back(next);
            } else {
                search.queue_.push_back(next);
            }
        }
    }
    return found;
}

bool exit_reachable(const Attempt& a)
{
    return path_to(a, a.exit()).has_value();
}

void expect_going(const Attempt& a, const std::string& where)
{
    if (a.outcome() == Outcome::crushed) {
        throw PlanError(where + ": crushed at " + cell_text(a.player()) + " in frame " +
                        std::to_string(a.frames()) + "\n" + a.picture());
    }
    if (a.outcome() == Outcome::time_up)
        throw PlanError(where + ": time ran out in frame " + std::to_string(a.frames()));
}

void walk(Attempt& a, const Keys& keys, const std::string& where)
{
    for (const Key key : keys) {
        if (a.outcome() == Outcome::complete)
            throw PlanError(where + ": the level ended before the plan did");
        a.frame(key);
        expect_going(a, where);
    }
}

// Walks to goal one cell per frame, finding the way again whenever the field blocks it.
void go_to(Attempt& a, Cell goal, const std::string& where)
{
    for (int tries = 0; tries < max_walk_tries; ++tries) {
        const std::optional<Keys> moves = path_to(a, goal);
        if (!moves) {
            throw PlanError(where + ": no way to " + cell_text(goal) + " from " +
                            cell_text(a.player()) + "\n" + a.picture());
        }
        if (moves->empty()) return;
        for (const Key key : *moves) {
            const Cell before = a.player();
            a.frame(key);
            expect_going(a, where);
            if (a.outcome() == Outcome::complete) return;
            if (a.player() == before) break;  // something moved into the way: look again
        }
        if (a.player() == goal) return;
    }
    throw PlanError(where + ": kept being blocked on the way to " + cell_text(goal));
}

void settle(Attempt& a, const std::string& where, int limit)
{
    for (int i = 0; i < limit; ++i) {
        if (a.settled()) return;
        walk(a, {Key::none}, where);
    }
    throw PlanError(where + ": the field does not settle");
}

// Fetches the nearest Brillox whose fetching the player survives: walk there, then stand until
// the field has settled, tried on a saved attempt. A fetch that cuts him off from the exit (when
// he could reach it before) is not taken either.
void collect_one(Attempt& a, const std::string& where)
{
    const bool keep_exit = exit_reachable(a);
    const Attempt::Snapshot before = a.save();
    for (const Cell target : reachable_brilloxen(a)) {
        try {
            go_to(a, target, where);
            settle(a, where, fetch_settle_frames);
            if (!keep_exit || exit_reachable(a)) return;
        } catch (const PlayError&) {
        }
        a.restore(before);
    }
    throw PlanError(where + ": no Brillox can be fetched safely from " + cell_text(a.player()) +
                    "\n" + a.picture());
}

int count_of(const std::vector<std::string>& words, std::size_t i, const std::string& where)
{
    if (i >= words.size()) throw PlanError(where + ": a number is missing");
    try {
        std::size_t used = 0;
        const int n = std::stoi(words[i], &used);
        if (used == words[i].size()) return n;
    } catch (const std::logic_error&) {
    }
    throw PlanError(where + ": \"" + words[i] + "\" is not a number");
}

}  // namespace

void run_plan(Attempt& a, const std::vector<std::string>& plan)
{
    for (std::size_t number = 1; number <= plan.size(); ++number) {
        const std::string& line = plan[number - 1];
        const std::string where = "plan line " + std::to_string(number) + " (" + line + ")";
        std::istringstream in(line);
        std::vector<std::string> words;
        for (std::string word; in >> word;) words.push_back(word);
        const std::string command = words.empty() ? "" : words[0];
        if (command == "g") {
            go_to(a, {count_of(words, 1, where), count_of(words, 2, where)}, where);
        } else if (command == "m") {
            Keys keys;
            for (std::size_t w = 1; w < words.size(); ++w) {
                for (const char letter : words[w]) {
                    try {
                        keys.push_back(key_of_letter(letter, where));
                    } catch (const LevelToolError& e) {
                        throw PlanError(e.what());
                    }
                }
            }
            walk(a, keys, where);
        } else if (command == "w") {
            walk(a,
                 Keys(static_cast<std::size_t>(std::max(0, count_of(words, 1, where))), Key::none),
                 where);
        } else if (command == "s") {
            settle(a, where, settle_frames);
        } else if (command == "c") {
            for (int n = count_of(words, 1, where); n > 0; --n) collect_one(a, where);
        } else if (command == "exit") {
            go_to(a, a.exit(), where);
            if (a.outcome() != Outcome::complete) {
                throw PlanError(where + ": the exit did not open (" + std::to_string(a.found()) +
                                " of " + std::to_string(a.quota()) + " Brilloxen)");
            }
        } else {
            throw PlanError(where + ": unknown command");
        }
        if (a.outcome() == Outcome::complete && number != plan.size())
            throw PlanError(where + ": the level ended before the plan did");
    }
    if (a.outcome() != Outcome::complete)
        throw PlanError("the plan ends before the level is complete");
}
