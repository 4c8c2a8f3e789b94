// Tests for the level editor's model: edits on small levels drawn as pictures, undo and redo,
// resizing, the checks in words, and sets written and read back through the game's reader.
#include "game/level_editor_model.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "game/level_decode.h"
#include "support/temp_dir.h"

namespace {

using testing_support::read_file;
using testing_support::TempDir;
using testing_support::write_file;

// A 20 x 14 level whose inside rows are given; missing rows are earth.
EditLevel level_of(const std::vector<std::string>& inside)
{
    EditLevel level = new_level();
    for (std::size_t y = 0; y < inside.size(); ++y) {
        for (std::size_t x = 0; x < inside[y].size(); ++x)
            level.cells[(y + 1) * 20 + x + 1] = inside[y][x];
    }
    return level;
}

LevelEditor editor_of(const EditLevel& level)
{
    LevelEditor ed;
    ed.set.levels.push_back(level);
    return ed;
}

std::string row(const LevelEditor& ed, int y)
{
    const EditLevel& level = ed.set.levels[static_cast<std::size_t>(ed.current)];
    return level.cells.substr(static_cast<std::size_t>(y * level.width),
                              static_cast<std::size_t>(level.width));
}

TEST(EditorCells, BorderStaysWallAndOnePlayerAndExit)
{
    LevelEditor ed = editor_of(level_of({"P"}));
    EXPECT_FALSE(edit_set_cell(ed, 0, 3, cell_earth));
    EXPECT_FALSE(edit_set_cell(ed, 19, 13, cell_stone));
    EXPECT_TRUE(edit_set_cell(ed, 5, 1, cell_player));
    EXPECT_EQ(row(ed, 1), "*....P.............*");  // the first player went
    EXPECT_EQ(count_cells(ed.set.levels[0], cell_player), 1);
}

TEST(EditorCells, FloodFillStaysInItsRegionAndInside)
{
    LevelEditor ed = editor_of(level_of({"...*", "...*", "****", "....S"}));
    ASSERT_TRUE(edit_flood_fill(ed, 1, 1, cell_stone));
    EXPECT_EQ(row(ed, 1), "*SSS*..............*");
    EXPECT_EQ(row(ed, 3), "*****..............*");
    EXPECT_EQ(row(ed, 4), "*....S.............*");  // beyond the wall: untouched
    // Earth outside the walled corner: the whole rest, never the border.
    ASSERT_TRUE(edit_flood_fill(ed, 10, 10, cell_brillox));
    EXPECT_EQ(row(ed, 12), "*DDDDDDDDDDDDDDDDDD*");
    EXPECT_EQ(row(ed, 13), "********************");
    EXPECT_FALSE(edit_flood_fill(ed, 10, 10, cell_brillox));  // nothing to change
}

TEST(EditorCells, RectangleClippedToTheInside)
{
    LevelEditor ed = editor_of(new_level());
    ASSERT_TRUE(edit_fill_rect(ed, 25, 2, 17, -3, cell_wall));
    EXPECT_EQ(row(ed, 1), "*................***");
    EXPECT_EQ(row(ed, 2), "*................***");
    EXPECT_EQ(row(ed, 3), "*..................*");
    EXPECT_FALSE(edit_fill_rect(ed, 17, 1, 18, 2, cell_wall));  // already so: no undo step
    EXPECT_EQ(ed.undo.size(), 1u);
}

TEST(EditorUndo, UndoAndRedoWalkBackAndForth)
{
    LevelEditor ed = editor_of(new_level());
    edit_set_cell(ed, 1, 1, cell_stone);
    edit_set_cell(ed, 2, 1, cell_stone);
    edit_add_level(ed);
    ASSERT_EQ(ed.set.levels.size(), 2u);
    ASSERT_TRUE(edit_undo(ed));
    EXPECT_EQ(ed.set.levels.size(), 1u);
    EXPECT_EQ(ed.current, 0);
    ASSERT_TRUE(edit_undo(ed));
    EXPECT_EQ(row(ed, 1), "*S.................*");
    ASSERT_TRUE(edit_redo(ed));
    EXPECT_EQ(row(ed, 1), "*SS................*");
    edit_set_cell(ed, 3, 1, cell_brillox);  // a new edit ends the redo
    EXPECT_FALSE(edit_redo(ed));
    ASSERT_TRUE(edit_undo(ed));
    ASSERT_TRUE(edit_undo(ed));
    ASSERT_TRUE(edit_undo(ed));
    EXPECT_FALSE(edit_undo(ed));
    EXPECT_EQ(row(ed, 1), "*..................*");
}

TEST(EditorUndo, AnEditDropsTheSolutionsUndoBringsThemBack)
{
    LevelEditor ed = editor_of(level_of({"PDZ"}));
    edit_set_solution(ed, 3, {1, 1});
    ASSERT_TRUE(level_solved(ed.set.levels[0]));
    EXPECT_EQ(ed.set.levels[0].solutions[2].keys, "R2");
    edit_set_cell(ed, 5, 5, cell_stone);
    EXPECT_FALSE(level_solved(ed.set.levels[0]));
    edit_undo(ed);
    EXPECT_TRUE(level_solved(ed.set.levels[0]));
    edit_set_name(ed, "  Anders  ");  // the name plays no part in play
    EXPECT_EQ(ed.set.levels[0].name, "Anders");
    EXPECT_TRUE(level_solved(ed.set.levels[0]));
}

TEST(EditorResize, KeepsTheInsideAndClosesTheNewBorder)
{
    const std::string first = "P" + std::string(16, '.') + "D";
    const std::string last = "Z" + std::string(16, '.') + "S";
    LevelEditor ed = editor_of(level_of({first, "", "", "", "", "", "", "", "", "", "", last}));
    ASSERT_TRUE(edit_resize(ed, 22, 15));
    EXPECT_EQ(ed.set.levels[0].width, 22);
    EXPECT_EQ(ed.set.levels[0].height, 15);
    EXPECT_EQ(row(ed, 1), "*" + first + "..*");  // the old right wall is not kept
    EXPECT_EQ(row(ed, 12), "*" + last + "..*");
    EXPECT_EQ(row(ed, 13), "*" + std::string(20, '.') + "*");
    EXPECT_EQ(row(ed, 14), std::string(22, '*'));
    edit_set_cell(ed, 20, 1, cell_brillox);
    ASSERT_TRUE(edit_resize(ed, 3, 2));  // never below the play window
    EXPECT_EQ(ed.set.levels[0].width, 20);
    EXPECT_EQ(ed.set.levels[0].height, 14);
    EXPECT_EQ(row(ed, 1), "*" + first + "*");  // the Brillox went with its column
    EXPECT_FALSE(edit_resize(ed, 20, 14));
}

TEST(EditorLevels, AddCopyMoveDelete)
{
    LevelEditor ed = editor_of(level_of({"P"}));
    ed.set.levels[0].name = "Eins";
    ASSERT_TRUE(edit_copy_level(ed));
    EXPECT_EQ(ed.current, 1);
    ed.set.levels[1].name = "Zwei";
    ASSERT_TRUE(edit_add_level(ed));
    EXPECT_EQ(ed.current, 2);
    EXPECT_EQ(ed.set.levels[2].cells, new_level().cells);
    ASSERT_TRUE(edit_move_level(ed, -1));
    EXPECT_EQ(ed.current, 1);
    EXPECT_EQ(ed.set.levels[2].name, "Zwei");
    EXPECT_FALSE(edit_move_level(ed, -2));
    ASSERT_TRUE(edit_delete_level(ed));
    ASSERT_TRUE(edit_delete_level(ed));
    EXPECT_EQ(ed.current, 0);
    EXPECT_FALSE(edit_delete_level(ed));  // a set keeps one level
}

TEST(EditorChecks, SaysInWordsWhatIsWrong)
{
    using P = std::vector<std::string>;
    EXPECT_EQ(level_problems(new_level()),
              (P{"Keine Brilloxen im Level !", "Kein Player im Level !", "Kein Ziel im Level !"}));
    EditLevel quota = level_of({"PDDZ"});
    quota.brillox = 3;
    EXPECT_EQ(level_problems(quota), P{"Mehr Brilloxen verlangt als vorhanden."});
    quota.brillox = 2;
    EXPECT_TRUE(level_problems(quota).empty());
    EditLevel open = quota;
    open.cells[20 * 5] = cell_earth;
    open.cells[20 * 2 + 4] = cell_player;
    EXPECT_EQ(level_problems(open),
              (P{"Der Rand ist nicht ganz aus Mauer.", "Mehr als ein Player."}));
}

TEST(EditorFiles, RunLengthAndSolutionsPath)
{
    EXPECT_EQ(encode_directions({1, 1, 1, 0, 0, 4}), "R3 .2 D1");
    EXPECT_EQ(encode_directions({}), "");
    EXPECT_EQ(solutions_path_of("/a/b.c/set.ini"), "/a/b.c/set.solutions.txt");
    EXPECT_EQ(solutions_path_of("/a/b.c/set"), "/a/b.c/set.solutions.txt");
}

TEST(EditorFiles, WrittenSetReadsBackTheSameAndPlaysInTheLoader)
{
    TempDir dir;
    LevelEditor ed = editor_of(level_of({"P.D.S", "", "Z"}));
    ed.set.levels[0].name = "Erster Versuch";
    ed.set.levels[0].zeit = 90;
    edit_set_solution(ed, 1, {1, 1, 4, 4});
    edit_copy_level(ed);
    edit_set_cell(ed, 10, 10, cell_brillox);
    ed.set.speed = 2;
    std::string failure;
    ASSERT_TRUE(write_level_set(dir.file("mine.ini"), ed.set, failure)) << failure;
    EXPECT_EQ(read_file(dir.file("mine.solutions.txt")).find("level_1 hard 1 4 R2 D2\n") !=
                  std::string::npos,
              true);

    std::vector<std::string> notes;
    const EditSet back = read_level_set(dir.file("mine.ini"), notes);
    EXPECT_TRUE(notes.empty());
    ASSERT_EQ(back.levels.size(), 2u);
    EXPECT_EQ(back.speed, 2);
    for (std::size_t n = 0; n < 2; ++n) {
        EXPECT_EQ(back.levels[n].cells, ed.set.levels[n].cells);
        EXPECT_EQ(back.levels[n].name, ed.set.levels[n].name);
        EXPECT_EQ(back.levels[n].zeit, ed.set.levels[n].zeit);
        EXPECT_EQ(back.levels[n].brillox, ed.set.levels[n].brillox);
    }
    EXPECT_EQ(back.levels[0].solutions[0].keys, "R2 D2");
    EXPECT_FALSE(level_solved(back.levels[1]));
    EXPECT_EQ(level_set_text(back), level_set_text(ed.set));
}

TEST(EditorFiles, HostileSetOpensAsSomethingToEdit)
{
    TempDir dir;
    write_file(dir.file("bad.ini"),
               "[game]\nlevel=1e300\n[level_1]\nx=1e9\ny=3\n[level_2]\nx=25\ny=14\n1=|*\n");
    write_file(dir.file("bad.solutions.txt"),
               "level_2 easy 3 5 R2 X3\nlevel_9 easy 3 5 R5\nlevel_2 hard 1 5 R5\n");
    std::vector<std::string> notes;
    const EditSet set = read_level_set(dir.file("bad.ini"), notes);
    ASSERT_EQ(set.levels.size(), 999u);
    EXPECT_EQ(set.levels[0].width, 20);  // no field to take: a new one
    EXPECT_EQ(set.levels[1].width, 25);
    EXPECT_EQ(set.levels[1].cells.substr(0, 3), "*..");
    EXPECT_TRUE(set.levels[1].solutions[2].keys.empty());  // a bad key letter
    EXPECT_EQ(set.levels[1].solutions[0].keys, "R5");
    EXPECT_GE(notes.size(), 2u);
}

TEST(EditorFiles, ASetOfHugeLevelsTakesAtMostItsShareOfMemory)
{
    TempDir dir;
    std::string text = "[game]\nlevel=5\n";
    for (int n = 1; n <= 5; ++n)
        text += "[level_" + std::to_string(n) + "]\nx=2047\ny=2047\n1=|PDZ\n";
    write_file(dir.file("huge.ini"), text);
    std::vector<std::string> notes;
    const EditSet set = read_level_set(dir.file("huge.ini"), notes);
    ASSERT_EQ(set.levels.size(), 5u);
    EXPECT_EQ(set.levels[3].width, 2047);  // four fit into the 16 Mi cells of a set
    EXPECT_EQ(set.levels[4].width, 20);    // past them: opened as a new level, with a note
    EXPECT_EQ(notes.size(), 1u);
}

TEST(EditorFiles, FailedSaveIsReportedAndLeavesTheOldFile)
{
    TempDir dir;
    std::string failure;
    EXPECT_FALSE(
        write_level_set(dir.file("no/such/folder/set.ini"), editor_of(new_level()).set, failure));
    EXPECT_NE(failure.find("set.ini"), std::string::npos) << failure;
}

}  // namespace
