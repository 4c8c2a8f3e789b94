// The current language: its code and, for a loaded catalogue, the translations keyed by the
// German text, already in the font's code page. Without a catalogue every lookup gives back
// the German text it was asked for, so the game's own texts need no table at all.
#include "game/texts.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string_view>
#include <unordered_map>

#include "app/command_line.h"
#include "core/code_page.h"
#include "core/number_text.h"
#include "files/po_catalogue.h"
#include "graphics/fonts.h"
#include "platform/fs.h"
#include "platform/system.h"

namespace {

constexpr const char* own_language = "de";  // the language of the texts in the code
constexpr const char* fallback_language = "en";

struct TextHash {
    using is_transparent = void;  // looked up by the German text without copying it
    std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
};

struct Texts {
    std::string code = own_language;
    std::unordered_map<std::string, std::string, TextHash, std::equal_to<>> shown;
};

Texts current;

enum class Outcome { loaded, missing, refused };

bool is_letter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

char lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

char upper(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string catalogue_path(const std::string& code)
{
    return platform::resolve_name_ignoring_case(std::string(catalogue_folder) + "/" + code + ".po");
}

// The catalogue of the region first ("de_AT"), then the one of the language ("de").
std::vector<std::string> catalogue_codes(const std::string& language)
{
    std::vector<std::string> codes{language};
    const std::size_t underscore = language.find('_');
    if (underscore != std::string::npos) codes.push_back(language.substr(0, underscore));
    return codes;
}

std::string base_language(const std::string& language)
{
    return language.substr(0, language.find('_'));
}

Outcome load_language(const std::string& locale)
{
    current = Texts{};
    const std::string language = language_of_locale(locale);
    if (language.empty()) return Outcome::missing;
    for (const std::string& code : catalogue_codes(language)) {
        const std::string path = catalogue_path(code);
        if (!platform::exists(path)) continue;
        std::vector<PoEntry> entries;
        std::string problem;
        if (!po_load(path, entries, problem)) {
            // The problem may quote the file: its control bytes are written as \xNN.
            std::fprintf(stderr, "brillox: %s is not used (%s); the texts stay German\n",
                         path.c_str(), rt_printable(problem).c_str());
            return Outcome::refused;
        }
        // The fonts draw single bytes: Windows-1252, or ASCII in a font of 128 cells.
        const bool ascii_font = text_font_cells() == 128;
        for (auto& [german, translated] : po_translations(entries)) {
            current.shown.emplace(
                german, ascii_font ? utf8_to_ascii(translated) : utf8_to_cp1252(translated));
        }
        current.code = code;
        return Outcome::loaded;
    }
    // German is built in: a German locale without a catalogue of its own has the game's texts.
    return base_language(language) == own_language ? Outcome::loaded : Outcome::missing;
}

// A language asked for by name; one without a catalogue gives English.
void choose_named(const std::string& code, bool say_so)
{
    if (load_language(code) != Outcome::missing) return;
    if (say_so) {
        std::fprintf(stderr,
                     "brillox: there are no texts in the language \"%s\" (no %s/%s.po); they are "
                     "shown in English\n",
                     code.c_str(), catalogue_folder, language_of_locale(code).c_str());
    }
    load_language(fallback_language);
}

// A German text the catalogue does not change is shown as it stands; the code keeps it in
// UTF-8, so one with umlauts or "ß" is turned into the font's bytes once and kept. Text that
// is not well-formed UTF-8 is already in the font's bytes (a prompt naming a key) and stays.
const char* untranslated(const char* german)
{
    const std::string_view text(german);
    const bool plain = std::all_of(text.begin(), text.end(),
                                   [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (plain || !utf8_valid(text)) return german;
    static std::unordered_map<std::string, std::string> in_font[2];  // cp1252, ASCII
    const bool ascii_font = text_font_cells() == 128;
    auto& kept = in_font[ascii_font ? 1 : 0];
    auto found = kept.find(std::string(text));
    if (found == kept.end()) {
        found = kept.emplace(text, ascii_font ? utf8_to_ascii(text) : utf8_to_cp1252(text)).first;
    }
    return found->second.c_str();
}

}  // namespace

const char* tr(const char* german)
{
    const auto found = current.shown.find(std::string_view(german));
    return found != current.shown.end() ? found->second.c_str() : untranslated(german);
}

const char* tr(const rt_string& german)
{
    return tr(german.c_str());
}

rt_string tr_format(const char* german, double number)
{
    char digits[rt_number_text_size];
    rt_number_to_text(number, digits);
    std::string out;
    for (const char* p = tr(german); *p != '\0'; ++p) {
        if (p[0] == '%' && p[1] == 's') {
            out += digits;
            ++p;
        } else if (p[0] == '%' && p[1] == '%') {
            out += '%';
            ++p;
        } else {
            out += *p;
        }
    }
    return out.c_str();
}

bool texts_set_language(const std::string& code)
{
    return load_language(code) == Outcome::loaded;
}

std::string texts_language()
{
    return current.code;
}

std::vector<std::string> texts_available_languages()
{
    std::vector<std::string> codes{own_language};
    std::error_code failed;
    for (std::filesystem::directory_iterator it(catalogue_folder, failed), end;
         !failed && it != end; it.increment(failed)) {
        const std::filesystem::path& path = it->path();
        if (path.extension() != ".po") continue;
        const std::string code = path.stem().string();
        if (language_of_locale(code) == code) codes.push_back(code);
    }
    std::sort(codes.begin(), codes.end());
    codes.erase(std::unique(codes.begin(), codes.end()), codes.end());
    return codes;
}

void texts_choose_language(const std::string& from_command_line, const std::string& from_settings)
{
    if (!from_command_line.empty()) return choose_named(from_command_line, true);
    if (!from_settings.empty()) return choose_named(from_settings, false);
    const std::vector<std::string> locales = platform::user_languages();
    // The C locale: the game's own texts, with no catalogue read.
    if (locales.empty()) {
        current = Texts{};
        return;
    }
    for (const std::string& locale : locales) {
        const Outcome outcome = load_language(locale);
        if (outcome != Outcome::missing) return;
    }
    load_language(fallback_language);
}

std::string language_of_locale(const std::string& locale)
{
    // language[_territory][.codeset][@modifier], or a Windows and BCP 47 "de-DE".
    const std::string name = locale.substr(0, locale.find_first_of(".@"));
    if (name == "C" || name == "POSIX") return "";
    std::string language;
    std::size_t at = 0;
    while (at < name.size() && is_letter(name[at])) language += lower(name[at++]);
    if (language.size() < 2 || language.size() > 3) return "";
    if (at == name.size()) return language;
    if (name[at] != '_' && name[at] != '-') return "";
    std::string territory;
    for (++at; at < name.size() && (is_letter(name[at]) || (name[at] >= '0' && name[at] <= '9'));
         ++at) {
        territory += upper(name[at]);
    }
    // A territory is two letters or three digits; anything after it (a script, "-u-...") is
    // no part of a catalogue's name.
    if (territory.size() < 2 || territory.size() > 3) return language;
    return language + "_" + territory;
}
