// Fuzz target for the reader of the player's settings file: any text gives either settings the
// game can use (every key a scan code from 1 to 255, no two actions on one key, a scale from 1
// to 16) or the defaults with a reason; and the text the game writes for settings reads back as
// the same settings, without a problem.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "game/settings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::string problem;
    const PlayerSettings s = settings_parse(text, problem);
    if (!problem.empty()) FUZZ_CHECK(s == settings_defaults());
    for (std::size_t a = 0; a < s.keys.size(); ++a) {
        FUZZ_CHECK(s.keys[a] >= 1 && s.keys[a] <= 255);
        for (std::size_t b = 0; b < a; ++b) FUZZ_CHECK(s.keys[a] != s.keys[b]);
    }
    FUZZ_CHECK(s.window_scale >= 1 && s.window_scale <= 16);

    std::string again_problem;
    const PlayerSettings again = settings_parse(settings_render(s), again_problem);
    FUZZ_CHECK(again_problem.empty());
    FUZZ_CHECK(again == s);
    return 0;
}
