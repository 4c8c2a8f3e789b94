// Fuzz target for the level editor's reading of a set: any file opens as a set the editor can
// show (sizes within its limits, one letter per cell, one to 999 levels), and what it writes
// of it reads back to the very same text.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "game/level_editor_model.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string path = fuzz::write_input("set.ini", data, size);
    std::vector<std::string> notes;
    const EditSet set = read_level_set(path, notes);
    FUZZ_CHECK(!set.levels.empty() && set.levels.size() <= edit_max_levels);
    FUZZ_CHECK(set.leben > 0 && set.speed > 0);
    for (const EditLevel& level : set.levels) {
        FUZZ_CHECK(level.width >= 1 && level.width <= edit_max_side);
        FUZZ_CHECK(level.height >= 1 && level.height <= edit_max_side);
        FUZZ_CHECK(level.cells.size() ==
                   static_cast<std::size_t>(level.width) * static_cast<std::size_t>(level.height));
        FUZZ_CHECK(level.cells.find_first_not_of("*.SDZP") == std::string::npos);
        FUZZ_CHECK(level.zeit >= 0 && level.brillox >= 0);
        FUZZ_CHECK(level.name.size() <= static_cast<std::size_t>(edit_max_name));
        level_problems(level);
    }
    const std::string text = level_set_text(set);
    const std::string again_path = fuzz::write_input(
        "again.ini", reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    std::vector<std::string> again_notes;
    FUZZ_CHECK(level_set_text(read_level_set(again_path, again_notes)) == text);
    return 0;
}
