#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

namespace orvane {

// A small value published by one writer thread and read consistently by others
// without locks: readers retry while a write is under way. The writer never waits,
// which is why the audio thread uses it to publish its clock.
//
// Threading: store() on one thread only; load() from any thread.
template <typename T>
class SeqLock {
    static_assert(std::is_trivially_copyable_v<T>);
    static constexpr std::size_t kWords = (sizeof(T) + 7) / 8;

public:
    SeqLock() { store(T{}); }
    explicit SeqLock(const T& initial) { store(initial); }

    void store(const T& value) noexcept {
        std::array<std::uint64_t, kWords> words{};
        std::memcpy(words.data(), static_cast<const void*>(&value), sizeof(T));
        const auto seq = seq_.load(std::memory_order_relaxed);
        seq_.store(seq + 1, std::memory_order_relaxed);
        // Release stores keep the odd count above from sinking below them; no fences,
        // so that ThreadSanitizer can follow the protocol.
        for (std::size_t i = 0; i < kWords; ++i)
            words_[i].store(words[i], std::memory_order_release);
        seq_.store(seq + 2, std::memory_order_release);
    }

    T load() const noexcept {
        std::array<std::uint64_t, kWords> words{};
        for (;;) {
            const auto before = seq_.load(std::memory_order_acquire);
            if (before & 1U)
                continue;
            // Acquire loads keep the second count read below from rising above them.
            for (std::size_t i = 0; i < kWords; ++i)
                words[i] = words_[i].load(std::memory_order_acquire);
            if (seq_.load(std::memory_order_relaxed) == before)
                break;
        }
        T value;
        std::memcpy(static_cast<void*>(&value), words.data(), sizeof(T));
        return value;
    }

private:
    std::atomic<std::uint64_t> seq_{0};
    std::array<std::atomic<std::uint64_t>, kWords> words_{};
};

} // namespace orvane
