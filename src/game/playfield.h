// The playfield rules: the player's move, falling objects and rolling stones on the game
// state's field (map[column][row]) and falling list (f_steine). Pure game logic: key polls,
// the save screen, sounds and the quota flash are asked of the installed host; cells outside
// the field count as walls.
#pragma once

// The field window the player sees, in cells; stones roll only inside it.
constexpr double window_columns = 20;
constexpr double window_rows = 14;

// What the rules ask of the world around the field, each at the point of the rules where it
// happens. The null host, in place while none is installed, does nothing: its key poll leaves
// the key state as it is, so a caller can set gKeyState itself.
class PlayfieldHost {
public:
    virtual ~PlayfieldHost() = default;
    virtual void poll_keys() {}         // player_step's key poll, before it reads any key
    virtual void open_save_screen() {}  // the save key was down or just released at that poll
    virtual void toggle_sound() {}      // the sound key was newly pressed
    virtual void quota_reached() {}     // the Brillox that meets the quota was just collected
    virtual void exit_entered() {}      // the player walked into the open exit
    virtual void object_landed() {}     // a falling object came to rest on something
};

// Installs host for the rules (nullptr: the null host); returns the host it replaces
PlayfieldHost* set_playfield_host(PlayfieldHost* host);

// Results of field_step besides 0.
constexpr double step_complete = 1;  // the player entered the open exit
constexpr double step_crushed = 2;   // a falling object met the player

// The cell lies on the field (0 <= x < max_x, 0 <= y < max_y)
bool inside_field(double x, double y);
double cell_at(double posx, double posy);        // map[posx][posy]; sp_mauer outside the field
double player_step(double posx, double posy);    // one frame's move; 1 on entering the open exit
void add_falling(double posx, double posy);      // lists that cell's object unless it already moves
void remove_falling(double posx, double posy);   // deletes its moving rows; skips a row moved up
double falling_step();                           // all moving objects one down; 1 on a crush
double roll_step(double startx, double starty);  // at most one stone in the window rolls; 0
double window_left(double startx);               // first column of the 20 x 14 window; >= 0
double window_top(double starty);                // first row of the window; >= 0
void place_player(double posx, double posy);     // sp_player into that cell when on the field
// The rules' part of one pass of the frame loop: player_step, then, once move_player has passed
// speed x geschwindigkeit, roll_step and falling_step and the pace starts again. 0, or
// step_complete, or step_crushed (a crush beats entering the exit in the same pass).
double field_step();

// Questions about the field for programs that plan moves; they change nothing.
bool falling_at(double posx, double posy);            // a moving row of the falling list is there
bool stone_would_roll(double startx, double starty);  // roll_step would roll a stone now
