// Whole-number helpers for runtime values: every number is a double, and operations that
// need an integer (sizes, indices, channels, slots, codes) truncate it toward zero.
#pragma once
#include <climits>
#include <cmath>

// Truncation toward zero into int, saturating at the int range; NaN gives 0.
inline int rt_to_int(double value)
{
    if (std::isnan(value)) return 0;
    if (value >= static_cast<double>(INT_MAX)) return INT_MAX;
    if (value <= static_cast<double>(INT_MIN)) return INT_MIN;
    return static_cast<int>(value);
}

// Remainder of the integer division of the truncated operands, with the sign of a;
// 0 when b truncates to 0.
inline double rt_mod(double a, double b)
{
    const long long ia = rt_to_int(a);
    const long long ib = rt_to_int(b);
    if (ib == 0) return 0;
    return static_cast<double>(ia % ib);
}
