#include "runtime/ManualMainLoop.h"
#include "runtime/Observable.h"

#include <thread>

#include <gtest/gtest.h>

namespace orvane {
namespace {

// A value is written on the thread that built it; a write from anywhere else is a race
// with its observers and stops the program where it happens.
TEST(ThreadCheckDeathTest, PublishedWritesFromAnotherThreadAbortWithTheOperation) {
    if (!ORVANE_THREAD_CHECKS)
        GTEST_SKIP() << "thread checks are compiled out of this build";
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    Published<int> value{0};
    value.set(1);
    value.modify([](int& v) { ++v; });
    EXPECT_EQ(value.get(), 2);
    EXPECT_DEATH(std::thread([&] { value.set(3); }).join(),
                 "Observable.h:[0-9]+: thread check failed: .*Published<.*>::set");
    EXPECT_DEATH(std::thread([&] { value.modify([](int& v) { ++v; }); }).join(),
                 "thread check failed: .*Published<.*>::modify");
}

} // namespace
} // namespace orvane
