// Arrays: dimensioning, re-dimensioning, bounds and the error stop on bad access.
#include "core/rt_array.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/rt_string.h"
#include "support/temp_dir.h"

namespace {

using testing_support::read_file;
using testing_support::TempDir;

// The second line of the end report is the error code.
std::string error_code_in_report(const TempDir& tmp)
{
    const std::string report = read_file(tmp.file("ErrorLog.txt"));
    const std::size_t first = report.find("\r\n");
    if (first == std::string::npos) return "";
    const std::size_t second = report.find("\r\n", first + 2);
    return report.substr(first + 2, second - first - 2);
}

// Runs the statement in a child process, expects the error stop, and returns its code.
#define EXPECT_ERROR_STOP(tmp, statement, code)                    \
    do {                                                           \
        testing_support::ScopedEnv tmpdir("TMPDIR", (tmp).path()); \
        std::remove((tmp).file("ErrorLog.txt").c_str());           \
        EXPECT_EXIT(statement, testing::ExitedWithCode(0), "");    \
        EXPECT_EQ(error_code_in_report(tmp), code);                \
    } while (0)

TEST(NumArray, TwoDimensionsWithCapacityAndZeroFill)
{
    rt_num_array a;
    rt_num_array_dim(a, 10, 5);
    EXPECT_EQ(a.capacity, 56);
    EXPECT_EQ(a.dimensions, 2);
    EXPECT_EQ(a.stride1, 10);
    EXPECT_EQ(a.stride2, 50);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 10; ++x) EXPECT_EQ(rt_num_array_at(a, x, y), 0);
    rt_num_array_at(a, 9, 4) = 7;
    EXPECT_EQ(a.data[49], 7);          // first index fastest
    rt_num_array_at(a, 1.9, 0.5) = 3;  // indices truncate
    EXPECT_EQ(a.data[1], 3);
}

TEST(NumArray, SmallArraysUseInlineStorage)
{
    rt_num_array small;
    rt_num_array_dim(small, 4, 2);
    EXPECT_EQ(small.capacity, 16);
    EXPECT_EQ(small.data, small.inline_storage);
    rt_num_array big;
    rt_num_array_dim(big, 17);
    EXPECT_EQ(big.capacity, 24);
    EXPECT_NE(big.data, big.inline_storage);
}

TEST(NumArray, DimensionCountFollowsTheSizesGiven)
{
    rt_num_array a;
    rt_num_array_dim(a, 3);
    EXPECT_EQ(a.dimensions, 1);
    rt_num_array_dim(a, 3, 2, 2);
    EXPECT_EQ(a.dimensions, 3);
    rt_num_array_dim(a, 3, 2, 2, 2);
    EXPECT_EQ(a.dimensions, 4);
    rt_num_array_dim(a, 3, 0, 2);
    EXPECT_EQ(a.dimensions, 3);
}

TEST(NumArray, RedimensioningReusesStorageAndClearsIt)
{
    rt_num_array a;
    rt_num_array_dim(a, 40);
    double* block = a.data;
    rt_num_array_at(a, 39) = 1;
    rt_num_array_dim(a, 20);
    EXPECT_EQ(a.data, block);
    EXPECT_EQ(a.capacity, 48);  // kept
    EXPECT_EQ(a.data[39], 0);   // the whole storage is zeroed
}

TEST(NumArray, BoundsReportTheSizesAsGiven)
{
    rt_num_array a;
    rt_num_array_dim(a, 10, 5);
    EXPECT_EQ(rt_array_bounds(a, 0), 10);
    EXPECT_EQ(rt_array_bounds(a, 1), 5);
    EXPECT_EQ(rt_array_bounds(a, 2), 0);
    EXPECT_EQ(rt_array_bounds(a, 7), 0);
    EXPECT_EQ(rt_array_bounds(a, -1), 0);
}

TEST(NumArray, RedimKeepsTheOverlap)
{
    rt_num_array a;
    rt_num_array_dim(a, 3, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x) rt_num_array_at(a, x, y) = 10 * x + y + 1;
    rt_num_array_redim(a, 2, 5);
    EXPECT_EQ(rt_array_bounds(a, 0), 2);
    EXPECT_EQ(rt_array_bounds(a, 1), 5);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 2; ++x)
            EXPECT_EQ(rt_num_array_at(a, x, y), y < 3 ? 10 * x + y + 1 : 0) << x << "," << y;
}

TEST(NumArray, RedimMovesBetweenInlineAndHeapStorage)
{
    rt_num_array a;
    rt_num_array_dim(a, 4);
    for (int i = 0; i < 4; ++i) rt_num_array_at(a, i) = i + 1;
    rt_num_array_redim(a, 100);
    EXPECT_NE(a.data, a.inline_storage);
    EXPECT_EQ(rt_num_array_at(a, 3), 4);
    EXPECT_EQ(rt_num_array_at(a, 99), 0);
    rt_num_array_redim(a, 2);
    EXPECT_EQ(a.data, a.inline_storage);
    EXPECT_EQ(rt_num_array_at(a, 0), 1);
    EXPECT_EQ(rt_num_array_at(a, 1), 2);
}

// An empty list of records starts with a first size of 0 and grows one record at a time;
// removing a record shifts the later ones down and shrinks the list.
TEST(NumArray, RecordListGrowsAndShrinks)
{
    rt_num_array list;
    rt_num_array_dim(list, 0, 4);
    EXPECT_EQ(rt_array_bounds(list, 0), 0);
    EXPECT_EQ(rt_array_bounds(list, 1), 4);
    for (int n = 1; n <= 3; ++n) {
        rt_num_array_redim(list, n, 4);
        for (int f = 0; f < 4; ++f) rt_num_array_at(list, n - 1, f) = 100 * n + f;
    }
    // Remove record 0 of 3.
    rt_array_copy_slice(list, 0, 1);
    rt_array_copy_slice(list, 1, 2);
    rt_num_array_redim(list, 2, 4);
    ASSERT_EQ(rt_array_bounds(list, 0), 2);
    for (int f = 0; f < 4; ++f) {
        EXPECT_EQ(rt_num_array_at(list, 0, f), 200 + f);
        EXPECT_EQ(rt_num_array_at(list, 1, f), 300 + f);
    }
}

TEST(NumArray, CopySliceOnOneDimension)
{
    rt_num_array a;
    rt_num_array_dim(a, 3);
    rt_num_array_at(a, 2) = 5;
    rt_array_copy_slice(a, 0, 2);
    EXPECT_EQ(rt_num_array_at(a, 0), 5);
}

TEST(ArrayErrors, BadAccessStopsWithItsCode)
{
    TempDir tmp;
    EXPECT_ERROR_STOP(
        tmp,
        {
            rt_num_array a;
            rt_num_array_at(a, 0);
        },
        "8");
    EXPECT_ERROR_STOP(
        tmp,
        {
            rt_num_array a;
            rt_num_array_dim(a, 0, 4);
            rt_num_array_at(a, 0, 0);
        },
        "8");
    EXPECT_ERROR_STOP(
        tmp,
        {
            rt_num_array a;
            rt_num_array_dim(a, 10, 5);
            rt_num_array_at(a, 10, 0);
        },
        "9");
    EXPECT_ERROR_STOP(
        tmp,
        {
            rt_num_array a;
            rt_num_array_dim(a, 10, 5);
            rt_num_array_at(a, 0, 5);
        },
        "9");
    EXPECT_ERROR_STOP(
        tmp,
        {
            rt_num_array a;
            rt_num_array_dim(a, 10, 5);
            rt_num_array_at(a, -1, 0);
        },
        "9");
    EXPECT_ERROR_STOP(
        tmp,
        {
            rt_num_array a;
            rt_num_array_dim(a, 3);
            rt_array_copy_slice(a, 0, 3);
        },
        "9");
    EXPECT_ERROR_STOP(
        tmp,
        {
            rt_str_array a;
            rt_str_array_at(a, 0);
        },
        "8");
    EXPECT_ERROR_STOP(
        tmp,
        {
            rt_str_array a;
            rt_str_array_dim(a, 2, 2);
            rt_str_array_at(a, 0, 2);
        },
        "9");
}

TEST(ArrayErrors, UncheckedDimensionsStillStayInsideTheStorage)
{
    TempDir tmp;
    // The second size is 0, so its index is not checked against a size; the element it
    // names lies far outside the storage and must stop the program, not touch memory.
    EXPECT_ERROR_STOP(
        tmp,
        {
            rt_num_array a;
            rt_num_array_dim(a, 5, 0, 2);
            rt_num_array_at(a, 0, 100, 0);
        },
        "9");
}

TEST(ArrayErrors, ImpossibleSizesStopWithOutOfMemory)
{
    TempDir tmp;
    EXPECT_ERROR_STOP(
        tmp,
        {
            rt_num_array a;
            rt_num_array_dim(a, 100000, 100000);
        },
        "7");
    EXPECT_ERROR_STOP(
        tmp,
        {
            rt_str_array a;
            rt_str_array_dim(a, 65536, 65536, 2);
        },
        "7");
    // A count past 64 bits must not wrap to a small array.
    EXPECT_ERROR_STOP(
        tmp,
        {
            rt_num_array a;
            rt_num_array_dim(a, 65536, 65536, 65536, 65536);
        },
        "7");
    // A string that cannot grow is out of memory too, with the end report.
    EXPECT_ERROR_STOP(
        tmp,
        {
            rt_string s;
            str_reserve(s, UINT32_MAX - 100);
        },
        "7");
}

TEST(StrArray, ElementsAreEmptyStringsOfTheirOwn)
{
    rt_str_array a;
    rt_str_array_dim(a, 10, 4);
    EXPECT_EQ(a.capacity, 48);
    EXPECT_EQ(rt_array_bounds(a, 1), 4);
    rt_str_array_at(a, 9, 3) = "Hans";
    rt_str_array_at(a, 0, 0) = rt_str_array_at(a, 9, 3);
    rt_str_array_at(a, 9, 3) = "Gretel";
    EXPECT_STREQ(rt_str_array_at(a, 0, 0).c_str(), "Hans");

    rt_str_array_dim(a, 5);  // smaller: the block is reused and every element emptied
    EXPECT_EQ(a.capacity, 48);
    EXPECT_STREQ(a.data[39].c_str(), "");
    EXPECT_STREQ(rt_str_array_at(a, 0).c_str(), "");
}

}  // namespace
