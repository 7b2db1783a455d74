#pragma once

#include <memory>
#include <utility>

namespace orvane {

// Ties callbacks to an owner's lifetime, the way a weak capture does: wrap() gives a
// callback that does nothing once the guard is gone. The guard and the wrapped
// callbacks must be used on one thread (the main thread); use it for tasks that
// background work posts back.
class LifetimeGuard {
public:
    LifetimeGuard() : token_(std::make_shared<char>(0)) {}
    LifetimeGuard(const LifetimeGuard&) = delete;
    LifetimeGuard& operator=(const LifetimeGuard&) = delete;

    template <typename F>
    auto wrap(F f) const {
        return [weak = std::weak_ptr<char>(token_), f = std::move(f)](auto&&... args) mutable {
            if (weak.lock())
                f(std::forward<decltype(args)>(args)...);
        };
    }

private:
    std::shared_ptr<char> token_;
};

} // namespace orvane
