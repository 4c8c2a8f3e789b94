// INI loading and lookups. A generated level file of 20 MB (1 300 levels of 150 x 100 cells,
// lines well under libinih's 200-byte limit) is read by ini_open and, in the same run, by
// libinih: its C parser with a handler that keeps every section and entry, the same parser
// with a handler that keeps nothing (the least any user of it pays), and its C++ INIReader.
// Target: ini_open at least as fast as libinih keeping the entries. Then ini_get on documents
// of 100 to 10 000 sections: the time per call must not grow with the number of sections.
#include <INIReader.h>
#include <benchmark/benchmark.h>
#include <ini.h>

#include <map>
#include <random>
#include <string>
#include <vector>

#include "files/ini_document.h"
#include "support/temp_dir.h"

namespace {

using testing_support::TempDir;

constexpr int level_count = 1300, level_width = 150, level_height = 100;

TempDir& scratch()
{
    static TempDir dir;
    return dir;
}

// The 20 MB level file, written once.
const std::string& big_level_file()
{
    static const std::string path = [] {
        std::mt19937 rng(20);
        const char cells[] = "....SS.D*.";
        std::uniform_int_distribution<int> pick(0, sizeof cells - 2);
        std::string text = "; generated levels\n[game]\nlevel=" + std::to_string(level_count) +
                           "\nleben=3\nspeed=3\n";
        for (int level = 1; level <= level_count; ++level) {
            text += "[level_" + std::to_string(level) + "]\nx=" + std::to_string(level_width) +
                    "\ny=" + std::to_string(level_height) + "\nzeit=300\nbrillox=0\n";
            for (int r = 1; r <= level_height; ++r) {
                text += std::to_string(r) + "=|";
                for (int c = 0; c < level_width; ++c) text += cells[pick(rng)];
                text += '\n';
            }
        }
        const std::string file = scratch().file("Level.ini");
        testing_support::write_file(file, text);
        return file;
    }();
    return path;
}

std::int64_t file_bytes(const std::string& path)
{
    return static_cast<std::int64_t>(testing_support::read_file(path).size());
}

void BM_IniOpen(benchmark::State& state)
{
    const std::string& path = big_level_file();
    for (auto _ : state) ini_open(path.c_str());
    // The last row of the last level must be there, or the document stopped early.
    const rt_string last = ini_get(("level_" + std::to_string(level_count)).c_str(),
                                   std::to_string(level_height).c_str());
    if (last.length != level_width + 1) state.SkipWithError("the document is incomplete");
    ini_open("");
    state.SetBytesProcessed(state.iterations() * file_bytes(path));
}

struct InihEntry {
    std::string key, value;
};
struct InihSection {
    std::string name;
    std::vector<InihEntry> entries;
};

// What a program built on libinih keeps: sections in file order with their entries.
int keep_entry(void* user, const char* section, const char* name, const char* value)
{
    auto& sections = *static_cast<std::vector<InihSection>*>(user);
    if (sections.empty() || sections.back().name != section) sections.push_back({section, {}});
    sections.back().entries.push_back({name, value});
    return 1;
}

int count_entry(void* user, const char*, const char*, const char*)
{
    ++*static_cast<std::size_t*>(user);
    return 1;
}

void BM_InihParseKeeping(benchmark::State& state)
{
    const std::string& path = big_level_file();
    std::size_t entries = 0;
    for (auto _ : state) {
        std::vector<InihSection> sections;
        if (ini_parse(path.c_str(), keep_entry, &sections) != 0) state.SkipWithError("parse error");
        entries = 0;
        for (const InihSection& s : sections) entries += s.entries.size();
        benchmark::DoNotOptimize(sections.data());
    }
    state.counters["entries"] = static_cast<double>(entries);
    state.SetBytesProcessed(state.iterations() * file_bytes(path));
}

void BM_InihParseCounting(benchmark::State& state)
{
    const std::string& path = big_level_file();
    std::size_t entries = 0;
    for (auto _ : state) {
        entries = 0;
        if (ini_parse(path.c_str(), count_entry, &entries) != 0) state.SkipWithError("parse error");
    }
    state.counters["entries"] = static_cast<double>(entries);
    state.SetBytesProcessed(state.iterations() * file_bytes(path));
}

void BM_InihReader(benchmark::State& state)
{
    const std::string& path = big_level_file();
    for (auto _ : state) {
        INIReader reader(path);
        if (reader.ParseError() != 0) state.SkipWithError("parse error");
        benchmark::DoNotOptimize(reader.GetInteger("game", "level", 0));
    }
    state.SetBytesProcessed(state.iterations() * file_bytes(path));
}

BENCHMARK(BM_IniOpen)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_InihParseKeeping)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_InihParseCounting)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_InihReader)->Unit(benchmark::kMillisecond)->MinTime(2);

// A document of n sections of eight keys each, as a save or score file grown large.
std::string document_of(int sections)
{
    const std::string path = scratch().file("sections" + std::to_string(sections) + ".ini");
    std::string text;
    for (int s = 0; s < sections; ++s) {
        text += "[section_" + std::to_string(s) + "]\n";
        for (int k = 0; k < 8; ++k)
            text += "key" + std::to_string(k) + "=value " + std::to_string(s * 8 + k) + "\n";
    }
    testing_support::write_file(path, text);
    return path;
}

// state.range(0) sections; the lookup names the last one (the far end of a scan) or, with
// range(1) = 1, a section that does not exist.
void BM_IniGet(benchmark::State& state)
{
    const int sections = static_cast<int>(state.range(0));
    const bool missing = state.range(1) == 1;
    ini_open(document_of(sections).c_str());
    const rt_string section = missing
                                  ? rt_string("no_such_section")
                                  : rt_string(("SECTION_" + std::to_string(sections - 1)).c_str());
    const rt_string key = "Key7";
    ini_get(section, key);  // a first lookup may build an index; that is part of loading
    std::size_t length = 0;
    for (auto _ : state) {
        const rt_string value = ini_get(section, key);
        length += value.length;
        benchmark::DoNotOptimize(length);
    }
    const rt_string check = ini_get(section, key);
    if (!missing && check == "NO_DATA") state.SkipWithError("key not found");
    ini_open("");
}
BENCHMARK(BM_IniGet)
    ->ArgNames({"sections", "missing"})
    ->Args({100, 0})
    ->Args({1000, 0})
    ->Args({10000, 0})
    ->Args({10000, 1})
    ->Unit(benchmark::kNanosecond);

}  // namespace

BENCHMARK_MAIN();
