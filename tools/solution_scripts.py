#!/usr/bin/python3
# Turns the recorded level solutions (tools/level_solutions.txt) into scripts for the game's
# scripted mode: OUT_DIR/<difficulty>.txt starts at the title screen, picks the difficulty in
# the menu, plays every level of data/Level.ini in a row through the score summaries and
# quits from the menu. The test build writes them (usage: solution_scripts.py OUT_DIR) and
# the tests run them through the real program, checking that every level ends completed.
# Standard library only.
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import level_check  # noqa: E402

TOOLS_DIR = os.path.dirname(os.path.abspath(__file__))
DATA_DIR = os.path.normpath(os.path.join(TOOLS_DIR, "..", "data"))

KEY_NAME = {level_check.RIGHT: "Right", level_check.LEFT: "Left",
            level_check.UP: "Up", level_check.DOWN: "Down"}
# The menu's difficulty entry: Right lowers geschwindigkeit by one from the start value 3.
MENU_STEPS = {3: 0, 2: 1, 1: 2}
FRAME_MS = 1000 / level_check.FPS


def read_solutions():
    """{difficulty: [(section, geschwindigkeit, actions), ...]} in file order."""
    solutions = {}
    with open(os.path.join(TOOLS_DIR, "level_solutions.txt"), encoding="ascii") as f:
        for line in f:
            if not line.strip() or line.startswith("#"):
                continue
            section, label, geschwindigkeit, _frames, keys = line.split(" ", 4)
            solutions.setdefault(label, []).append(
                (section, int(geschwindigkeit), level_check.decode_actions(keys)))
    return solutions


def level_lines(game_rows, quota, zeit, pace, actions, section):
    """The script lines of one attempt, from the first pass of the play loop to the exit.
    Runs the actions through the simulator to find the pass that reaches the quota: its
    white flash presents one extra frame, which the frame counts must include."""
    game = level_check.Game(game_rows, quota, zeit, pace)
    # Frames presented per pass: 1, or 2 in the pass of the flash; the last pass shows none.
    shown = []
    for action in actions:
        found = game.found
        outcome = game.frame(action)
        flash = found < game.min_brillox <= game.found
        shown.append(1 + flash if outcome == level_check.GOING else 0)
        if outcome != level_check.GOING:
            break
    if game.outcome != level_check.COMPLETE or len(shown) != len(actions):
        raise SystemExit("%s: the recorded solution does not complete the level" % section)

    lines = []
    held = level_check.NONE
    count = 0
    for action, frames in zip(actions, shown):
        if action != held:
            if count:
                lines.append("frames %d" % count)
                count = 0
            if held != level_check.NONE:
                lines.append("up %s" % KEY_NAME[held])
            if action != level_check.NONE:
                lines.append("down %s" % KEY_NAME[action])
            held = action
        count += frames
    # The last pass walks into the exit and ends the loop without a frame of its own; the
    # completion message shows one, during which the key is let go.
    lines.append("frames %d" % (count + 1))
    if held != level_check.NONE:
        lines.append("up %s" % KEY_NAME[held])
    return lines, game


def summary_wait_ms(game):
    """Program time from the completion message to the score summary's wait for Enter: three
    seconds of message, then one frame per counted-up step (the time bonus at most the whole
    time limit), with a safety margin."""
    steps = 6 + (game.found + 1) + (game.zeit // 2 + 1) + 1
    return 3000 + round(steps * FRAME_MS) + 1000


def script_for(label, attempts, levels, speed):
    geschwindigkeit = attempts[0][1]
    out = ["# %s: every level in a row, written by tools/solution_scripts.py" % label,
           "wait 300", "tap Enter  # title", "wait 300"]
    if MENU_STEPS[geschwindigkeit]:
        out += ["tap Down", "wait 100", "tap Down", "wait 100"]
        out += ["tap Right", "wait 100"] * MENU_STEPS[geschwindigkeit]
        out += ["tap Up", "wait 100", "tap Up", "wait 100"]
    for number, (section, g, actions) in enumerate(attempts, 1):
        if g != geschwindigkeit or section != "level_%d" % number:
            raise SystemExit("%s: solutions must list level_1, level_2, ... at one speed" % label)
        rows, quota, zeit = levels[section]
        out.append("# %s" % section)
        if number == 1:
            # The menu reads Enter and the arrows in the same poll: an up or down key would
            # move the selection off "Start" instead of starting.
            if actions[0] in (level_check.UP, level_check.DOWN):
                raise SystemExit("%s: level_1 must not start with an up or down key" % label)
            out.append("frames 1")  # change keys between two frames, right before a key poll
        # Enter leaves the menu or the previous score summary; the first pass follows at once.
        out.append("down Enter")
        lines, game = level_lines(rows, quota, zeit, speed * g, actions, section)
        first_frames = lines.index(next(x for x in lines if x.startswith("frames")))
        lines.insert(first_frames + 1, "up Enter")
        out += lines
        out.append("wait %d  # completion message and score summary" % summary_wait_ms(game))
    # The last summary leads to the all-levels screen; the score is gone then, so quitting
    # offers no highscore entry.
    out += ["tap Enter  # all levels done", "wait 300", "tap Up  # Beenden", "wait 100",
            "tap Enter", "wait 300"]
    return "\n".join(out) + "\n"


def main():
    if len(sys.argv) != 2:
        sys.stderr.write("usage: solution_scripts.py OUT_DIR\n")
        return 2
    out_dir = sys.argv[1]
    levels, speed = level_check.read_level_ini(os.path.join(DATA_DIR, "Level.ini"))
    os.makedirs(out_dir, exist_ok=True)
    for label, attempts in read_solutions().items():
        with open(os.path.join(out_dir, label + ".txt"), "w", encoding="ascii") as f:
            f.write(script_for(label, attempts, levels, speed))
    return 0


if __name__ == "__main__":
    sys.exit(main())
