// Numbers as text and text as numbers, with the same digits on every platform.
// Pure functions: no allocation, no locale.
#pragma once

constexpr int rt_number_text_size = 64;  // room for any result below, terminator included

// Number-to-text rule: 10 significant digits, an exact tie rounded away from zero
// (1234567890.5 -> "1234567891"); fixed form for exponents -1..9, else
// "d.ddde+XXX" with a three-digit exponent; trailing zeros and a trailing point dropped.
// 5 -> "5", 0.5 -> "0.5", 1e10 -> "1.e+010", 0.05 -> "5.e-002". Returns the text length.
int rt_number_to_text(double value, char (&out)[rt_number_text_size]);

// Text-to-number rule: skips leading white space and converts the longest prefix of the
// form [sign] digits [. digits] [e [sign] digits]; no such prefix gives 0. No hex, inf or nan.
double rt_text_to_number(const char* text);

// printf "%.2g" with the exponent widened to three digits and an exact tie rounded away from
// zero: 700 -> "7e+002", 12 -> "12", 125 -> "1.3e+002".
int rt_format_g2(double value, char (&out)[rt_number_text_size]);
