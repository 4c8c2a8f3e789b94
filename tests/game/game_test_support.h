// Shared set-up for the game's screen tests: the program's offscreen display on the virtual
// clock, so that screens run at full speed, with the game's fonts and tiles, and the input
// object on a scripted keyboard. Screens that wait for the confirm key find it newly pressed.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/keyboard.h"

class GameScreenTest : public testing::Test {
protected:
    static void SetUpTestSuite();  // display, input object, sprites and fonts, once per process
    void SetUp() override;         // game state with the start-up values of a 640 x 480 screen
    void TearDown() override;

    // Releases every key and polls once, then holds the confirm key down while fn runs.
    double press_start_and_run(const std::function<double()>& fn);

public:
    static platform::KeySnapshot keys;  // the scripted keyboard; bit 7 set = down
};

std::vector<std::uint8_t> back_buffer();  // 640 x 480 x 3, top row first
