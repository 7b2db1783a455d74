#pragma once

#include "runtime/ThreadCheck.h"

#include <algorithm>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace orvane {

// Keeps a change subscription alive; destroying it unsubscribes. Move-only.
class Subscription {
public:
    Subscription() = default;
    explicit Subscription(std::function<void()> unsubscribe)
        : unsubscribe_(std::move(unsubscribe)) {}
    Subscription(Subscription&& other) noexcept
        : unsubscribe_(std::exchange(other.unsubscribe_, {})) {}
    Subscription& operator=(Subscription&& other) noexcept {
        if (this != &other) {
            reset();
            unsubscribe_ = std::exchange(other.unsubscribe_, {});
        }
        return *this;
    }
    Subscription(const Subscription&) = delete;
    Subscription& operator=(const Subscription&) = delete;
    ~Subscription() { reset(); }

    void reset() {
        if (unsubscribe_)
            std::exchange(unsubscribe_, {})();
    }

private:
    std::function<void()> unsubscribe_;
};

// A list of observers notified on every change. Main thread only. Observers may
// subscribe or unsubscribe (themselves or others) while being notified; a removal
// takes effect at once, an addition from the next notification on. The Subscription
// may outlive the Signal.
template <typename... Args>
class Signal {
public:
    using Observer = std::function<void(const Args&...)>;

    Signal() : state_(std::make_shared<State>()) {}
    Signal(const Signal&) = delete;
    Signal& operator=(const Signal&) = delete;

    [[nodiscard]] Subscription subscribe(Observer observer) {
        const auto id = ++state_->nextId;
        state_->entries.push_back({id, std::make_shared<Observer>(std::move(observer))});
        return Subscription([weak = std::weak_ptr<State>(state_), id] {
            if (auto state = weak.lock()) {
                auto& entries = state->entries;
                entries.erase(std::remove_if(entries.begin(), entries.end(),
                                             [id](const Entry& e) { return e.id == id; }),
                              entries.end());
            }
        });
    }

    void notify(const Args&... args) const {
        // Copy so that observers may change the list while we walk it; check each
        // entry is still subscribed before calling it.
        auto state = state_;
        const auto snapshot = state->entries;
        for (const auto& entry : snapshot) {
            const bool stillSubscribed =
                std::any_of(state->entries.begin(), state->entries.end(),
                            [&](const Entry& e) { return e.id == entry.id; });
            if (stillSubscribed)
                (*entry.observer)(args...);
        }
    }

    std::size_t observerCount() const { return state_->entries.size(); }

private:
    struct Entry {
        unsigned long long id;
        std::shared_ptr<Observer> observer;
    };
    struct State {
        unsigned long long nextId = 0;
        std::vector<Entry> entries;
    };
    std::shared_ptr<State> state_;
};

// A published value: every write notifies observers with the new value, as the
// views expect (they redraw on every write, even when the value is unchanged).
// Written on the thread that constructed it (the main thread, for the controller's and
// the engine's fields); observers run there too.
template <typename T>
class Published {
public:
    Published() = default;
    explicit Published(T initial) : value_(std::move(initial)) {}

    const T& get() const { return value_; }
    operator const T&() const { return value_; }

    void set(T value) {
        ORVANE_ASSERT_OWNING_THREAD(owner_);
        value_ = std::move(value);
        changed_.notify(value_);
    }
    Published& operator=(T value) {
        set(std::move(value));
        return *this;
    }

    // Changes the value in place, then notifies as set() does: a write without the
    // copy that get() + set() needs, for large values (a playlist of thousands of
    // tracks) of which a change touches little. `change` receives the stored value and
    // must not read or write this Published through other paths while it runs. If it
    // throws, what it changed so far stays and nobody is notified.
    template <typename F>
    void modify(F&& change) {
        ORVANE_ASSERT_OWNING_THREAD(owner_);
        std::forward<F>(change)(value_);
        changed_.notify(value_);
    }

    [[nodiscard]] Subscription subscribe(typename Signal<T>::Observer observer) {
        return changed_.subscribe(std::move(observer));
    }

private:
    T value_{};
    Signal<T> changed_;
    [[no_unique_address]] OwningThread owner_;
};

} // namespace orvane
