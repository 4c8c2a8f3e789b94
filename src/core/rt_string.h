// String values: 8-bit, 0-terminated texts that each own their block and are copied deeply.
// Blocks grow in steps of 512 bytes and never shrink; an empty value points at one shared,
// read-only empty text and owns nothing.
#pragma once
#include <cstdint>

struct rt_string {
    char* data;  // the text, always 0-terminated; the shared empty text when nothing is owned
    std::uint32_t capacity;  // bytes owned at data; 0 while nothing is owned
    std::uint32_t length;    // bytes before the terminator

    rt_string() noexcept;                          // the empty value
    rt_string(const char* text);                   // NOLINT: literals are strings; null reads as ""
    rt_string(const rt_string& other);             // deep copy
    rt_string& operator=(const rt_string& other);  // deep copy; keeps a block that is big enough
    rt_string& operator=(const char* text);
    ~rt_string();

    const char* c_str() const { return data; }
    bool empty() const { return length == 0; }
};

// Construction, assignment, destruction (the free-function form of the members above).
void str_init(rt_string& s);                         // makes the empty value
void str_destroy(rt_string& s);                      // frees an owned block; leaves null, 0, 0
void str_from_text(rt_string& s, const char* text);  // constructs on uninitialised storage
void str_copy_construct(rt_string& s, const rt_string& other);
void str_from_number(rt_string& s, double value);            // number-to-text rule
rt_string& str_assign_text(rt_string& s, const char* text);  // null counts as ""
rt_string& str_assign(rt_string& s, const rt_string& other);
rt_string& str_assign_number(rt_string& s, double value);
// Room for n bytes + 0; caller fills, then calls str_recount
char* str_reserve(rt_string& s, std::uint32_t n);
void str_recount(rt_string& s);  // length = bytes up to the first 0 byte

// Joining: each returns a new string.
rt_string str_concat(const rt_string& left, const rt_string& right);
rt_string str_concat_text(const rt_string& left, const char* right);
rt_string str_concat_text_str(const char* left, const rt_string& right);
rt_string str_concat_text_num(const char* left, double right);
rt_string str_concat_num_text(double left, const char* right);
rt_string str_concat_str_num(const rt_string& left, double right);
rt_string str_concat_num_str(double left, const rt_string& right);

// Comparison: byte-wise, unsigned, case-sensitive (strcmp); results are 1 or 0. Equality of two
// string values also requires equal lengths. A string compared with a number compares its
// text-to-number value.
enum class rt_relation { equal, not_equal, less, greater, less_equal, greater_equal };
double str_compare_str(const rt_string& a, rt_relation r, const rt_string& b);
double str_compare_text(const rt_string& s, rt_relation r, const char* text);
double str_compare_text_str(const char* text, rt_relation r, const rt_string& s);
double str_compare_num(const rt_string& s, rt_relation r, double number);
double str_compare_num_str(double number, rt_relation r, const rt_string& s);
double str_equal_text(const rt_string& s, const char* text);
double str_not_equal_text(const rt_string& s, const char* text);
double str_equal(const rt_string& a, const rt_string& b);
int str_compare(const rt_string& a, const char* text);  // <0, 0, >0 like strcmp

// String functions.
double str_to_number(const rt_string& s);  // text-to-number rule; no number gives 0
double str_len(const rt_string& s);
rt_string str_mid(const rt_string& s, double start, double count);  // 0-based; "" when outside
double str_find(const rt_string& s, const char* text);  // 0-based position or -1; "" is at 0
rt_string str_upper(const rt_string& s);                // only a-z change
rt_string str_lower(const rt_string& s);                // only A-Z change
rt_string str_chr(double code);                         // code truncated to a byte; 0 gives ""

// Operators for code that reads better with them; each maps onto one operation above.
// clang-format off
inline rt_string operator+(const rt_string& a, const rt_string& b) { return str_concat(a, b); }
inline rt_string operator+(const rt_string& a, const char* b) { return str_concat_text(a, b); }
inline rt_string operator+(const char* a, const rt_string& b) { return str_concat_text_str(a, b); }
inline rt_string operator+(const rt_string& a, double b) { return str_concat_str_num(a, b); }
inline rt_string operator+(double a, const rt_string& b) { return str_concat_num_str(a, b); }
inline bool operator==(const rt_string& a, const rt_string& b) { return str_equal(a, b) != 0; }
inline bool operator==(const rt_string& a, const char* b) { return str_equal_text(a, b) != 0; }
// clang-format on
