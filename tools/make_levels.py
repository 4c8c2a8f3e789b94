#!/usr/bin/python3
# Builds data/Level.ini from the level maps in tools/levels/, after playing every level through
# with its plan on all three difficulties (level_check.py); a level that cannot be finished,
# or breaks a layout rule, stops the build. Also writes the recorded solutions to
# tools/level_solutions.txt and the empty highscore.ini and savegame.ini the game ships with.
# Standard library only; the same maps always give the same bytes.
import glob
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import level_check  # noqa: E402

TOOLS_DIR = os.path.dirname(os.path.abspath(__file__))
DATA_DIR = os.path.normpath(os.path.join(TOOLS_DIR, "..", "data"))
LEVEL_DIR = os.path.join(TOOLS_DIR, "levels")

LIVES = 3
SPEED = 3  # objects move once every SPEED x geschwindigkeit + 1 frames
DIFFICULTIES = [("easy", 3), ("medium", 2), ("hard", 1)]  # geschwindigkeit of each menu entry
TIME_SHARE = 0.5  # a recorded solution may use at most this share of a time limit
LEAD = "|"  # the loader never reads a row's first character; it must not be blank
CELL_CHARS = set("*SDPZ.")


class LevelError(Exception):
    pass


def read_level(path):
    """A level file: "key: value" lines (name, zeit, brillox), then "map:" with the rows and
    "plan:" with the commands of level_check.run_plan. Lines starting with # are comments."""
    info = {"path": path, "rows": [], "plan": []}
    part = None
    with open(path, encoding="utf-8") as f:
        for raw in f:
            line = raw.rstrip("\n").rstrip()
            if not line or line.startswith("#"):
                continue
            if line in ("map:", "plan:"):
                part = line[:-1]
                continue
            if part == "map":
                info["rows"].append(line)
            elif part == "plan":
                info["plan"].append(line.strip())
            else:
                key, _, value = line.partition(":")
                info[key.strip()] = value.strip()
    for key in ("name", "zeit", "brillox"):
        if key not in info:
            raise LevelError("%s: no %s" % (path, key))
    info["zeit"] = int(info["zeit"])
    info["brillox"] = int(info["brillox"])
    return info


def check_layout(info):
    rows, name = info["rows"], info["path"]
    if not rows:
        raise LevelError("%s: no map" % name)
    h, w = len(rows), len(rows[0])
    if w < 20 or h < 14:
        raise LevelError("%s: %d x %d is smaller than the 20 x 14 window" % (name, w, h))
    for y, row in enumerate(rows):
        if len(row) != w:
            raise LevelError("%s: row %d is %d wide, not %d" % (name, y + 1, len(row), w))
        bad = set(row) - CELL_CHARS
        if bad:
            raise LevelError("%s: row %d holds %s" % (name, y + 1, "".join(sorted(bad))))
        if row[0] != "*" or row[-1] != "*":
            raise LevelError("%s: row %d is not closed by walls" % (name, y + 1))
    if set(rows[0]) != {"*"} or set(rows[-1]) != {"*"}:
        raise LevelError("%s: top or bottom row is not all wall" % name)
    text = "".join(rows)
    if text.count("P") != 1 or text.count("Z") != 1:
        raise LevelError("%s: needs exactly one P and one Z" % name)
    gems = text.count("D")
    if gems == 0 or not 0 < info["brillox"] <= gems:
        raise LevelError("%s: quota %d with %d Brilloxen" % (name, info["brillox"], gems))


def solve(info):
    """Plays the plan on every difficulty; returns [(difficulty, game)]."""
    results = []
    for label, geschwindigkeit in DIFFICULTIES:
        pace = SPEED * geschwindigkeit
        try:
            game = level_check.run_plan(info["rows"], info["brillox"], info["zeit"], pace,
                                        info["plan"])
        except (level_check.PlanError, level_check.Quirk) as e:
            raise LevelError("%s (%s): %s" % (info["path"], label, e))
        if info["zeit"] > 0 and game.frames > TIME_SHARE * info["zeit"] * level_check.FPS:
            raise LevelError("%s (%s): the solution takes %.1f s of a %d s limit"
                             % (info["path"], label, game.frames / level_check.FPS, info["zeit"]))
        # The recorded keys alone must finish the level again.
        again = level_check.replay(info["rows"], info["brillox"], info["zeit"], pace, game.actions)
        if again.outcome != level_check.COMPLETE or again.frames != game.frames:
            raise LevelError("%s (%s): the recorded keys do not replay" % (info["path"], label))
        results.append((label, geschwindigkeit, game))
    return results


def ini_text(levels):
    lines = ["; brillox levels, written by tools/make_levels.py from tools/levels/ - edit there",
             "[game]", "level=%d" % len(levels), "leben=%d" % LIVES, "speed=%d" % SPEED]
    for number, info in enumerate(levels, 1):
        rows = info["rows"]
        lines.append("; %d: %s" % (number, info["name"]))
        lines.append("[level_%d]" % number)
        lines.append("x=%d" % len(rows[0]))
        lines.append("y=%d" % len(rows))
        lines.append("zeit=%d" % info["zeit"])
        lines.append("brillox=%d" % info["brillox"])
        for r, row in enumerate(rows, 1):
            lines.append("%d=%s%s" % (r, LEAD, row))
    return "".join(line + "\r\n" for line in lines)


def solutions_text(levels, solved):
    out = [
        "# Recorded solutions of the levels in Level.ini, written by tools/make_levels.py.",
        "#",
        "# One line per level and difficulty: section, difficulty, geschwindigkeit, the number",
        "# of play-loop frames, then the arrow key held in each frame, run-length coded:",
        "# R right, L left, U up, D down, . no key; \"R3 .10\" is right for 3 frames, then",
        "# 10 frames without a key. Frame 1 is the first pass of the play loop after the level",
        "# is loaded; the key counts as held at both key polls of its frame. Objects move in",
        "# every (speed x geschwindigkeit + 1)th frame, speed %d. The last frame enters the exit."
        % SPEED,
        "# Frames are passes of the play loop: the white flash when the quota is reached shows",
        "# one extra frame that is not a pass.",
    ]
    for number, (info, results) in enumerate(zip(levels, solved), 1):
        out.append("")
        out.append("# level_%d: %s" % (number, info["name"]))
        for label, geschwindigkeit, game in results:
            out.append("level_%d %s %d %d %s" % (number, label, geschwindigkeit, game.frames,
                                                 level_check.encode_actions(game.actions)))
    return "\n".join(out) + "\n"


def highscore_text():
    """Ten empty places, each written the way the game writes an empty place when it moves
    places down: an empty name, a comma and the score 0."""
    lines = ["[daten]"] + ["%d=,0" % place for place in range(1, 11)]
    return "".join(line + "\r\n" for line in lines)


def savegame_text():
    """No slot keys at all: the game reads a missing key as an empty slot, and never writes
    an empty one itself."""
    lines = ["; brillox saved games: slot=name,score,level,lives", "[daten]"]
    return "".join(line + "\r\n" for line in lines)


def main():
    paths = sorted(glob.glob(os.path.join(LEVEL_DIR, "*.txt")))
    if len(paths) < 12:
        print("make_levels: only %d levels in %s" % (len(paths), LEVEL_DIR), file=sys.stderr)
        return 1
    levels, solved = [], []
    try:
        for path in paths:
            info = read_level(path)
            check_layout(info)
            solved.append(solve(info))
            levels.append(info)
    except LevelError as e:
        print("make_levels: %s" % e, file=sys.stderr)
        return 1
    with open(os.path.join(DATA_DIR, "Level.ini"), "wb") as f:
        f.write(ini_text(levels).encode("ascii"))
    with open(os.path.join(TOOLS_DIR, "level_solutions.txt"), "wb") as f:
        f.write(solutions_text(levels, solved).encode("ascii"))
    with open(os.path.join(DATA_DIR, "highscore.ini"), "wb") as f:
        f.write(highscore_text().encode("ascii"))
    with open(os.path.join(DATA_DIR, "savegame.ini"), "wb") as f:
        f.write(savegame_text().encode("ascii"))
    for number, (info, results) in enumerate(zip(levels, solved), 1):
        rows = info["rows"]
        times = ", ".join("%s %.1f s" % (label, game.frames / level_check.FPS)
                          for label, _, game in results)
        limit = "%d s" % info["zeit"] if info["zeit"] else "none"
        print("level_%-2d %-22s %2d x %-2d quota %2d of %2d, limit %-6s solved: %s"
              % (number, info["name"], len(rows[0]), len(rows), info["brillox"],
                 "".join(rows).count("D"), limit, times))
    print("wrote data/Level.ini, tools/level_solutions.txt, data/highscore.ini and "
          "data/savegame.ini")
    return 0


if __name__ == "__main__":
    sys.exit(main())
