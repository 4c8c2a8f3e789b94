// Fuzz target for the translation catalogue reader: any input is taken or refused whole with a
// reason, never a crash. What is taken holds only UTF-8 without 0 bytes; written back as a
// catalogue it reads as the same entries; and its texts reach the fonts' code page without
// growing, their printf conversions listed without reading past their end.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "core/code_page.h"
#include "files/po_catalogue.h"
#include "fuzz_support.h"

namespace {

std::string quoted(const std::string& text)
{
    std::string out = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 32 || byte == 127) {
            char octal[5];
            std::snprintf(octal, sizeof octal, "\\%03o", byte);  // three digits: nothing follows
            out += octal;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string written(const std::vector<PoEntry>& entries)
{
    std::string out;
    for (const PoEntry& e : entries) {
        if (e.fuzzy || e.c_format) {
            out += std::string("#,") + (e.fuzzy ? " fuzzy" : "") + (e.c_format ? " c-format" : "") +
                   "\n";
        }
        if (!e.context.empty()) out += "msgctxt " + quoted(e.context) + "\n";
        out += "msgid " + quoted(e.id) + "\n";
        if (e.plural) {
            out += "msgid_plural " + quoted(e.id_plural) + "\n";
            for (std::size_t i = 0; i < e.texts.size(); ++i) {
                out += "msgstr[" + std::to_string(i) + "] " + quoted(e.texts[i]) + "\n";
            }
        } else {
            out += "msgstr " + quoted(e.texts.at(0)) + "\n";
        }
        out += "\n";
    }
    return out;
}

bool same(const PoEntry& a, const PoEntry& b)
{
    return a.context == b.context && a.id == b.id && a.id_plural == b.id_plural &&
           a.texts == b.texts && a.plural == b.plural && a.fuzzy == b.fuzzy &&
           a.c_format == b.c_format;
}

void check_text(const std::string& text)
{
    FUZZ_CHECK(utf8_valid(text));
    FUZZ_CHECK(text.find('\0') == std::string::npos);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    std::vector<PoEntry> entries;
    std::string problem;
    if (!po_parse(input, entries, problem)) {
        FUZZ_CHECK(entries.empty());
        FUZZ_CHECK(!problem.empty());
        return 0;
    }
    for (const PoEntry& e : entries) {
        FUZZ_CHECK(!e.texts.empty());
        FUZZ_CHECK(e.plural || e.texts.size() == 1);
        for (const std::string* s : {&e.context, &e.id, &e.id_plural}) check_text(*s);
        for (const std::string& s : e.texts) check_text(s);
    }

    std::vector<PoEntry> again;
    FUZZ_CHECK(po_parse(written(entries), again, problem));
    FUZZ_CHECK(again.size() == entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) FUZZ_CHECK(same(entries[i], again[i]));

    std::vector<std::string> conversions;
    for (const auto& [german, translated] : po_translations(entries)) {
        FUZZ_CHECK(utf8_to_cp1252(translated).size() <= translated.size());
        FUZZ_CHECK(utf8_to_ascii(translated).size() <= translated.size());
        po_format_conversions(translated, conversions);
        po_format_conversions(german, conversions);
    }
    return 0;
}
