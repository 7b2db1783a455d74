#include "ControllerTestSupport.h"

#include <thread>

#include <gtest/gtest.h>

namespace orvane::test {
namespace {

// The views' operations belong to the main thread; one called from a worker (a result
// handed back without MainLoop::post) is caught at the call, named, in checked builds.
TEST(ThreadContractDeathTest, OperationsFromAnotherThreadAbortNamingTheOperation) {
    if (!ORVANE_THREAD_CHECKS)
        GTEST_SKIP() << "thread checks are compiled out of this build";
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    TempFolder files;
    ControllerRig rig(stateWith(files.tracks(1)));
    rig->setVolume(0.5);
    EXPECT_DEATH(std::thread([&] { rig->setVolume(0.25); }).join(),
                 "PlayerController.cpp:[0-9]+: thread check failed: .*PlayerController::setVolume");
    EXPECT_DEATH(std::thread([&] { rig.engine().seek(1.0); }).join(),
                 "thread check failed: .*AudioEngine::seek");
}

} // namespace
} // namespace orvane::test
