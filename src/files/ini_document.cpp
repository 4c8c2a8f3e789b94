// The process-wide INI document: parsing an INI file into sections of key/value entries,
// lookups and changes by name, and writing the whole document back in one atomic step when
// another file is opened or the program ends. Memory stays bounded whatever the file holds.
#include "files/ini_document.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "core/trace.h"
#include "files/file_names.h"
#include "platform/fs.h"

namespace {

// What one document holds at most. The game's own files have a few dozen entries; these limits
// only stop a hostile or runaway file from taking the machine's memory. A file beyond them is
// read as far as they go and never written back, so nothing of it is lost on disk.
constexpr std::size_t max_file_bytes = std::size_t{64} << 20;
constexpr std::size_t max_sections = std::size_t{1} << 16;
constexpr std::size_t max_entries = std::size_t{1} << 18;

// Names, keys and values are held as plain strings, not as string values: those take a
// 512-byte block each, which would turn a file of short lines into hundreds of times its size.
struct IniEntry {
    std::string key;
    std::string value;
};

struct IniSection {
    std::string name;
    std::vector<IniEntry> entries;
};

struct IniPosition {
    std::size_t section, entry;
};

struct IniDocument {
    std::vector<IniSection> sections;
    rt_string file_name;    // as the game gave it; empty means "no file", which is never saved
    std::string disk_path;  // name with its existing spelling on disk: read now, saved later
    bool changed = false;
    bool complete = true;  // false when the file was not read whole: it is then never written

    // Where ini_get finds each section name and key (both folded, joined by a 0 byte, which no
    // name holds). Built on the first lookup after a change, so that reading a level row by
    // row stays linear however many entries the file has.
    std::unordered_map<std::string, IniPosition> lookup;
    bool lookup_current = false;
};

IniDocument& document()
{
    static IniDocument doc;
    return doc;
}

void save_at_exit()
{
    ini_save();  // a failure is reported on standard error; nobody is left to show it to
}

// How long a save waits for another running copy of the program that is saving the same
// file. Such a save takes milliseconds, but flushing a large file to a busy disk can take
// seconds; much longer means that copy is stuck, and the player should hear that this save
// failed rather than wait on.
constexpr int lock_wait_ms = 20000;

// The one line on standard error for a file that could not be saved. A player file without a
// folder has no path; its name says which file it was.
void report_unsaved(const char* name, const std::string& disk_path, const std::string& why)
{
    const std::string shown = disk_path.empty() ? name : platform::absolute_path(disk_path);
    std::fprintf(stderr, "%s: cannot be saved: %s\n", shown.c_str(), why.c_str());
}

// The exit-time save is registered after the document exists, so it runs before the
// document is destroyed.
void register_exit_save()
{
    static const bool registered = (document(), std::atexit(save_at_exit), true);
    (void)registered;
}

char ascii_lower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Names and keys match like _stricmp: only the ASCII letters fold.
bool same_name(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (ascii_lower(a[i]) != ascii_lower(b[i])) return false;
    }
    return true;
}

std::string_view view(const rt_string& s)
{
    return {s.data, s.length};
}

void append_folded(std::string& out, std::string_view name)
{
    for (const char c : name) out += ascii_lower(c);
}

IniSection* find_section(std::string_view name)
{
    for (IniSection& section : document().sections) {
        if (same_name(section.name, name)) return &section;
    }
    return nullptr;
}

IniEntry* find_entry(IniSection& section, std::string_view key)
{
    for (IniEntry& entry : section.entries) {
        if (same_name(entry.key, key)) return &entry;
    }
    return nullptr;
}

// Only the first section of each name is searched, and in it the first entry of each key.
void build_lookup(IniDocument& doc)
{
    doc.lookup.clear();
    std::unordered_set<std::string> seen_sections;
    std::string name_key;
    for (std::size_t s = 0; s < doc.sections.size(); ++s) {
        const IniSection& section = doc.sections[s];
        name_key.clear();
        append_folded(name_key, section.name);
        if (!seen_sections.insert(name_key).second) continue;
        name_key += '\0';
        const std::size_t prefix = name_key.size();
        for (std::size_t e = 0; e < section.entries.size(); ++e) {
            name_key.resize(prefix);
            append_folded(name_key, section.entries[e].key);
            doc.lookup.try_emplace(name_key, IniPosition{s, e});
        }
    }
    doc.lookup_current = true;
}

// Removal fills the gap with the last element instead of shifting the rest. The order of
// sections and entries therefore changes, and files saved afterwards show that order; the
// game's files were written this way, so it is kept.
template <typename T>
void remove_by_moving_last(std::vector<T>& items, T& item)
{
    T* last = &items.back();
    if (&item != last) item = std::move(*last);
    items.pop_back();
}

// ---- Loading -----------------------------------------------------------------------------

bool is_space(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}
bool is_blank(char c)
{
    return c == ' ' || c == '\t';
}
bool ends_name(char c)
{
    return is_space(c) || c == '=';
}

std::size_t skip_spaces(std::string_view line, std::size_t i)
{
    while (i < line.size() && is_space(line[i])) ++i;
    return i;
}

std::size_t skip_name(std::string_view line, std::size_t i)
{
    while (i < line.size() && !ends_name(line[i])) ++i;
    return i;
}

// Builds the document line by line. A section enters the document only when its header has
// been followed by at least one entry, so headers without entries vanish. Once the document
// holds as many sections or entries as it may, the rest of the file is not taken in.
class IniParser {
public:
    explicit IniParser(std::vector<IniSection>& sections) : sections_(sections) {}

    void parse_line(std::string_view line)
    {
        const std::size_t i = skip_spaces(line, 0);
        if (i == line.size() || line[i] == ';') return;
        if (line[i] == '[') {
            parse_header(line, i + 1);
        } else {
            parse_entry(line, i);
        }
    }

    // Keeps the last section; false when something had to be left out.
    bool finish()
    {
        keep_current();
        return !full_;
    }

    bool full() const { return full_; }

private:
    void keep_current()
    {
        if (current_.entries.empty()) return;
        if (sections_.size() == max_sections) {
            full_ = true;
        } else {  // the name stays: "[]" continues under it
            sections_.push_back(IniSection{current_.name, std::move(current_.entries)});
        }
        current_.entries.clear();
    }

    void parse_header(std::string_view line, std::size_t i)
    {
        keep_current();
        i = skip_spaces(line, i);
        std::string_view name = line.substr(i, skip_name(line, i) - i);
        if (!name.empty() && name.back() == ']') name.remove_suffix(1);
        // An empty name ("[]") keeps the previous name: what follows becomes a further
        // section of that name.
        if (!name.empty()) current_.name = name;
    }

    void parse_entry(std::string_view line, std::size_t i)
    {
        const std::size_t key_end = skip_name(line, i);
        const std::string_view key = line.substr(i, key_end - i);
        i = key_end;
        if (i == line.size()) return;
        if (line[i] != '=') {
            while (i < line.size() && is_blank(line[i])) ++i;
            if (i == line.size() || line[i] != '=') return;
        }
        i = skip_spaces(line, i + 1);
        if (i == line.size()) return;

        // Trailing control characters (a stray CR, a tab) go; trailing spaces are part of the
        // value. Bytes of 128 and above are text, so the test is on the unsigned byte.
        std::string_view value = line.substr(i);
        while (!value.empty() && static_cast<unsigned char>(value.back()) < 32) {
            value.remove_suffix(1);
        }
        // A value of control characters alone ("k=\x01") ends up empty like "k=": it is not
        // stored either, or it would be saved as "k=" and be gone after the next load.
        if (value.empty()) return;
        if (entry_count_ == max_entries) {
            full_ = true;
            return;
        }
        ++entry_count_;
        current_.entries.push_back(IniEntry{std::string(key), std::string(value)});
    }

    std::vector<IniSection>& sections_;
    IniSection current_;  // entries before the first header belong to the section named ""
    std::size_t entry_count_ = 0;
    bool full_ = false;
};

// False when the document could not take in all of the text.
bool parse_document(std::string_view text, std::vector<IniSection>& sections)
{
    // Editors that save UTF-8 may put a byte-order mark in front; it would otherwise turn the
    // first line into a nameless entry and lose the section header on it.
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    IniParser parser(sections);
    while (!text.empty() && !parser.full()) {
        const std::size_t lf = text.find('\n');
        std::string_view line = text.substr(0, lf);
        text.remove_prefix(lf == std::string_view::npos ? text.size() : lf + 1);

        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        // Strings end at a 0 byte, so the rest of such a line is not text.
        const std::size_t zero = line.find('\0');
        if (zero != std::string_view::npos) line = line.substr(0, zero);
        parser.parse_line(line);
    }
    return parser.finish();
}

std::string render_document(const std::vector<IniSection>& sections)
{
    std::string text;
    for (const IniSection& section : sections) {
        text.append("[").append(section.name).append("]\r\n");
        for (const IniEntry& entry : section.entries) {
            text.append(entry.key).append("=").append(entry.value).append("\r\n");
        }
    }
    return text;
}

}  // namespace

bool ini_open(const rt_string& name)
{
    register_exit_save();
    const bool saved = !document().changed || ini_save();
    ini_load(name);
    return saved;
}

void ini_load(const rt_string& name)
{
    register_exit_save();
    IniDocument& doc = document();
    doc.changed = false;
    doc.complete = true;
    doc.sections.clear();
    doc.lookup.clear();
    doc.lookup_current = false;
    doc.file_name = name;
    // The resolved path is kept so that a file loaded as "level.ini" but stored as
    // "Level.ini" is written back to "Level.ini", not beside it, and a player file is written
    // back to the player's folder it was read from.
    doc.disk_path = file_disk_path(name.c_str());

    // Only regular files count, matching a failed open on Windows for a directory of that name.
    std::string contents;
    const platform::ReadResult read =
        platform::read_whole_file(doc.disk_path, max_file_bytes, contents, true);
    if (read == platform::ReadResult::missing) return;  // empty document under this name
    if (read != platform::ReadResult::whole) {
        // What could be read is taken in; a line cut off part-way is no line.
        const std::size_t last_lf = contents.rfind('\n');
        contents.resize(last_lf == std::string::npos ? 0 : last_lf + 1);
    }
    const bool parsed_all = parse_document(contents, doc.sections);
    doc.complete = read == platform::ReadResult::whole && parsed_all;
}

bool ini_save()
{
    register_exit_save();
    const IniDocument& doc = document();
    if (!doc.changed || doc.file_name.empty()) return true;
    std::string failure;
    if (!doc.complete) {
        // Writing a document that holds only part of its file would destroy the rest.
        failure = "it is too large to be read whole";
    } else {
        const std::string text = render_document(doc.sections);
        if (platform::replace_file_contents(doc.disk_path, text.data(), text.size(), &failure)) {
            rt_trace(std::string("ini_save ") + doc.file_name.c_str());
            return true;
        }
    }
    // The old file stays as it was and the changes are lost; the player hears of it from the
    // game, and this line says which file and why.
    report_unsaved(doc.file_name.c_str(), doc.disk_path, failure);
    return false;
}

platform::FileLock ini_lock(const rt_string& name)
{
    const std::string path = file_disk_path(name.c_str());
    std::string failure = "it has no folder";
    platform::FileLock lock;
    if (!path.empty()) lock = platform::lock_file(path, lock_wait_ms, &failure);
    if (!lock.held()) report_unsaved(name.c_str(), path, "cannot be locked: " + failure);
    return lock;
}

void ini_report_unusable(const rt_string& name)
{
    const std::string path = file_disk_path(name.c_str());
    const char* why = "it does not exist";
    if (path.empty()) {
        why = "it has no folder";  // a player file whose folder could not be made
    } else if (platform::is_directory(path)) {
        why = "it is not a regular file";
    } else if (platform::exists(path)) {
        why = "it cannot be read";
    }
    report_unsaved(name.c_str(), path, why);
}

rt_string ini_get(const rt_string& section_name, const rt_string& key)
{
    register_exit_save();
    IniDocument& doc = document();
    if (!doc.lookup_current) build_lookup(doc);
    std::string name_key;
    append_folded(name_key, view(section_name));
    name_key += '\0';
    append_folded(name_key, view(key));
    const auto found = doc.lookup.find(name_key);
    if (found == doc.lookup.end()) return "NO_DATA";
    const IniPosition at = found->second;
    return doc.sections[at.section].entries[at.entry].value.c_str();
}

void ini_put(const rt_string& section_name, const rt_string& key, const rt_string& value)
{
    register_exit_save();
    IniDocument& doc = document();
    doc.changed = true;
    doc.lookup_current = false;

    IniSection* section = find_section(view(section_name));
    if (key.empty()) {
        if (section != nullptr) remove_by_moving_last(doc.sections, *section);
        return;
    }
    if (section == nullptr) {
        doc.sections.push_back(IniSection{section_name.c_str(), {}});
        section = &doc.sections.back();
    }

    IniEntry* entry = find_entry(*section, view(key));
    if (entry == nullptr) {
        section->entries.push_back(IniEntry{key.c_str(), value.c_str()});
    } else if (!value.empty()) {
        entry->value = value.c_str();
    } else {
        remove_by_moving_last(section->entries, *entry);
    }
}
