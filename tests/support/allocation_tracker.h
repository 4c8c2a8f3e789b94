// Allocation tracking for reader tests: a program that links this replaces the global
// operator new, so a test can see how much a reader asked for at once. Plain malloc and free
// underneath keep the sanitizers' checks.
#pragma once
#include <cstddef>
#include <functional>

namespace testing_support {

std::size_t largest_allocation_during(const std::function<void()>& body);  // largest single request
std::size_t allocation_count_during(const std::function<void()>& body);    // number of requests

}  // namespace testing_support
