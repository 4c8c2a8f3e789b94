// The process-wide INI document: parsing an INI file into sections of key/value entries,
// lookups and changes by name, and writing the whole document back in one atomic step when
// another file is opened or the program ends.
#include "files/ini_document.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/fs.h"
#include "runtime/trace.h"

namespace {

struct IniEntry {
    rt_string key;
    rt_string value;
};

struct IniSection {
    rt_string name;
    std::vector<IniEntry> entries;
};

struct IniDocument {
    std::vector<IniSection> sections;
    rt_string file_name;    // as the game gave it; empty means "no file", which is never saved
    std::string disk_path;  // name with its existing spelling on disk: read now, saved later
    bool changed = false;
};

IniDocument& document()
{
    static IniDocument doc;
    return doc;
}

// The exit-time save is registered after the document exists, so it runs before the
// document is destroyed.
void register_exit_save()
{
    static const bool registered = (document(), std::atexit(ini_save), true);
    (void)registered;
}

char ascii_lower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Names and keys match like _stricmp: only the ASCII letters fold.
bool same_name(const rt_string& a, const rt_string& b)
{
    if (a.length != b.length) return false;
    for (std::uint32_t i = 0; i < a.length; ++i) {
        if (ascii_lower(a.data[i]) != ascii_lower(b.data[i])) return false;
    }
    return true;
}

IniSection* find_section(const rt_string& name)
{
    for (IniSection& section : document().sections) {
        if (same_name(section.name, name)) return &section;
    }
    return nullptr;
}

IniEntry* find_entry(IniSection& section, const rt_string& key)
{
    for (IniEntry& entry : section.entries) {
        if (same_name(entry.key, key)) return &entry;
    }
    return nullptr;
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

rt_string to_rt(std::string_view text)
{
    return rt_string(std::string(text).c_str());
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
// been followed by at least one entry, so headers without entries vanish.
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

    void finish() { keep_current(); }

private:
    void keep_current()
    {
        if (!current_.entries.empty()) sections_.push_back(std::move(current_));
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
        if (!name.empty()) current_.name = to_rt(name);
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
        current_.entries.push_back(IniEntry{to_rt(key), to_rt(value)});
    }

    std::vector<IniSection>& sections_;
    IniSection current_;  // entries before the first header belong to the section named ""
};

// Reads the whole file. Only regular files count, matching a failed open on Windows for a
// directory of that name. Returns false when nothing could be opened.
bool read_whole_file(const std::string& path, std::string& contents)
{
    if (path.empty()) return false;
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat info;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return false;
    }
    char buffer[8192];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;  // a read error keeps what was read before it
        contents.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return true;
}

void parse_document(std::string_view text, std::vector<IniSection>& sections)
{
    IniParser parser(sections);
    while (!text.empty()) {
        const std::size_t lf = text.find('\n');
        std::string_view line = text.substr(0, lf);
        text.remove_prefix(lf == std::string_view::npos ? text.size() : lf + 1);

        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        // Strings end at a 0 byte, so the rest of such a line is not text.
        const std::size_t zero = line.find('\0');
        if (zero != std::string_view::npos) line = line.substr(0, zero);
        parser.parse_line(line);
    }
    parser.finish();
}

std::string render_document(const std::vector<IniSection>& sections)
{
    std::string text;
    for (const IniSection& section : sections) {
        text.append("[").append(section.name.c_str()).append("]\r\n");
        for (const IniEntry& entry : section.entries) {
            text.append(entry.key.c_str()).append("=").append(entry.value.c_str()).append("\r\n");
        }
    }
    return text;
}

}  // namespace

void ini_open(const rt_string& name)
{
    register_exit_save();
    if (document().changed) ini_save();
    ini_load(name);
}

void ini_load(const rt_string& name)
{
    register_exit_save();
    IniDocument& doc = document();
    doc.changed = false;
    doc.sections.clear();
    doc.file_name = name;
    // The resolved path is kept so that a file loaded as "level.ini" but stored as
    // "Level.ini" is written back to "Level.ini", not beside it.
    doc.disk_path = platform::resolve_name_ignoring_case(name.c_str());

    std::string contents;
    if (!read_whole_file(doc.disk_path, contents)) return;  // empty document under this name
    parse_document(contents, doc.sections);
}

void ini_save()
{
    register_exit_save();
    const IniDocument& doc = document();
    if (!doc.changed || doc.file_name.empty()) return;
    const std::string text = render_document(doc.sections);
    // A failed write leaves the old file as it was; the changes are lost, as they always
    // were when the file could not be written.
    if (platform::write_file_atomically(doc.disk_path, text.data(), text.size()))
        rt_trace(std::string("ini_save ") + doc.file_name.c_str());
}

rt_string ini_get(const rt_string& section_name, const rt_string& key)
{
    register_exit_save();
    IniSection* section = find_section(section_name);
    if (section == nullptr) return "NO_DATA";
    const IniEntry* entry = find_entry(*section, key);
    if (entry == nullptr) return "NO_DATA";
    return entry->value;
}

void ini_put(const rt_string& section_name, const rt_string& key, const rt_string& value)
{
    register_exit_save();
    IniDocument& doc = document();
    doc.changed = true;

    IniSection* section = find_section(section_name);
    if (key.empty()) {
        if (section != nullptr) remove_by_moving_last(doc.sections, *section);
        return;
    }
    if (section == nullptr) {
        doc.sections.push_back(IniSection{section_name, {}});
        section = &doc.sections.back();
    }

    IniEntry* entry = find_entry(*section, key);
    if (entry == nullptr) {
        section->entries.push_back(IniEntry{key, value});
    } else if (!value.empty()) {
        entry->value = value;
    } else {
        remove_by_moving_last(section->entries, *entry);
    }
}
