#pragma once

#include "engine/host/AudioOutput.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstddef>
#include <thread>

namespace orvane {

// Lets two outputs share one render graph without ever rendering it at the same time:
// the sound server's output and its silent stand-in overlap while one takes over from
// the other (the new one is already pulling before the old one has stopped). Only the
// lane that holds the gate renders the graph; the other gets silence.
//
// Threading: render() on the outputs' audio threads, without locks or allocation;
// select() on the main thread. select() waits for a block under way (a few hundred
// microseconds) before it opens the gate to the new lane.
class RenderGate {
public:
    enum Lane : int { kNone = -1, kReal = 0, kStandIn = 1 };

    explicit RenderGate(RenderSource& graph) : graph_(graph) {}

    void render(Lane lane, float* left, float* right, std::size_t frames) noexcept {
        // A lane that does not hold the gate never marks itself busy, so select() never
        // waits for it.
        if (owner_.load() == lane) {
            auto& busy = busy_[static_cast<std::size_t>(lane)];
            // Sequentially consistent on both sides: either select() sees this lane busy,
            // or this lane sees the gate taken from it (the store-then-load handshake of
            // Dekker's lock).
            busy.store(true);
            const bool mine = owner_.load() == lane;
            if (mine)
                graph_.render(left, right, frames);
            busy.store(false, std::memory_order_release);
            if (mine)
                return;
        }
        std::fill(left, left + frames, 0.0f);
        std::fill(right, right + frames, 0.0f);
    }

    void select(Lane lane) {
        // Closed first, until every lane has left: the new owner must not start while the
        // old one is still inside.
        owner_.store(kNone);
        for (auto& busy : busy_)
            while (busy.load())
                std::this_thread::yield();
        owner_.store(lane);
    }

    Lane owner() const { return owner_.load(); }

    // What one output pulls: the gate seen through one lane.
    class Source final : public RenderSource {
    public:
        Source(RenderGate& gate, Lane lane) : gate_(gate), lane_(lane) {}
        void render(float* left, float* right, std::size_t frames) noexcept override {
            gate_.render(lane_, left, right, frames);
        }

    private:
        RenderGate& gate_;
        Lane lane_;
    };

private:
    RenderSource& graph_;
    std::atomic<Lane> owner_{kNone};
    std::array<std::atomic<bool>, 2> busy_{};
};

} // namespace orvane
