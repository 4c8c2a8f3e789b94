// Translation catalogues in the gettext PO format, read by the program itself so that no
// system library is needed: entries of msgctxt / msgid / msgid_plural / msgstr[N] strings with
// C escapes, "#," flag lines and other comments. Catalogues must be UTF-8. A catalogue that
// breaks a rule is refused whole with one line saying where; nothing is taken from it.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

struct PoEntry {
    std::string context;                   // msgctxt; "" when absent
    std::string id, id_plural;             // msgid, msgid_plural ("" when absent)
    std::vector<std::string> texts;        // msgstr, or msgstr[0], msgstr[1], ...
    bool plural = false;                   // written with msgid_plural and msgstr[N]
    bool fuzzy = false, c_format = false;  // the "#," flags a translator's tools set
    int line = 0;                          // where its msgid stands, from 1
};

constexpr std::size_t po_largest_file = 1 << 20;  // 1 MiB: far above any catalogue of a game
constexpr std::size_t po_most_entries = 20000;

// Entries in file order, the header (empty msgid) included. False with the problem ("line 7:
// unterminated string") and out emptied. Refused: malformed lines and strings, escapes making
// a 0 byte, strings that are not UTF-8, a header naming another charset, a repeated msgid,
// msgstr[N] out of order, more than po_most_entries entries, text longer than po_largest_file.
bool po_parse(std::string_view text, std::vector<PoEntry>& out, std::string& problem);

// What a program looks texts up in: the translated entries (not fuzzy, msgstr not empty,
// singular, no context), msgid -> msgstr. The header is left out.
using PoTranslations = std::unordered_map<std::string, std::string>;
PoTranslations po_translations(const std::vector<PoEntry>& entries);

// Reads and parses the file; false with the problem (naming no path) when it is missing,
// unreadable, larger than po_largest_file or refused by po_parse.
bool po_load(const std::string& path, std::vector<PoEntry>& out, std::string& problem);

// The printf conversions of a format string in order, each as written without flags, width
// and precision ("%s", "%2$d", "%ld"); "%%" is none. False when a "%" starts no conversion.
bool po_format_conversions(std::string_view format, std::vector<std::string>& out);
