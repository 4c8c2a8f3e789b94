// String values: growth in 512-byte steps, deep copies, and the string functions.
// Every operation works up to the first 0 byte; a string never holds one.
#include "core/rt_string.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "core/error_stop.h"
#include "core/number_text.h"
#include "core/rt_number.h"

namespace {

// The one empty text every empty value points at. It is never written and never freed.
char shared_empty_text[1] = {0};

constexpr std::uint32_t block_step = 512;

bool owns_block(const rt_string& s)
{
    return s.capacity != 0;
}

// A string that cannot grow is out of memory: the runtime error stop with code 7, which still
// writes the end report and saves a changed INI document.
[[noreturn]] void out_of_memory()
{
    rt_set_error(7);
    rt_error_stop();
}

// Makes room for n characters plus the terminator. The new capacity is the smallest
// multiple of 512 above n, and a block never shrinks. A length whose block would not fit the
// 32-bit capacity cannot exist.
void grow(rt_string& s, std::uint64_t n)
{
    if (s.capacity > n) return;
    if (n >= UINT32_MAX - block_step) out_of_memory();
    const auto capacity = static_cast<std::uint32_t>(n / block_step * block_step + block_step);
    char* block = static_cast<char*>(std::malloc(capacity));
    if (block == nullptr) out_of_memory();
    if (s.data != nullptr && s.data != shared_empty_text) {
        std::memcpy(block, s.data, s.length + 1);
        std::free(s.data);
    } else {
        block[0] = 0;
    }
    s.data = block;
    s.capacity = capacity;
}

void set_text(rt_string& s, const char* text, std::uint32_t n)
{
    if (n == 0 && !owns_block(s)) {
        s.data = shared_empty_text;
        s.length = 0;
        return;
    }
    grow(s, n);
    std::memmove(s.data, text, n);  // text may point into s itself
    s.data[n] = 0;
    s.length = n;
}

std::uint32_t text_length(const char* text)
{
    return text == nullptr ? 0 : static_cast<std::uint32_t>(std::strlen(text));
}

// A new string holding two texts one after the other.
rt_string joined(const char* left, std::uint32_t left_length, const char* right,
                 std::uint32_t right_length)
{
    rt_string result;
    const std::uint64_t total = std::uint64_t{left_length} + right_length;
    if (total == 0) return result;
    grow(result, total);
    const auto n = static_cast<std::uint32_t>(total);
    std::memcpy(result.data, left, left_length);
    std::memcpy(result.data + left_length, right, right_length);
    result.data[n] = 0;
    result.length = n;
    return result;
}

}  // namespace

// ---- construction and assignment --------------------------------------------------------

void str_init(rt_string& s)
{
    s.data = shared_empty_text;
    s.capacity = 0;
    s.length = 0;
}

void str_destroy(rt_string& s)
{
    if (owns_block(s)) std::free(s.data);
    s.data = nullptr;
    s.capacity = 0;
    s.length = 0;
}

void str_from_text(rt_string& s, const char* text)
{
    str_init(s);
    str_assign_text(s, text);
}

void str_copy_construct(rt_string& s, const rt_string& other)
{
    str_init(s);
    str_assign(s, other);
}

void str_from_number(rt_string& s, double value)
{
    str_init(s);
    str_assign_number(s, value);
}

rt_string& str_assign_text(rt_string& s, const char* text)
{
    set_text(s, text == nullptr ? "" : text, text_length(text));
    return s;
}

rt_string& str_assign(rt_string& s, const rt_string& other)
{
    if (&s != &other) set_text(s, other.data, other.length);
    return s;
}

rt_string& str_assign_number(rt_string& s, double value)
{
    char text[rt_number_text_size];
    const int n = rt_number_to_text(value, text);
    grow(s, 64);  // conversions make room for 64 characters first
    set_text(s, text, static_cast<std::uint32_t>(n));
    return s;
}

char* str_reserve(rt_string& s, std::uint32_t n)
{
    grow(s, n);
    return s.data;
}

void str_recount(rt_string& s)
{
    s.length = text_length(s.data);
}

rt_string::rt_string() noexcept
{
    str_init(*this);
}
rt_string::rt_string(const char* text)
{
    str_from_text(*this, text);
}
rt_string::rt_string(const rt_string& other)
{
    str_copy_construct(*this, other);
}
rt_string& rt_string::operator=(const rt_string& other)
{
    return str_assign(*this, other);
}
rt_string& rt_string::operator=(const char* text)
{
    return str_assign_text(*this, text);
}
rt_string::~rt_string()
{
    str_destroy(*this);
}

// ---- joining ----------------------------------------------------------------------------

rt_string str_concat(const rt_string& left, const rt_string& right)
{
    return joined(left.data, left.length, right.data, right.length);
}

rt_string str_concat_text(const rt_string& left, const char* right)
{
    return joined(left.data, left.length, right, text_length(right));
}

rt_string str_concat_text_str(const char* left, const rt_string& right)
{
    return joined(left, text_length(left), right.data, right.length);
}

rt_string str_concat_text_num(const char* left, double right)
{
    char number[rt_number_text_size];
    const int n = rt_number_to_text(right, number);
    return joined(left, text_length(left), number, static_cast<std::uint32_t>(n));
}

rt_string str_concat_num_text(double left, const char* right)
{
    char number[rt_number_text_size];
    const int n = rt_number_to_text(left, number);
    return joined(number, static_cast<std::uint32_t>(n), right, text_length(right));
}

rt_string str_concat_str_num(const rt_string& left, double right)
{
    return str_concat_text_num(left.data, right);
}

rt_string str_concat_num_str(double left, const rt_string& right)
{
    return str_concat_num_text(left, right.data);
}

// ---- comparison -------------------------------------------------------------------------

int str_compare(const rt_string& a, const char* text)
{
    return std::strcmp(a.data, text == nullptr ? "" : text);  // strcmp compares as unsigned char
}

double str_equal_text(const rt_string& s, const char* text)
{
    return str_compare(s, text) == 0;
}
double str_not_equal_text(const rt_string& s, const char* text)
{
    return str_compare(s, text) != 0;
}

double str_equal(const rt_string& a, const rt_string& b)
{
    return a.length == b.length && std::memcmp(a.data, b.data, a.length) == 0;
}

namespace {

// The relation from an ordering result (<0, 0, >0), as 1 or 0.
template <typename T>
double holds(T order, rt_relation r)
{
    switch (r) {
        case rt_relation::equal:
            return order == 0;
        case rt_relation::not_equal:
            return order != 0;
        case rt_relation::less:
            return order < 0;
        case rt_relation::greater:
            return order > 0;
        case rt_relation::less_equal:
            return order <= 0;
        case rt_relation::greater_equal:
            return order >= 0;
    }
    return 0;
}

}  // namespace

double str_compare_str(const rt_string& a, rt_relation r, const rt_string& b)
{
    if (r == rt_relation::equal) return str_equal(a, b);
    if (r == rt_relation::not_equal) return 1 - str_equal(a, b);
    return holds(std::strcmp(a.data, b.data), r);
}

double str_compare_text(const rt_string& s, rt_relation r, const char* text)
{
    return holds(str_compare(s, text), r);
}

double str_compare_text_str(const char* text, rt_relation r, const rt_string& s)
{
    return holds(std::strcmp(text == nullptr ? "" : text, s.data), r);
}

namespace {

double compare_numbers(double a, rt_relation r, double b)
{
    // NaN compares like the platform's floating-point comparison: only "<>" holds.
    if (std::isnan(a) || std::isnan(b)) return r == rt_relation::not_equal;
    return holds(a < b ? -1 : a > b ? 1 : 0, r);
}

}  // namespace

double str_compare_num(const rt_string& s, rt_relation r, double number)
{
    return compare_numbers(str_to_number(s), r, number);
}

double str_compare_num_str(double number, rt_relation r, const rt_string& s)
{
    return compare_numbers(number, r, str_to_number(s));
}

// ---- string functions -------------------------------------------------------------------

double str_to_number(const rt_string& s)
{
    return rt_text_to_number(s.data);
}

double str_len(const rt_string& s)
{
    return s.length;
}

rt_string str_mid(const rt_string& s, double start_value, double count_value)
{
    const long long length = s.length;
    const long long start = rt_to_int(start_value);
    long long count = rt_to_int(count_value);
    if (start + count > length) count = length - start;
    rt_string result;
    if (count <= 0 || start > length || start < 0) return result;
    return joined(s.data + start, static_cast<std::uint32_t>(count), "", 0);
}

double str_find(const rt_string& s, const char* text)
{
    const char* found = std::strstr(s.data, text == nullptr ? "" : text);
    return found == nullptr ? -1 : static_cast<double>(found - s.data);
}

rt_string str_upper(const rt_string& s)
{
    rt_string result(s);
    for (std::uint32_t i = 0; i < result.length; ++i) {
        if (result.data[i] >= 'a' && result.data[i] <= 'z') result.data[i] -= 'a' - 'A';
    }
    return result;
}

rt_string str_lower(const rt_string& s)
{
    rt_string result(s);
    for (std::uint32_t i = 0; i < result.length; ++i) {
        if (result.data[i] >= 'A' && result.data[i] <= 'Z') result.data[i] += 'a' - 'A';
    }
    return result;
}

rt_string str_chr(double code)
{
    const char text[2] = {static_cast<char>(static_cast<unsigned char>(rt_to_int(code))), 0};
    return rt_string(text);
}
