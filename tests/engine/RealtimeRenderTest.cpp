// The audio thread's contract, enforced: rendering never allocates and never takes a
// mutex. This file replaces the global allocation functions and pthread_mutex_lock
// with counting versions that count only on a thread that asked for it, and only
// while it renders.

#include "EngineTestSupport.h"

#include <atomic>
#include <cstdlib>
#include <mutex>
#include <new>
#include <vector>

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <pthread.h>

namespace {

thread_local bool tlWatching = false;
std::atomic<int> gAllocations{0};
std::atomic<int> gLocks{0};

void* countedAlloc(std::size_t size) {
    if (tlWatching)
        gAllocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size == 0 ? 1 : size))
        return p;
    throw std::bad_alloc();
}

} // namespace

void* operator new(std::size_t size) {
    return countedAlloc(size);
}
void* operator new[](std::size_t size) {
    return countedAlloc(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    if (tlWatching)
        gAllocations.fetch_add(1, std::memory_order_relaxed);
    return std::malloc(size == 0 ? 1 : size);
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept {
    return operator new(size, tag);
}
// Out of line, so that the compiler never sees new paired with free().
[[gnu::noinline]] void operator delete(void* p) noexcept {
    std::free(p);
}
[[gnu::noinline]] void operator delete[](void* p) noexcept {
    std::free(p);
}
[[gnu::noinline]] void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
[[gnu::noinline]] void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}

// Under ThreadSanitizer its own allocator and pthread_mutex_lock must stay in place;
// the tests below then skip.
#if !defined(__SANITIZE_THREAD__)
namespace {

using MutexLock = int (*)(pthread_mutex_t*);

// The C library's own pthread_mutex_lock, looked up once before main() runs.
MutexLock realMutexLock() {
    static const auto lock = reinterpret_cast<MutexLock>(dlsym(RTLD_NEXT, "pthread_mutex_lock"));
    return lock;
}
const bool gResolved = realMutexLock() != nullptr;

} // namespace

extern "C" int pthread_mutex_lock(pthread_mutex_t* mutex) {
    if (tlWatching)
        gLocks.fetch_add(1, std::memory_order_relaxed);
    return realMutexLock()(mutex);
}
#else
namespace {
const bool gResolved = true;
} // namespace
#endif

namespace orvane::test {
namespace {

// Counts allocations and mutex locks on this thread for its lifetime.
class Watch {
public:
    Watch() {
        gAllocations = 0;
        gLocks = 0;
        tlWatching = true;
    }
    ~Watch() { tlWatching = false; }
    int allocations() const { return gAllocations.load(); }
    int locks() const { return gLocks.load(); }
};

#if defined(__SANITIZE_THREAD__)
#define SKIP_UNDER_TSAN() GTEST_SKIP() << "ThreadSanitizer owns allocation and locking here"
#else
#define SKIP_UNDER_TSAN() static_cast<void>(0)
#endif

TEST(RealtimeRenderTest, TheDetectorsSeeAllocationsAndLocks) {
    SKIP_UNDER_TSAN();
    ASSERT_TRUE(gResolved);
    std::mutex mutex;
    Watch watch;
    {
        std::vector<int> escaping(16);
        __asm__ volatile("" : : "r"(escaping.data()) : "memory"); // not optimised away
    }
    { std::lock_guard lock(mutex); }
    EXPECT_EQ(watch.allocations(), 1);
    EXPECT_EQ(watch.locks(), 1);
}

TEST(RealtimeRenderTest, RenderingNeverAllocatesOrLocks) {
    SKIP_UNDER_TSAN();
    EngineRig rig;
    RecordingTap tap(1 << 20);
    rig->host().graph().setTap(TapPoint::Player, &tap);
    std::vector<float> left(4096);
    std::vector<float> right(4096);
    int renders = 0;
    int allocations = 0;
    int locks = 0;
    // Renders `frames` with only the render call watched; the decoder runs outside.
    auto render = [&](std::size_t frames) {
        rig->host().pump();
        {
            Watch watch;
            rig.output().pull(left.data(), right.data(), frames);
            allocations += watch.allocations();
            locks += watch.locks();
        }
        ++renders;
        rig->host().pump();
        rig.loop.runPending();
        rig.loop.advance(static_cast<double>(frames) / 44100.0);
    };
    auto renderFor = [&](double seconds, std::size_t block) {
        for (double t = 0; t < seconds; t += static_cast<double>(block) / 44100.0)
            render(block);
    };

    // The whole tone chain in circuit, its ramps running between the blocks, and the
    // meter tap capturing after the limiter.
    for (int band = 0; band < 10; ++band)
        rig->setEQGain(band, static_cast<float>(band % 3) * 4.0f - 4.0f);
    rig->setEQEnabled(true);
    rig->setCompressor(true, CompressorPreset::radio);
    rig->setLoudness(true, 0.4);

    // Every path of the render: start from silence, fades, a pause, a seek that flushes
    // the ring, a resumed play, a gapless hand-off, an end, odd and large block sizes.
    rig->load(engineFixture("short.wav"), Uuid::random(), 0.0, std::nullopt, 0.5, 200);
    ASSERT_TRUE(
        rig->preloadNext(engineFixture("short.wav"), Uuid::random(), 0.1, std::nullopt, 2.0));
    renderFor(0.3, 333);
    rig->pause(100);
    renderFor(0.2, 4096);
    rig->seek(0.05);
    rig->setVolume(0.3f);
    rig->setPan(0.7f);
    rig->setLoudness(true, 0.8);
    rig->setCompressor(true, CompressorPreset::maximum);
    rig->resume(50);
    renderFor(0.2, 1);
    renderFor(1.5, 1000);
    EXPECT_FALSE(rig->isPlaying); // both regions played to the end
    ToneChain* tone = rig->host().graph().toneChain();
    EXPECT_FALSE(tone->eq().bypassed());
    EXPECT_FALSE(tone->compressor().bypassed());
    EXPECT_FALSE(tone->loudnessEQ().bypassed());
    EXPECT_GT(rig->peakHoldLeftDb, kVUFloorDb); // the meters saw the sound
    rig->host().graph().setTap(TapPoint::Player, nullptr);

    EXPECT_GT(renders, 500);
    EXPECT_EQ(allocations, 0);
    EXPECT_EQ(locks, 0);
}

} // namespace
} // namespace orvane::test
