// The PO reader: one pass over the lines, a small state machine over the keywords. Every
// string is unescaped and checked as UTF-8 where it ends, so later users get plain UTF-8.
#include "files/po_catalogue.h"

#include <cctype>
#include <cstdint>

#include "core/code_page.h"
#include "platform/fs.h"

namespace {

bool is_blank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v';
}

std::string_view trimmed(std::string_view s)
{
    while (!s.empty() && is_blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && is_blank(s.back())) s.remove_suffix(1);
    return s;
}

int hex_value(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// A quoted string that makes up the whole of s; its unescaped bytes are appended to out.
bool append_quoted(std::string_view s, std::string& out, std::string& problem)
{
    s = trimmed(s);
    if (s.size() < 2 || s.front() != '"' || s.back() != '"') {
        problem = "a string in double quotes was expected";
        return false;
    }
    s = s.substr(1, s.size() - 2);
    for (std::size_t i = 0; i < s.size(); ++i) {
        const char c = s[i];
        if (c == '"') {
            problem = "a double quote inside a string must be written \\\"";
            return false;
        }
        if (c == '\0') {
            problem = "a 0 byte in a string, which no text may hold";
            return false;
        }
        if (c != '\\') {
            out += c;
            continue;
        }
        if (++i == s.size()) {
            problem = "a string ends in a lone backslash";
            return false;
        }
        unsigned value = 0;
        switch (s[i]) {
            case 'n':
                value = '\n';
                break;
            case 't':
                value = '\t';
                break;
            case 'r':
                value = '\r';
                break;
            case 'a':
                value = '\a';
                break;
            case 'b':
                value = '\b';
                break;
            case 'f':
                value = '\f';
                break;
            case 'v':
                value = '\v';
                break;
            case '\\':
            case '"':
            case '\'':
            case '?':
                value = static_cast<unsigned char>(s[i]);
                break;
            case 'x': {
                int digits = 0;
                while (i + 1 < s.size() && hex_value(s[i + 1]) >= 0 && digits < 2) {
                    value = value * 16 + static_cast<unsigned>(hex_value(s[++i]));
                    ++digits;
                }
                if (digits == 0) {
                    problem = "\\x without hexadecimal digits";
                    return false;
                }
                break;
            }
            default:
                if (s[i] < '0' || s[i] > '7') {
                    problem = std::string("unknown escape \\") + s[i];
                    return false;
                }
                value = static_cast<unsigned>(s[i] - '0');
                for (int digits = 1;
                     digits < 3 && i + 1 < s.size() && s[i + 1] >= '0' && s[i + 1] <= '7';
                     ++digits) {
                    value = value * 8 + static_cast<unsigned>(s[++i] - '0');
                }
                if (value > 255) {
                    problem = "an octal escape above \\377";
                    return false;
                }
        }
        if (value == 0) {
            problem = "an escape makes a 0 byte, which no text may hold";
            return false;
        }
        out += static_cast<char>(value);
    }
    return true;
}

// The header's charset, lower-cased; "" when it names none.
std::string header_charset(const std::string& header)
{
    const std::size_t at = header.find("charset=");
    if (at == std::string::npos) return "";
    std::string charset;
    for (std::size_t i = at + 8;
         i < header.size() && !std::isspace(static_cast<unsigned char>(header[i])) &&
         header[i] != ';';
         ++i) {
        charset += static_cast<char>(std::tolower(static_cast<unsigned char>(header[i])));
    }
    return charset;
}

enum class Part { none, context, id, id_plural, text };

class Parser {
public:
    explicit Parser(std::vector<PoEntry>& out) : out_(out) {}

    bool line(std::string_view text, int number, std::string& problem);
    bool finish(std::string& problem);

private:
    bool keyword(std::string_view word, std::string_view rest, std::string& problem);
    bool close_entry(std::string& problem);

    std::vector<PoEntry>& out_;
    PoEntry entry_;
    Part part_ = Part::none;
    std::string* string_ = nullptr;  // the string a continuation line adds to
    bool pending_fuzzy_ = false, pending_c_format_ = false;
    int number_ = 0;
    std::unordered_map<std::string, int> seen_;  // context + "\x04" + msgid -> line
};

bool Parser::line(std::string_view text, int number, std::string& problem)
{
    number_ = number;
    text = trimmed(text);
    if (text.empty()) return true;
    if (text.front() == '#') {
        // Obsolete entries ("#~") and previous strings ("#|") are comments to a program.
        if (text.size() >= 2 && text[1] == ',') {
            if (part_ == Part::text && !close_entry(problem)) return false;
            const std::string_view flags = text.substr(2);
            if (flags.find("fuzzy") != std::string_view::npos) pending_fuzzy_ = true;
            if (flags.find("no-c-format") == std::string_view::npos &&
                flags.find("c-format") != std::string_view::npos) {
                pending_c_format_ = true;
            }
        }
        return true;
    }
    if (text.front() == '"') {
        if (string_ == nullptr) {
            problem = "a string continues no keyword";
            return false;
        }
        return append_quoted(text, *string_, problem);
    }
    std::size_t end = 0;
    while (end < text.size() && !is_blank(text[end]) && text[end] != '"') ++end;
    return keyword(text.substr(0, end), text.substr(end), problem);
}

bool Parser::keyword(std::string_view word, std::string_view rest, std::string& problem)
{
    if (word == "msgctxt" || word == "msgid") {
        if (part_ == Part::text && !close_entry(problem)) return false;
        if (word == "msgctxt" && part_ != Part::none) {
            problem = "msgctxt in the middle of an entry";
            return false;
        }
        if (word == "msgid" && part_ != Part::none && part_ != Part::context) {
            problem = "msgid in the middle of an entry";
            return false;
        }
        if (part_ == Part::none) {
            entry_ = PoEntry{};
            entry_.fuzzy = pending_fuzzy_;
            entry_.c_format = pending_c_format_;
            pending_fuzzy_ = pending_c_format_ = false;
        }
        if (word == "msgid") entry_.line = number_;
        part_ = word == "msgid" ? Part::id : Part::context;
        string_ = word == "msgid" ? &entry_.id : &entry_.context;
        return append_quoted(rest, *string_, problem);
    }
    if (word == "msgid_plural") {
        if (part_ != Part::id) {
            problem = "msgid_plural must follow a msgid";
            return false;
        }
        part_ = Part::id_plural;
        entry_.plural = true;
        string_ = &entry_.id_plural;
        return append_quoted(rest, *string_, problem);
    }
    if (word.substr(0, 6) == "msgstr") {
        const bool plural = entry_.plural;
        std::string_view index = word.substr(6);
        if (!plural) {
            if (part_ != Part::id || !index.empty()) {
                problem = part_ == Part::id ? "msgstr[N] without msgid_plural"
                                            : "msgstr must follow a msgid";
                return false;
            }
        } else {
            std::string expected = "[";
            expected += std::to_string(entry_.texts.size());
            expected += ']';
            if (index != expected) {
                problem = "msgstr" + expected + " expected";
                return false;
            }
        }
        part_ = Part::text;
        entry_.texts.emplace_back();
        string_ = &entry_.texts.back();
        return append_quoted(rest, *string_, problem);
    }
    problem = "unknown keyword \"" + std::string(word.substr(0, 20)) + "\"";
    return false;
}

bool Parser::close_entry(std::string& problem)
{
    for (const std::string* s : {&entry_.context, &entry_.id, &entry_.id_plural}) {
        if (!utf8_valid(*s)) {
            problem = "a msgid or msgctxt is not UTF-8";
            return false;
        }
    }
    for (const std::string& s : entry_.texts) {
        if (!utf8_valid(s)) {
            problem = "a msgstr is not UTF-8";
            return false;
        }
    }
    if (entry_.id.empty() && entry_.context.empty() && !entry_.texts.empty()) {
        const std::string charset = header_charset(entry_.texts.front());
        if (!charset.empty() && charset != "utf-8" && charset != "charset") {
            problem = "the header names the charset " + charset.substr(0, 20) +
                      "; catalogues must be UTF-8";
            return false;
        }
    }
    const auto [where, fresh] = seen_.emplace(entry_.context + '\x04' + entry_.id, entry_.line);
    if (!fresh) {
        problem = "msgid repeats the entry of line " + std::to_string(where->second);
        return false;
    }
    if (out_.size() == po_most_entries) {
        problem = "more than " + std::to_string(po_most_entries) + " entries";
        return false;
    }
    out_.push_back(std::move(entry_));
    entry_ = PoEntry{};
    part_ = Part::none;
    string_ = nullptr;
    return true;
}

bool Parser::finish(std::string& problem)
{
    if (part_ == Part::text) return close_entry(problem);
    if (part_ != Part::none) {
        problem = "the last entry has no msgstr";
        return false;
    }
    return true;
}

}  // namespace

bool po_parse(std::string_view text, std::vector<PoEntry>& out, std::string& problem)
{
    out.clear();
    if (text.size() > po_largest_file) {
        problem = "larger than " + std::to_string(po_largest_file / 1024) + " KiB";
        return false;
    }
    // A UTF-8 byte-order mark, which some editors write, is no part of the first line.
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    Parser parser(out);
    int number = 0;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        if (end == std::string_view::npos) end = text.size();
        if (!parser.line(text.substr(at, end - at), ++number, problem)) {
            problem = "line " + std::to_string(number) + ": " + problem;
            out.clear();
            return false;
        }
        at = end + 1;
    }
    if (!parser.finish(problem)) {
        problem = "line " + std::to_string(number) + ": " + problem;
        out.clear();
        return false;
    }
    return true;
}

PoTranslations po_translations(const std::vector<PoEntry>& entries)
{
    PoTranslations translations;
    for (const PoEntry& entry : entries) {
        if (entry.fuzzy || entry.id.empty() || !entry.context.empty() || entry.plural ||
            entry.texts.size() != 1 || entry.texts[0].empty()) {
            continue;
        }
        translations.emplace(entry.id, entry.texts[0]);
    }
    return translations;
}

bool po_load(const std::string& path, std::vector<PoEntry>& out, std::string& problem)
{
    out.clear();
    std::string contents;
    switch (platform::read_whole_file(path, po_largest_file, contents, true)) {
        case platform::ReadResult::missing:
            problem = "missing or not a file";
            return false;
        case platform::ReadResult::cut:
            problem = "larger than " + std::to_string(po_largest_file / 1024) + " KiB";
            return false;
        case platform::ReadResult::failed:
            problem = "could not be read";
            return false;
        case platform::ReadResult::whole:
            break;
    }
    return po_parse(contents, out, problem);
}

bool po_format_conversions(std::string_view format, std::vector<std::string>& out)
{
    out.clear();
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%') continue;
        if (++i == format.size()) return false;
        if (format[i] == '%') continue;
        std::string conversion = "%";
        // An argument number "N$" is kept: it says which value the conversion takes.
        std::size_t digits = i;
        while (digits < format.size() && std::isdigit(static_cast<unsigned char>(format[digits])))
            ++digits;
        if (digits > i && digits < format.size() && format[digits] == '$') {
            conversion += std::string(format.substr(i, digits + 1 - i));
            i = digits + 1;
        }
        const auto skip = [&](std::string_view set) {
            while (i < format.size() && set.find(format[i]) != std::string_view::npos) ++i;
        };
        skip("-+ #0'");
        skip("0123456789*");
        if (i < format.size() && format[i] == '.') {
            ++i;
            skip("0123456789*");
        }
        const std::size_t length_start = i;
        skip("hlLqjzt");
        if (i == format.size()) return false;
        if (std::string_view("diouxXeEfFgGaAcspn").find(format[i]) == std::string_view::npos) {
            return false;
        }
        conversion += std::string(format.substr(length_start, i + 1 - length_start));
        out.push_back(conversion);
    }
    return true;
}
