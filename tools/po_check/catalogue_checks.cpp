// Each template text is looked up among the catalogue's translations (fuzzy and empty ones do
// not count), then compared conversion by conversion and drawn through the fonts' code page.
#include "catalogue_checks.h"

#include <algorithm>
#include <unordered_set>

#include "core/code_page.h"

namespace {

std::string quoted(const std::string& text)
{
    std::string out = "\"";
    for (const char c : text) {
        if (c == '\n') {
            out += "\\n";
        } else {
            if (c == '"' || c == '\\') out += '\\';
            out += c;
        }
    }
    return out + "\"";
}

std::string joined(const std::vector<std::string>& parts)
{
    std::string out;
    for (const std::string& part : parts) out += (out.empty() ? "" : " ") + part;
    return out.empty() ? "none" : out;
}

bool has_format(const PoEntry& entry)
{
    return entry.c_format || entry.id.find('%') != std::string::npos;
}

}  // namespace

CatalogueReport check_catalogue(const std::vector<PoEntry>& template_entries,
                                const std::vector<PoEntry>& catalogue_entries)
{
    CatalogueReport report;
    const PoTranslations translations = po_translations(catalogue_entries);
    std::unordered_set<std::string> wanted;
    for (const PoEntry& entry : template_entries) {
        if (entry.id.empty()) continue;  // the header
        wanted.insert(entry.id);
        const auto found = translations.find(entry.id);
        if (found == translations.end()) {
            const bool fuzzy =
                std::any_of(catalogue_entries.begin(), catalogue_entries.end(),
                            [&](const PoEntry& e) { return e.id == entry.id && e.fuzzy; });
            report.problems.push_back(
                (fuzzy ? "only a fuzzy translation of " : "no translation of ") + quoted(entry.id));
            continue;
        }
        const std::string& text = found->second;
        if (has_format(entry)) {
            std::vector<std::string> german, translated;
            const bool german_ok = po_format_conversions(entry.id, german);
            const bool translated_ok = po_format_conversions(text, translated);
            if (!german_ok || !translated_ok || german != translated) {
                report.problems.push_back(
                    "the translation of " + quoted(entry.id) + " has the conversions " +
                    (translated_ok ? joined(translated) : "(malformed)") + ", the German " +
                    (german_ok ? joined(german) : "(malformed)"));
            }
        }
        const std::string drawn = utf8_to_cp1252(text);
        if (std::count(drawn.begin(), drawn.end(), '?') !=
            std::count(text.begin(), text.end(), '?')) {
            report.problems.push_back("the translation of " + quoted(entry.id) +
                                      " has characters the fonts cannot draw (Windows-1252 only)");
        }
    }
    for (const PoEntry& entry : catalogue_entries) {
        if (!entry.id.empty() && wanted.count(entry.id) == 0) {
            report.notes.push_back("the game no longer shows " + quoted(entry.id));
        }
    }
    return report;
}
