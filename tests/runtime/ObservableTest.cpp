#include "runtime/Observable.h"

#include <optional>
#include <vector>

#include <gtest/gtest.h>

namespace {

using orvane::Published;
using orvane::Signal;
using orvane::Subscription;

TEST(Published, NotifiesEveryWriteAndModifyUntilUnsubscribed) {
    Published<std::vector<int>> list(std::vector<int>{1, 2, 3});
    std::vector<std::vector<int>> seen;
    {
        auto sub = list.subscribe([&](const std::vector<int>& v) { seen.push_back(v); });
        list = std::vector<int>{1, 2, 3}; // a write of the same value still notifies
        list.modify([](std::vector<int>& v) { v[1] = 20; });
        list.modify([](std::vector<int>&) {}); // an untouched value still notifies
    }
    list = std::vector<int>{4};
    EXPECT_EQ(seen, (std::vector<std::vector<int>>{{1, 2, 3}, {1, 20, 3}, {1, 20, 3}}));
    EXPECT_EQ(list.get(), std::vector<int>{4});
}

TEST(Signal, ObserverMayUnsubscribeAnotherDuringEmit) {
    Signal<int> signal;
    std::vector<int> calls;
    Subscription second;
    auto first = signal.subscribe([&](const int&) {
        calls.push_back(1);
        second.reset();
    });
    second = signal.subscribe([&](const int&) { calls.push_back(2); });
    signal.notify(0);
    signal.notify(0);
    EXPECT_EQ(calls, (std::vector<int>{1, 1}));
}

TEST(Signal, SubscriptionMayOutliveSignal) {
    std::optional<Subscription> sub;
    {
        Signal<> signal;
        sub = signal.subscribe([] {});
        EXPECT_EQ(signal.observerCount(), 1u);
    }
    sub.reset(); // must not touch the destroyed signal (the sanitizer build checks)
}

} // namespace
