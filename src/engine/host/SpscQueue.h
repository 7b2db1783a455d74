#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <type_traits>

namespace orvane {

// A fixed-capacity, lock-free queue between exactly one producer thread and one
// consumer thread: how the decoder hands stream markers to the audio thread and the
// audio thread hands finished regions back. No allocation after construction.
//
// Threading: push() on the producer thread only; front(), pop() and empty() on the
// consumer thread only; size() from either (a snapshot).
template <typename T, std::size_t Capacity>
class SpscQueue {
    static_assert(std::is_trivially_copyable_v<T>, "items are copied on the audio thread");
    static_assert(Capacity > 0 && (Capacity & (Capacity - 1)) == 0, "capacity: a power of two");

public:
    static constexpr std::size_t capacity() { return Capacity; }

    // False when full; the item is then not queued.
    bool push(const T& item) noexcept {
        const auto tail = tail_.load(std::memory_order_relaxed);
        if (tail - head_.load(std::memory_order_acquire) >= Capacity)
            return false;
        items_[tail & kMask] = item;
        tail_.store(tail + 1, std::memory_order_release);
        return true;
    }

    // Free slots as the producer sees them (the consumer may free more meanwhile).
    std::size_t freeSlots() const noexcept {
        return Capacity - static_cast<std::size_t>(tail_.load(std::memory_order_relaxed) -
                                                   head_.load(std::memory_order_acquire));
    }

    // The oldest item, or null when empty. Valid until pop().
    const T* front() const noexcept {
        const auto head = head_.load(std::memory_order_relaxed);
        if (head == tail_.load(std::memory_order_acquire))
            return nullptr;
        return &items_[head & kMask];
    }

    void pop() noexcept {
        const auto head = head_.load(std::memory_order_relaxed);
        if (head != tail_.load(std::memory_order_acquire))
            head_.store(head + 1, std::memory_order_release);
    }

    std::optional<T> tryPop() noexcept {
        const T* item = front();
        if (!item)
            return std::nullopt;
        T copy = *item;
        pop();
        return copy;
    }

    bool empty() const noexcept { return front() == nullptr; }

    std::size_t size() const noexcept {
        // Head first: it never passes the tail read after it.
        const auto head = head_.load(std::memory_order_acquire);
        return static_cast<std::size_t>(tail_.load(std::memory_order_acquire) - head);
    }

private:
    static constexpr std::uint64_t kMask = Capacity - 1;

    // Producer and consumer counters on their own cache lines so that the two threads
    // do not fight over one line.
    alignas(64) std::atomic<std::uint64_t> head_{0};
    alignas(64) std::atomic<std::uint64_t> tail_{0};
    alignas(64) std::array<T, Capacity> items_{};
};

} // namespace orvane
