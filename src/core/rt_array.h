// Number and string arrays of up to four dimensions, first index fastest. Every access is
// bounds-checked; a bad access ends the program through the error stop (code 8: not
// dimensioned, code 9: bad index, code 7: no storage).
#pragma once
#include <cstdint>

#include "core/rt_string.h"

struct rt_num_array {
    double* data = nullptr;          // points at inline_storage while capacity <= 16
    double inline_storage[16] = {};  // small arrays need no heap block
    std::int32_t stride1 = 0, stride2 = 0, stride3 = 0;  // N0, N0*N1, N0*N1*N2
    std::int32_t size[4] = {};    // as given when dimensioned; 0 for an unused dimension
    std::int32_t dimensions = 0;  // 0 before the first dimensioning, then 1..4
    std::int32_t capacity = 0;    // elements the storage holds

    rt_num_array() = default;
    ~rt_num_array();
    rt_num_array(const rt_num_array&) = delete;  // data may point into the object itself
    rt_num_array& operator=(const rt_num_array&) = delete;
};

struct rt_str_array {
    rt_string* data = nullptr;
    std::int32_t stride1 = 0, stride2 = 0, stride3 = 0;
    std::int32_t size[4] = {};
    std::int32_t dimensions = 0;
    std::int32_t capacity = 0;

    rt_str_array() = default;
    ~rt_str_array();
    rt_str_array(const rt_str_array&) = delete;
    rt_str_array& operator=(const rt_str_array&) = delete;
};

// Sizes and indices are numbers truncated toward zero; the game passes unused ones as 0.
// All elements 0
void rt_num_array_dim(rt_num_array& a, double n0, double n1 = 0, double n2 = 0, double n3 = 0);
// Keeps the overlap, new elements 0
void rt_num_array_redim(rt_num_array& a, double n0, double n1 = 0, double n2 = 0, double n3 = 0);
// Read and write
double& rt_num_array_at(rt_num_array& a, double i0, double i1 = 0, double i2 = 0, double i3 = 0);
double rt_array_bounds(const rt_num_array& a, double dimension);  // size as given; 0 outside 0..3
// (s, j, k, l) onto (d, j, k, l) for all j, k, l
void rt_array_copy_slice(rt_num_array& a, double target, double source);

// Every element ""
void rt_str_array_dim(rt_str_array& a, double n0, double n1 = 0, double n2 = 0, double n3 = 0);
rt_string& rt_str_array_at(rt_str_array& a, double i0, double i1 = 0, double i2 = 0, double i3 = 0);
double rt_array_bounds(const rt_str_array& a, double dimension);
