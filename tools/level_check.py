#!/usr/bin/python3
# The playfield rules of brillox in Python, frame by frame, for checking levels: a level is
# played from a plan (walk to a cell, push, wait until things settle, ...) and every frame's
# key is recorded. Used by make_levels.py; run on its own, it replays tools/level_solutions.txt
# against data/Level.ini and writes nothing. Standard library only.
#
# The rules are followed to the letter, quirks included (objects at rest hang until disturbed,
# rolling only inside the visible window, the extra falling step after a push). A plan that
# would lean on one of the odd corners (walking into a falling object's cell, an object moved
# away under its falling-list entry) is refused, so that every recorded solution plays the
# same way as a player would expect.
import collections
import copy
import os
import sys

WALL, EARTH, STONE, BRILLOX, EMPTY, EXIT, PLAYER = 0, 1, 2, 3, 7, 8, 10

CHAR_CELL = {"*": WALL, "S": STONE, "D": BRILLOX, "P": PLAYER, "Z": EXIT}
CELL_CHAR = {WALL: "*", EARTH: ".", STONE: "S", BRILLOX: "D", EMPTY: " ", EXIT: "Z", PLAYER: "P"}

NONE, RIGHT, LEFT, UP, DOWN = 0, 1, 2, 3, 4
STEP = {RIGHT: (1, 0), LEFT: (-1, 0), UP: (0, -1), DOWN: (0, 1)}
ACTION_CHAR = {NONE: ".", RIGHT: "R", LEFT: "L", UP: "U", DOWN: "D"}
CHAR_ACTION = {v: k for k, v in ACTION_CHAR.items()}

GOING, COMPLETE, CRUSHED, TIME_UP = 0, 1, 2, 3

FPS = 30  # the game's frame-rate limit while playing
WINDOW_W, WINDOW_H = 20, 14


class PlanError(Exception):
    pass


class Quirk(Exception):
    """Raised when play reaches a corner of the rules that a recorded solution must avoid."""


def parse_rows(rows):
    """Decodes map rows the way the level loader does: unknown characters are earth, only the
    first P and the first Z count."""
    height, width = len(rows), len(rows[0])
    cells = [[EARTH] * height for _ in range(width)]
    player = exit_ = None
    brillox = 0
    for y, row in enumerate(rows):
        if len(row) != width:
            raise ValueError("row %d is %d cells wide, not %d" % (y + 1, len(row), width))
        for x, ch in enumerate(row.upper()):
            v = CHAR_CELL.get(ch, EARTH)
            if v == PLAYER:
                if player is None:
                    player = (x, y)
                else:
                    v = EARTH
            elif v == EXIT:
                if exit_ is None:
                    exit_ = (x, y)
                else:
                    v = EARTH
            elif v == BRILLOX:
                brillox += 1
            cells[x][y] = v
    return cells, player, exit_, brillox


class Game:
    """One attempt at a level. `pace` is speed x geschwindigkeit: objects move in every frame
    in which the frame counter has passed it, that is every pace + 1 frames."""

    def __init__(self, rows, quota, zeit, pace):
        self.map, player, self.exit, self.anz_brillox = parse_rows(rows)
        self.w, self.h = len(self.map), len(self.map[0])
        self.px, self.py = player
        self.min_brillox = self.anz_brillox if quota <= 0 or quota > self.anz_brillox else quota
        self.zeit = zeit if zeit > 0 else 0
        self.pace = pace
        self.found = 0
        self.falling = []  # rows [x, y, value, landed]
        self.move_player = 0
        self.frames = 0
        self.outcome = GOING
        self.actions = []
        self.sounds = collections.Counter()

    # --- the rules ---------------------------------------------------------------------------

    def add_falling(self, x, y):
        for row in self.falling:
            if row[3] == 0 and row[0] == x and row[1] == y:
                return
        self.falling.append([x, y, self.map[x][y], 0])

    def remove_falling(self, x, y):
        i = 0
        while i < len(self.falling):
            row = self.falling[i]
            if row[3] == 0 and row[0] == x and row[1] == y:
                del self.falling[i]
            i += 1

    def moving_at(self, x, y):
        return any(r[3] == 0 and r[0] == x and r[1] == y for r in self.falling)

    def falling_step(self):
        anz = len(self.falling)
        crushed = False
        for i in range(anz):
            row = self.falling[i]
            x, y, value, landed = row
            if landed:
                continue
            below = self.map[x][y + 1]
            if below == EMPTY:
                if self.map[x][y] != value:
                    raise Quirk("object at (%d,%d) moved away under its falling entry" % (x, y))
                self.map[x][y + 1] = value
                self.map[x][y] = EMPTY
                row[1] = y + 1
                if self.map[x][y - 1] in (STONE, BRILLOX):
                    self.add_falling(x, y - 1)
            elif below == PLAYER:
                crushed = True
                break
            else:
                row[3] = 1
                self.sounds["stein"] += 1
        i = 0
        while i <= anz - 1:
            if self.falling[i][3] == 1:
                del self.falling[i]
                anz -= 1
            i += 1
        return crushed

    def window_origin(self):
        sx = self.px - 10
        if sx < 0:
            sx = 0
        if sx + 19 >= self.w:
            sx = self.w - 20
        sy = self.py - 7
        if sy < 0:
            sy = 0
        if sy + 13 >= self.h:
            sy = self.h - 14
        return sx, sy

    def roll_candidate(self):
        sx, sy = self.window_origin()
        m = self.map
        for x in range(WINDOW_W):
            for y in range(WINDOW_H):
                X, Y = sx + x, sy + y
                if m[X][Y] != STONE or m[X][Y + 1] != STONE:
                    continue
                if m[X + 1][Y] == EMPTY and m[X + 1][Y + 1] == EMPTY:
                    return X, Y, 1
                if m[X - 1][Y] == EMPTY and m[X - 1][Y + 1] == EMPTY:
                    return X, Y, -1
        return None

    def roll_step(self):
        found = self.roll_candidate()
        if found is None:
            return
        X, Y, d = found
        self.map[X][Y] = EMPTY
        self.map[X + d][Y + 1] = STONE
        self.remove_falling(X, Y)
        self.add_falling(X + d, Y + 1)
        if self.map[X][Y - 1] in (STONE, BRILLOX):
            self.add_falling(X, Y - 1)

    def player_step(self, richtung):
        self.move_player += 1
        if richtung == NONE:
            return 0
        oldx, oldy = self.px, self.py
        dx, dy = STEP[richtung]
        nx, ny = oldx + dx, oldy + dy
        target = self.map[nx][ny]
        if self.moving_at(nx, ny):
            raise Quirk("walked into the cell of a falling object at (%d,%d)" % (nx, ny))
        blocked = False
        ret = 0
        if target == WALL:
            blocked = True
        if target == STONE:
            if richtung in (RIGHT, LEFT):
                mx, my = nx + dx, ny
                if self.map[mx][my] == EMPTY:
                    self.map[mx][my] = STONE
                    self.map[nx][ny] = EMPTY
                    if self.map[mx][my + 1] == EMPTY:
                        self.add_falling(mx, my)
                        self.falling_step()
                    if self.map[nx][ny] != EMPTY:
                        raise Quirk("something fell into the cell a pushed stone left")
                else:
                    blocked = True
            else:
                blocked = True
        if target == BRILLOX:
            self.found += 1
            if self.found == self.min_brillox:
                self.sounds["fanfare"] += 1
        if target == EXIT:
            if self.min_brillox <= self.found:
                ret = 1
                self.sounds["gong"] += 1
            else:
                blocked = True
        if blocked:
            return 0
        self.map[oldx][oldy] = EMPTY
        self.map[nx][ny] = PLAYER
        self.px, self.py = nx, ny
        if self.map[oldx][oldy - 1] in (STONE, BRILLOX):
            self.add_falling(oldx, oldy - 1)
        return ret

    def frame(self, richtung):
        """One pass of the play loop with this arrow key held; returns the outcome."""
        if self.outcome != GOING:
            raise PlanError("the attempt is already over")
        self.frames += 1
        self.actions.append(richtung)
        elapsed = (self.frames - 1) * 1000 // FPS // 1000
        if self.zeit > 0 and elapsed >= self.zeit:
            self.outcome = TIME_UP
            return self.outcome
        self.map[self.px][self.py] = PLAYER
        ret = self.player_step(richtung)
        if self.move_player > self.pace:
            self.roll_step()
            if self.falling_step():
                ret = CRUSHED
            self.move_player = 0
        self.outcome = ret
        return ret

    # --- helpers for plans -------------------------------------------------------------------

    def settled(self):
        return not self.falling and self.roll_candidate() is None

    def passable(self, x, y, allow_exit):
        v = self.map[x][y]
        if v in (EARTH, EMPTY, BRILLOX):
            return not self.moving_at(x, y) and not self.moving_at(x, y - 1)
        return v == EXIT and allow_exit

    def path_to(self, goal):
        """Shortest walk over earth, empty cells and Brilloxen (right, left, up, down first)."""
        start = (self.px, self.py)
        if start == goal:
            return []
        allow_exit = goal == self.exit
        previous = {start: None}
        queue = collections.deque([start])
        while queue:
            cur = queue.popleft()
            for r in (RIGHT, LEFT, UP, DOWN):
                dx, dy = STEP[r]
                nxt = (cur[0] + dx, cur[1] + dy)
                if nxt in previous:
                    continue
                if not self.passable(nxt[0], nxt[1], allow_exit):
                    continue
                previous[nxt] = (cur, r)
                if nxt == goal:
                    moves = []
                    while previous[nxt] is not None:
                        nxt, r2 = previous[nxt]
                        moves.append(r2)
                    return moves[::-1]
                queue.append(nxt)
        return None

    def render(self):
        lines = []
        for y in range(self.h):
            row = ""
            for x in range(self.w):
                ch = CELL_CHAR.get(self.map[x][y], "?")
                if self.moving_at(x, y):
                    ch = ch.lower()
                row += ch
            lines.append(row)
        return "\n".join(lines)


def expect_going(game, where):
    if game.outcome == CRUSHED:
        raise PlanError("%s: crushed at (%d,%d) in frame %d\n%s"
                        % (where, game.px, game.py, game.frames, game.render()))
    if game.outcome == TIME_UP:
        raise PlanError("%s: time ran out in frame %d" % (where, game.frames))


def walk(game, moves, where):
    for r in moves:
        if game.outcome == COMPLETE:
            raise PlanError("%s: the level ended before the plan did" % where)
        game.frame(r)
        expect_going(game, where)


def goto(game, goal, where):
    """Walks to goal one cell per frame, finding the way again whenever the field changes it."""
    for _ in range(50):
        moves = game.path_to(goal)
        if moves is None:
            raise PlanError("%s: no way to (%d,%d) from (%d,%d)\n%s"
                            % (where, goal[0], goal[1], game.px, game.py, game.render()))
        if not moves:
            return
        for r in moves:
            before = (game.px, game.py)
            game.frame(r)
            expect_going(game, where)
            if game.outcome == COMPLETE:
                return
            if (game.px, game.py) == before:
                break  # something moved into the way: look again
        if (game.px, game.py) == goal:
            return
    raise PlanError("%s: kept being blocked on the way to %s" % (where, goal))


def reachable_brilloxen(game):
    """Brilloxen the player can walk to now, nearest first."""
    start = (game.px, game.py)
    seen = {start}
    queue = collections.deque([start])
    found = []
    while queue:
        cur = queue.popleft()
        for r in (RIGHT, LEFT, UP, DOWN):
            dx, dy = STEP[r]
            nxt = (cur[0] + dx, cur[1] + dy)
            if nxt in seen or not game.passable(nxt[0], nxt[1], False):
                continue
            seen.add(nxt)
            if game.map[nxt[0]][nxt[1]] == BRILLOX:
                found.append(nxt)
            else:
                queue.append(nxt)
    return found


def settle(game, where, limit=FPS * 30):
    for _ in range(limit):
        if game.settled():
            return
        walk(game, [NONE], where)
    raise PlanError("%s: the field does not settle" % where)


def exit_reachable(game):
    return game.path_to(game.exit) is not None


def collect_one(game, where):
    """Fetches the nearest Brillox whose fetching the player survives, trying each on a copy
    of the game: walk there, then stand until the field has settled. A fetch that would cut
    the player off from the exit (when he could reach it before) is not taken either.
    Returns the game after the fetch."""
    keep_exit = exit_reachable(game)
    for target in reachable_brilloxen(game):
        trial = copy.deepcopy(game)
        try:
            goto(trial, target, where)
            settle(trial, where, FPS * 3)
        except (PlanError, Quirk):
            continue
        if keep_exit and not exit_reachable(trial):
            continue
        return trial
    raise PlanError("%s: no Brillox can be fetched safely from (%d,%d)\n%s"
                    % (where, game.px, game.py, game.render()))


def run_plan(rows, quota, zeit, pace, plan, unfinished_ok=False):
    """Plays the plan; returns the finished Game (outcome COMPLETE) or raises PlanError/Quirk.
    With unfinished_ok a plan may stop before the exit (for trying out a plan while designing).

    Plan commands, one per line (cells are x,y counted from 0 at the map's top-left corner):
      g X Y      walk to the cell by the shortest way through the current field
      m KEYS     these keys, one frame each (R L U D, "." for a frame without a key)
      w N        N frames without a key
      s          wait until nothing falls and nothing can roll (at most 30 s)
      c N        collect N Brilloxen, one at a time: the nearest one that the player can
                 fetch and then survive standing still until the field has settled
      exit       walk into the exit
    """
    game = Game(rows, quota, zeit, pace)
    for number, line in enumerate(plan, 1):
        where = "plan line %d (%s)" % (number, line)
        words = line.split()
        cmd = words[0]
        if cmd == "g":
            goto(game, (int(words[1]), int(words[2])), where)
        elif cmd == "m":
            walk(game, [CHAR_ACTION[ch] for ch in "".join(words[1:])], where)
        elif cmd == "w":
            walk(game, [NONE] * int(words[1]), where)
        elif cmd == "s":
            settle(game, where)
        elif cmd == "c":
            for _ in range(int(words[1])):
                game = collect_one(game, where)
        elif cmd == "exit":
            goto(game, game.exit, where)
            if game.outcome != COMPLETE:
                raise PlanError("%s: the exit did not open (%d of %d Brilloxen)"
                                % (where, game.found, game.min_brillox))
        else:
            raise PlanError("%s: unknown command" % where)
        if game.outcome == COMPLETE and number != len(plan):
            raise PlanError("%s: the level ended before the plan did" % where)
    if game.outcome != COMPLETE and not unfinished_ok:
        raise PlanError("the plan ends before the level is complete")
    return game


def encode_actions(actions):
    """Run-length form of a frame-by-frame key list, e.g. "R3 .10 D1"."""
    out = []
    for action in actions:
        ch = ACTION_CHAR[action]
        if out and out[-1][0] == ch:
            out[-1][1] += 1
        else:
            out.append([ch, 1])
    return " ".join("%s%d" % (ch, n) for ch, n in out)


def decode_actions(text):
    actions = []
    for token in text.split():
        actions += [CHAR_ACTION[token[0]]] * int(token[1:])
    return actions


def replay(rows, quota, zeit, pace, actions):
    """Plays recorded keys; returns the outcome after the last one."""
    game = Game(rows, quota, zeit, pace)
    for r in actions:
        if game.frame(r) != GOING:
            break
    return game


def read_level_ini(path):
    """The levels of a Level.ini as {section: (rows, quota, zeit)}, rows without their
    leading character; plus the speed of section "game"."""
    sections = {}
    current = None
    with open(path, encoding="ascii") as f:
        for line in f:
            line = line.strip()
            if not line or line.startswith(";"):
                continue
            if line.startswith("["):
                current = sections.setdefault(line.strip("[]").lower(), {})
            else:
                key, _, value = line.partition("=")
                current[key.strip().lower()] = value.strip()
    levels = {}
    for name, keys in sections.items():
        if name.startswith("level_"):
            rows = [keys[str(r)][1:] for r in range(1, int(keys["y"]) + 1)]
            levels[name] = (rows, int(keys["brillox"]), int(keys["zeit"]))
    return levels, int(sections["game"]["speed"])


def main():
    data = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data"))
    levels, speed = read_level_ini(os.path.join(data, "Level.ini"))
    failures = 0
    solutions = os.path.join(os.path.dirname(os.path.abspath(__file__)), "level_solutions.txt")
    with open(solutions, encoding="ascii") as f:
        for line in f:
            if not line.strip() or line.startswith("#"):
                continue
            section, label, geschwindigkeit, frames, keys = line.split(" ", 4)
            rows, quota, zeit = levels[section]
            game = replay(rows, quota, zeit, speed * int(geschwindigkeit), decode_actions(keys))
            ok = game.outcome == COMPLETE and game.frames == int(frames)
            failures += not ok
            print("%-9s %-6s %s in frame %d" % (section, label,
                                               "complete" if ok else "NOT complete", game.frames))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
