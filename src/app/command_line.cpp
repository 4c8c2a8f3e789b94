// Parsing the runtime's options from one table, so that the parser, the help text and the
// error messages always agree on what exists.
#include "app/command_line.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

struct Option {
    const char* name;                     // "--script"
    const char* short_name;               // "-h", or nullptr
    const char* value_name;               // "FILE" for an option with a value, else nullptr
    std::string rt_command_line::*value;  // where the value goes
    bool rt_command_line::*flag;          // or the flag it sets
    const char* help;
    int rt_command_line::*number = nullptr;  // or the whole number (1 to 16) it sets
};

constexpr int largest_scale = 16;
constexpr std::size_t longest_language_code = 32;

// A locale name as LANG holds one ("de", "en_GB.UTF-8", "sr@latin", "de-DE"): it becomes part
// of a catalogue's file name, so no path separator or dot-dot can slip in.
bool is_language_code(const std::string& code)
{
    if (code.empty() || code.size() > longest_language_code) return false;
    const auto letter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
    if (!letter(code[0])) return false;
    for (const char c : code) {
        if (!letter(c) && !(c >= '0' && c <= '9') && c != '_' && c != '-' && c != '.' && c != '@')
            return false;
    }
    return code.find("..") == std::string::npos;
}

constexpr Option options[] = {
    {"--script", nullptr, "FILE", &rt_command_line::script, nullptr,
     "play the timed keys of the script FILE on a virtual clock instead of a player"},
    {"--trace", nullptr, "FILE", &rt_command_line::trace, nullptr,
     "with --script or --replay: write the run's events to FILE, one per line"},
    {"--audio", nullptr, "FILE", &rt_command_line::audio, nullptr,
     "with --script: write the run's sound output to FILE as a WAV file"},
    {"--write-player-files", nullptr, nullptr, nullptr, &rt_command_line::write_player_files,
     "with --script: save to the player's files, not to copies of them"},
    {"--scale", nullptr, "N", nullptr, nullptr,
     "open the window N times the game's size (as far as the desktop allows)",
     &rt_command_line::scale},
    {"--fullscreen", nullptr, nullptr, nullptr, &rt_command_line::fullscreen,
     "start in fullscreen (F11 or Alt+Enter switches while playing)"},
    {"--lang", nullptr, "CODE", &rt_command_line::language, nullptr,
     "show the texts in the language CODE (de, en); default: the system's language"},
    {"--edit", nullptr, "FILE", &rt_command_line::edit, nullptr,
     "edit the level set FILE (a new one when it does not exist) instead of playing"},
    {"--levels", nullptr, "FILE", &rt_command_line::levels, nullptr,
     "play the level set FILE (levels in the form of Level.ini) instead of the shipped ones"},
    {"--record", nullptr, "FILE", &rt_command_line::record, nullptr,
     "record the game played (live or by --script) to FILE, a script that replays it"},
    {"--replay", nullptr, "FILE", &rt_command_line::replay, nullptr,
     "play the recording FILE in the window at real speed; Escape ends it"},
    {"--help", "-h", nullptr, nullptr, &rt_command_line::help, "show this help and exit"},
    {"--version", nullptr, nullptr, nullptr, &rt_command_line::version,
     "show the version and exit"},
};

const Option* find_option(const std::string& name)
{
    for (const Option& option : options) {
        if (name == option.name || (option.short_name != nullptr && name == option.short_name))
            return &option;
    }
    return nullptr;
}

}  // namespace

bool rt_parse_command_line(int argc, char** argv, int max_arguments, rt_command_line& out,
                           std::string& problem)
{
    out = rt_command_line{};
    bool options_ended = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (options_ended || arg.size() < 2 || arg[0] != '-') {
            if (static_cast<int>(out.arguments.size()) == max_arguments) {
                problem = "unexpected argument \"" + arg + "\"";
                return false;
            }
            out.arguments.push_back(arg);
            continue;
        }
        if (arg == "--") {
            options_ended = true;
            continue;
        }
        const std::size_t equals = arg.find('=');
        const std::string name = arg.substr(0, equals);
        const Option* option = find_option(name);
        if (option == nullptr) {
            problem = "unknown option \"" + name + "\" (see --help)";
            return false;
        }
        if (option->value_name == nullptr) {
            if (equals != std::string::npos) {
                problem = name + " takes no value";
                return false;
            }
            out.*(option->flag) = true;
            continue;
        }
        std::string value;
        if (equals != std::string::npos) {
            value = arg.substr(equals + 1);
        } else if (i + 1 < argc) {
            value = argv[++i];
        }
        if (value.empty()) {
            const bool file = std::string(option->value_name) == "FILE";
            problem = name + " needs " + (file ? "a file name" : "a value");
            return false;
        }
        if (option->number != nullptr) {
            char* end = nullptr;
            const long n = std::strtol(value.c_str(), &end, 10);
            if (*end != '\0' || n < 1 || n > largest_scale) {
                problem = name + " needs a whole number from 1 to " +
                          std::to_string(largest_scale) + ", not \"" + value + "\"";
                return false;
            }
            out.*(option->number) = static_cast<int>(n);
            continue;
        }
        if (option->value == &rt_command_line::language && !is_language_code(value)) {
            problem = name + " needs a language code such as de or en_GB, not \"" +
                      rt_printable(value) + "\"";
            return false;
        }
        out.*(option->value) = value;
    }
    if (out.help || out.version) return true;
    if (!out.replay.empty() && (!out.script.empty() || !out.audio.empty() || !out.record.empty())) {
        problem =
            "--replay plays its recording through the sound device, unrecorded: it takes "
            "no --script, --audio or --record";
        return false;
    }
    if (out.write_player_files && out.script.empty()) {
        problem =
            "--write-player-files belongs to --script: a replay never writes the player's files";
        return false;
    }
    if (out.script.empty() && out.replay.empty() && (!out.trace.empty() || !out.audio.empty())) {
        problem = "--trace and --audio belong to the scripted mode: give --script FILE as well";
        return false;
    }
    return true;
}

std::string rt_usage(const char* program, const char* summary)
{
    std::string text = std::string("Usage: ") + program + " [OPTION]...\n" + summary + "\n\n";
    for (const Option& option : options) {
        std::string left = "  ";
        if (option.short_name != nullptr) left += std::string(option.short_name) + ", ";
        left += option.name;
        if (option.value_name != nullptr) left += std::string(" ") + option.value_name;
        left.resize(std::max<std::size_t>(left.size() + 2, 18), ' ');
        text += left + option.help + "\n";
    }
    text += "\nAn option's value may also be written --option=VALUE.\n";
    return text;
}

std::string rt_printable(const std::string& text)
{
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 32 || byte == 127) {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out;
}
