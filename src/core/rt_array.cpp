// Array dimensioning and checked element access. Number arrays of up to 16 elements live in
// the array object itself; larger ones and all string arrays use a heap block.
#include "core/rt_array.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <new>

#include "core/error_stop.h"
#include "core/rt_number.h"

namespace {

constexpr std::int32_t inline_capacity = 16;

[[noreturn]] void fail(int code)
{
    rt_set_error(code);
    rt_error_stop();
}

// The shape every dimensioning computes from the four sizes.
struct Shape {
    std::int32_t size[4];
    std::int32_t required_capacity;  // element count rounded down to a multiple of 8, plus 8
    std::int32_t dimensions;
    std::int32_t stride1, stride2, stride3;
};

Shape shape_for(double n0, double n1, double n2, double n3)
{
    Shape shape{};
    shape.size[0] = std::max(rt_to_int(n0), 0);
    shape.size[1] = rt_to_int(n1);
    shape.size[2] = rt_to_int(n2);
    shape.size[3] = rt_to_int(n3);

    // Sizes below 1 count as 1, except the first, which counts as 0. No block of more than
    // INT32_MAX elements can exist; stopping as soon as the count passes it also keeps the
    // product of four 32-bit sizes from overflowing.
    long long count = shape.size[0];
    for (int d = 1; d < 4; ++d) {
        count *= std::max(shape.size[d], 1);
        if (count > INT32_MAX) fail(7);
    }
    const long long required = count / 8 * 8 + 8;
    if (required > INT32_MAX) fail(7);
    shape.required_capacity = static_cast<std::int32_t>(required);

    shape.dimensions = shape.size[3] != 0 ? 4 : shape.size[2] != 0 ? 3 : shape.size[1] == 0 ? 1 : 2;
    // Strides wrap like the 32-bit fields they are; every access is checked against the
    // capacity, so a wrapped stride can only lead to an error stop.
    const auto mul = [](std::int32_t a, std::int32_t b) {
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) *
                                         static_cast<std::uint32_t>(b));
    };
    shape.stride1 = shape.size[0];
    shape.stride2 = mul(shape.stride1, shape.size[1]);
    shape.stride3 = mul(shape.stride2, shape.size[2]);
    return shape;
}

template <typename Array>
void apply_shape(Array& a, const Shape& shape)
{
    std::copy(std::begin(shape.size), std::end(shape.size), a.size);
    a.dimensions = shape.dimensions;
    a.stride1 = shape.stride1;
    a.stride2 = shape.stride2;
    a.stride3 = shape.stride3;
}

template <typename Array>
bool needs_new_storage(const Array& a, const Shape& shape)
{
    return a.capacity < shape.required_capacity || shape.size[0] < 1;
}

void release_storage(rt_num_array& a)
{
    if (a.data != nullptr && a.data != a.inline_storage) std::free(a.data);
    a.data = nullptr;
    a.capacity = 0;
}

// Takes fresh, zeroed storage of the given capacity into a (which holds none).
void take_storage(rt_num_array& a, std::int32_t capacity)
{
    if (capacity <= inline_capacity) {
        a.data = a.inline_storage;
    } else {
        a.data =
            static_cast<double*>(std::malloc(sizeof(double) * static_cast<std::size_t>(capacity)));
        if (a.data == nullptr) fail(7);
    }
    a.capacity = capacity;
}

// Position of an element after the checks: 8 when not dimensioned, 9 for a negative index,
// an index past its dimension or a position outside the storage.
template <typename Array>
std::int32_t checked_position(const Array& a, double d0, double d1, double d2, double d3)
{
    if (a.size[0] == 0) fail(8);
    const std::int32_t index[4] = {rt_to_int(d0), rt_to_int(d1), rt_to_int(d2), rt_to_int(d3)};
    if (index[0] < 0 || index[1] < 0 || index[2] < 0 || index[3] < 0 || a.data == nullptr) fail(9);
    for (int d = 0; d < 4; ++d) {
        if (a.size[d] != 0 && index[d] >= a.size[d]) fail(9);
    }
    // Indices of dimensions dimensioned with size 0 are not checked against a size; the
    // storage check keeps such an access inside the block.
    const long long position =
        static_cast<long long>(index[0]) + static_cast<long long>(index[1]) * a.stride1 +
        static_cast<long long>(index[2]) * a.stride2 + static_cast<long long>(index[3]) * a.stride3;
    if (position < 0 || position >= a.capacity) fail(9);
    return static_cast<std::int32_t>(position);
}

template <typename Array>
double bounds_of(const Array& a, double dimension)
{
    const int d = rt_to_int(dimension);
    return d >= 0 && d < 4 ? a.size[d] : 0;
}

}  // namespace

// ---- number arrays ----------------------------------------------------------------------

rt_num_array::~rt_num_array()
{
    release_storage(*this);
}

void rt_num_array_dim(rt_num_array& a, double n0, double n1, double n2, double n3)
{
    const Shape shape = shape_for(n0, n1, n2, n3);
    if (needs_new_storage(a, shape)) {
        release_storage(a);
        take_storage(a, shape.required_capacity);
    }
    std::fill(a.data, a.data + a.capacity, 0.0);
    apply_shape(a, shape);
}

void rt_num_array_redim(rt_num_array& a, double n0, double n1, double n2, double n3)
{
    rt_num_array fresh;
    rt_num_array_dim(fresh, n0, n1, n2, n3);
    if (a.dimensions > 0 && a.data != nullptr) {
        // Copy every element inside both the old and the new sizes; unused dimensions run once.
        const auto extent = [&](int d) {
            return d < a.dimensions ? std::max(std::min(a.size[d], fresh.size[d]), 0) : 1;
        };
        for (std::int32_t l = 0; l < extent(3); ++l)
            for (std::int32_t k = 0; k < extent(2); ++k)
                for (std::int32_t j = 0; j < extent(1); ++j)
                    for (std::int32_t i = 0; i < extent(0); ++i)
                        rt_num_array_at(fresh, i, j, k, l) = rt_num_array_at(a, i, j, k, l);
    }

    // The fresh storage replaces the old; inline storage is copied, a heap block handed over.
    release_storage(a);
    if (fresh.data == fresh.inline_storage) {
        std::copy(std::begin(fresh.inline_storage), std::end(fresh.inline_storage),
                  a.inline_storage);
        a.data = a.inline_storage;
    } else {
        a.data = fresh.data;
    }
    a.capacity = fresh.capacity;
    fresh.data = nullptr;
    fresh.capacity = 0;
    std::copy(std::begin(fresh.size), std::end(fresh.size), a.size);
    a.dimensions = fresh.dimensions;
    a.stride1 = fresh.stride1;
    a.stride2 = fresh.stride2;
    a.stride3 = fresh.stride3;
}

double& rt_num_array_at(rt_num_array& a, double i0, double i1, double i2, double i3)
{
    return a.data[checked_position(a, i0, i1, i2, i3)];
}

double rt_array_bounds(const rt_num_array& a, double dimension)
{
    return bounds_of(a, dimension);
}

void rt_array_copy_slice(rt_num_array& a, double target, double source)
{
    const auto extent = [&](int d) { return std::max(a.size[d], 1); };
    for (std::int32_t l = 0; l < extent(3); ++l)
        for (std::int32_t k = 0; k < extent(2); ++k)
            for (std::int32_t j = 0; j < extent(1); ++j)
                rt_num_array_at(a, target, j, k, l) = rt_num_array_at(a, source, j, k, l);
}

// ---- string arrays ----------------------------------------------------------------------

namespace {

void release_storage(rt_str_array& a)
{
    if (a.data != nullptr) {
        for (std::int32_t i = 0; i < a.capacity; ++i) a.data[i].~rt_string();
        std::free(a.data);
    }
    a.data = nullptr;
    a.capacity = 0;
}

}  // namespace

rt_str_array::~rt_str_array()
{
    release_storage(*this);
}

void rt_str_array_dim(rt_str_array& a, double n0, double n1, double n2, double n3)
{
    const Shape shape = shape_for(n0, n1, n2, n3);
    if (needs_new_storage(a, shape)) {
        release_storage(a);
        void* block =
            std::malloc(sizeof(rt_string) * static_cast<std::size_t>(shape.required_capacity));
        if (block == nullptr) fail(7);
        a.data = static_cast<rt_string*>(block);
        for (std::int32_t i = 0; i < shape.required_capacity; ++i) new (&a.data[i]) rt_string();
        a.capacity = shape.required_capacity;
    } else {
        for (std::int32_t i = 0; i < a.capacity; ++i) a.data[i] = "";
    }
    apply_shape(a, shape);
}

rt_string& rt_str_array_at(rt_str_array& a, double i0, double i1, double i2, double i3)
{
    return a.data[checked_position(a, i0, i1, i2, i3)];
}

double rt_array_bounds(const rt_str_array& a, double dimension)
{
    return bounds_of(a, dimension);
}
