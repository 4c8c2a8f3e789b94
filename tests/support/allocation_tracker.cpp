// Replaces the global operator new and delete of the test program that links it, counting
// requests and remembering the largest.
#include "support/allocation_tracker.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<std::size_t> largest_request{0};
std::atomic<std::size_t> request_count{0};

void* counted_new(std::size_t size)
{
    ++request_count;
    std::size_t seen = largest_request.load();
    while (size > seen && !largest_request.compare_exchange_weak(seen, size)) {
    }
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}

}  // namespace

void* operator new(std::size_t size)
{
    return counted_new(size);
}
void* operator new[](std::size_t size)
{
    return counted_new(size);
}
void operator delete(void* p) noexcept
{
    std::free(p);
}
void operator delete[](void* p) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept
{
    std::free(p);
}

namespace testing_support {

std::size_t largest_allocation_during(const std::function<void()>& body)
{
    largest_request = 0;
    body();
    return largest_request.load();
}

std::size_t allocation_count_during(const std::function<void()>& body)
{
    const std::size_t before = request_count.load();
    body();
    return request_count.load() - before;
}

}  // namespace testing_support
