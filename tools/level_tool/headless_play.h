// One attempt at a level under the game's own rules, frame by frame, without window, clock or
// sound: the level decoded as the game decodes it, each frame the rules' part of a pass of the
// play loop with one arrow key held, the level clock counted in frames. Guards stop an attempt
// that leans on an odd corner of the rules, so that recorded solutions play as a player expects.
#pragma once
#include <stdexcept>
#include <string>
#include <vector>

#include "game/playfield.h"
#include "level_sources.h"

constexpr int frames_per_second = 30;  // the game's frame-rate limit while playing

// What went wrong in play: a plan that cannot be carried out, or a guard that fired.
class PlayError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
class PlanError : public PlayError {
public:
    using PlayError::PlayError;
};
// Play reached a corner of the rules that a recorded solution must not lean on.
class Quirk : public PlayError {
public:
    using PlayError::PlayError;
};

struct Cell {
    int x = 0, y = 0;
    bool operator==(const Cell&) const = default;
};

enum class Outcome { going, complete, crushed, time_up };

Cell step_from(Cell from, Key key);  // the neighbour in the key's direction; from for no key

// The rules ask the headless host only for the quota flash, which it counts: the game shows one
// extra frame there. Everything else the null host ignores, as the keys are set directly.
class CountingHost final : public PlayfieldHost {
public:
    void quota_reached() override { ++flashes; }
    int flashes = 0;
};

// The attempt plays on the process's one game state: only the latest attempt is live.
class Attempt {
public:
    // Objects move in every (speed x geschwindigkeit + 1)th frame; a level that does not
    // decode is a PlanError.
    Attempt(const LevelSource& level, int speed, int geschwindigkeit);
    ~Attempt();
    Attempt(const Attempt&) = delete;
    Attempt& operator=(const Attempt&) = delete;

    // One pass with this key held at both key polls. A PlanError once the attempt is over; a
    // Quirk for a step into the cell of a falling object, or a stone or Brillox that vanished
    // or appeared (collected ones aside).
    Outcome frame(Key key);

    Outcome outcome() const { return outcome_; }
    int frames() const { return frames_; }      // passes played
    const Keys& keys() const { return keys_; }  // the key held in each of them
    bool flashed() const { return flashed_; }   // the last pass showed the quota flash
    int found() const;                          // Brilloxen collected
    int quota() const;                          // Brilloxen the exit needs
    int time_limit() const;                     // seconds; 0 none
    Cell player() const;
    Cell exit() const;
    double cell(Cell c) const;    // cell_at
    bool falling(Cell c) const;   // falling_at
    bool settled() const;         // nothing falls, nothing can roll
    std::string picture() const;  // the field as map letters, moving objects in lower case

    // Everything an attempt is, so that a move can be tried and taken back.
    struct Snapshot {
        std::vector<double> cells, falling_rows;
        double player_x, player_y, found, move_player, richtung, keine_taste, music_key_down;
        int frames, flashes;
        Keys keys;
        Outcome outcome;
        bool flashed;
    };
    Snapshot save() const;
    void restore(const Snapshot& s);

private:
    void hold(Key key);
    void check_conservation() const;

    CountingHost host_;
    PlayfieldHost* replaced_host_ = nullptr;
    int stones_ = 0, brilloxen_ = 0;  // at the start; Brilloxen counting the collected ones
    int frames_ = 0;
    Keys keys_;
    Outcome outcome_ = Outcome::going;
    bool flashed_ = false;
};

// Plays the keys from the start; the attempt stops at the first pass that ends it.
void replay(Attempt& attempt, const Keys& keys);
