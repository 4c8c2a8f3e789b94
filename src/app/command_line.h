// The runtime's command line: the options every program on the runtime takes (the scripted
// mode's files, help and version), each written "--name VALUE" or "--name=VALUE", and the
// plain arguments a program may take for itself.
#pragma once
#include <string>
#include <vector>

struct rt_command_line {
    std::string script, trace, audio;    // file names as given; "" when absent
    std::string record, replay;          // --record FILE, --replay FILE; "" when absent
    bool help = false, version = false;  // -h/--help, --version
    int scale = 0;                       // --scale N (the window N times the screen size); 0: none
    bool fullscreen = false;             // --fullscreen: start in desktop fullscreen
    bool write_player_files = false;     // --write-player-files: a script saves for real
    std::string language;                // --lang CODE ("de", "en_GB"); "" when absent
    std::string edit;                    // --edit FILE: the level set a program edits
    std::string levels;                  // --levels FILE: the level set to play; "" when absent
    std::vector<std::string> arguments;  // plain arguments, in order
};

// False with a one-line problem (an unknown option, a missing or unexpected value, a scale that
// is not a whole number from 1 to 16, a language code that is not a locale name: a letter,
// then letters, digits and "_-.@", at most 32 characters; more plain arguments than
// max_arguments, --trace or --audio without --script, --replay with --script, --audio or
// --record, --write-player-files without --script).
bool rt_parse_command_line(int argc, char** argv, int max_arguments, rt_command_line& out,
                           std::string& problem);
std::string rt_usage(const char* program, const char* summary);  // the --help text, ending in "\n"
// text with every control byte (0 to 31, 127) written as \xNN: a message quoting a script, a
// recording or a file name stays one line and cannot drive the terminal
std::string rt_printable(const std::string& text);
