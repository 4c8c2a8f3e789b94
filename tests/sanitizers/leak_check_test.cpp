// The leak check of the sanitizer build survives the dynamic TLS blocks of run-time-loaded
// modules. Its runtime (GCC 12, clang 14) takes a block that starts 16 bytes into a page for an
// old glibc's layout and reads the allocator's chunk header before it as the block's bounds; the
// leak check then scans that made-up range, and its tracer crashes ("LeakSanitizer has
// encountered a fatal error") in whichever test had a block land there. The test options turn
// that reading off (tests/support/test_main.cpp).
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <thread>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

namespace {

// Threads that each touch the module's thread-local bytes and stay alive until released, so
// that the leak check finds their blocks.
class ThreadsHoldingBlocks {
public:
    explicit ThreadsHoldingBlocks(char* (*touch)()) : touch_(touch) {}
    ~ThreadsHoldingBlocks()
    {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            release_ = true;
        }
        changed_.notify_all();
        for (std::thread& t : threads_) t.join();
    }

    // Starts threads until `wanted` blocks begin 16 bytes into a page (or `most` threads run);
    // returns how many do.
    int start_until(int wanted, int most)
    {
        while (static_cast<int>(threads_.size()) < most) {
            threads_.emplace_back([this] {
                const auto at = reinterpret_cast<std::uintptr_t>(touch_());
                std::unique_lock<std::mutex> lock(mutex_);
                on_page_offset_16_ += at % 4096 == 16 ? 1 : 0;
                ++started_;
                changed_.notify_all();
                changed_.wait(lock, [this] { return release_; });
            });
            std::unique_lock<std::mutex> lock(mutex_);
            changed_.wait(lock, [this] { return started_ == static_cast<int>(threads_.size()); });
            if (on_page_offset_16_ >= wanted) break;
        }
        std::lock_guard<std::mutex> lock(mutex_);
        return on_page_offset_16_;
    }

private:
    char* (*touch_)();
    std::vector<std::thread> threads_;
    std::mutex mutex_;
    std::condition_variable changed_;
    int started_ = 0, on_page_offset_16_ = 0;
    bool release_ = false;
};

TEST(LeakCheck, SurvivesDynamicTlsBlocksThatStart16BytesIntoAPage)
{
#if !defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "a build without AddressSanitizer has no leak check";
#else
    // In a child process, as a failing leak check ends the process it runs in.
    EXPECT_EXIT(
        {
            void* module = dlopen(BRILLOX_DYNAMIC_TLS_MODULE, RTLD_NOW);
            if (module == nullptr) {
                std::fprintf(stderr, "%s\n", dlerror());
                _exit(2);
            }
            auto touch = reinterpret_cast<char* (*)()>(dlsym(module, "dynamic_tls_bytes"));
            ThreadsHoldingBlocks threads(touch);
            const int blocks = threads.start_until(3, 2000);
            std::fprintf(stderr, "%d blocks start 16 bytes into a page\n", blocks);
            if (blocks == 0) _exit(3);  // nothing this test could show
            __lsan_do_recoverable_leak_check();
            std::fprintf(stderr, "the leak check ran through\n");
            std::fflush(stderr);
            _exit(0);
        },
        testing::ExitedWithCode(0), "the leak check ran through");
#endif
}

}  // namespace
