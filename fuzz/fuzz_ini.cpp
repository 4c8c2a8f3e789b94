// Fuzz target for the INI document: any file loads; saving what was loaded and loading that
// again gives the same document (the second save is byte for byte the first); and every
// lookup finds what a plain front-to-back search of the saved text finds.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "files/ini_document.h"
#include "fuzz_support.h"

namespace {

struct Entry {
    std::string key, value;
};
struct Section {
    std::string name;
    std::vector<Entry> entries;
};

char lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

char upper(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool same_name(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

// A saved document is "[name]" lines each followed by their "key=value" lines, every line
// ending in CR LF; no name holds a line break and no key an "=".
std::vector<Section> parse_saved(const std::string& text)
{
    std::vector<Section> sections;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = text.find("\r\n", at);
        FUZZ_CHECK(end != std::string::npos);
        const std::string line = text.substr(at, end - at);
        at = end + 2;
        if (!line.empty() && line.front() == '[') {
            FUZZ_CHECK(line.size() >= 2 && line.back() == ']');
            sections.push_back({line.substr(1, line.size() - 2), {}});
            continue;
        }
        const std::size_t equals = line.find('=');
        FUZZ_CHECK(!sections.empty() && equals != std::string::npos);  // "=1" has the key ""
        FUZZ_CHECK(equals + 1 < line.size());  // empty values are never read in
        sections.back().entries.push_back({line.substr(0, equals), line.substr(equals + 1)});
    }
    return sections;
}

// The first section of the name, and in it the first entry of the key.
std::string reference_get(const std::vector<Section>& sections, std::string_view section,
                          std::string_view key)
{
    for (const Section& s : sections) {
        if (!same_name(s.name, section)) continue;
        for (const Entry& e : s.entries) {
            if (same_name(e.key, key)) return e.value;
        }
        return "NO_DATA";
    }
    return "NO_DATA";
}

std::string swapped_case(const std::string& s, std::size_t seed)
{
    std::string out = s;
    for (std::size_t i = 0; i < out.size(); ++i) {
        out[i] = (seed >> (i % 16)) & 1 ? upper(out[i]) : lower(out[i]);
    }
    return out;
}

// Loads the file, marks the document changed without changing it, saves it over the file and
// returns what was written.
std::string load_and_resave(const std::string& path)
{
    ini_load(path.c_str());
    ini_put("no such section", "", "");  // a name with a space cannot come from a file
    ini_save();
    return fuzz::read_whole(path);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string path = fuzz::write_input("input.ini", data, size);
    const std::string first = load_and_resave(path);
    const std::vector<Section> sections = parse_saved(first);

    int lookups = 0;
    for (const Section& s : sections) {
        for (const Entry& e : s.entries) {
            if (++lookups > 256) break;
            const std::string name = swapped_case(s.name, size + lookups);
            const std::string key = swapped_case(e.key, size * 7 + lookups);
            FUZZ_CHECK(ini_get(name.c_str(), key.c_str()) ==
                       reference_get(sections, name, key).c_str());
            const std::string other = key + "x";
            FUZZ_CHECK(ini_get(name.c_str(), other.c_str()) ==
                       reference_get(sections, name, other).c_str());
        }
    }
    FUZZ_CHECK(ini_get("no such section", "1") == "NO_DATA");

    const std::string second = load_and_resave(path);
    FUZZ_CHECK(first == second);
    ini_load("");  // the nameless document is never written, not even at exit
    return 0;
}
