#include "runtime/Observable.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace {

using orvane::Published;
using orvane::Signal;
using orvane::Subscription;

TEST(Published, NotifiesEveryWriteUntilUnsubscribed) {
    Published<int> value(1);
    std::vector<int> seen;
    {
        auto sub = value.subscribe([&](const int& v) { seen.push_back(v); });
        value = 2;
        value = 2; // a write of the same value still notifies
    }
    value = 3;
    EXPECT_EQ(seen, (std::vector<int>{2, 2}));
    EXPECT_EQ(value.get(), 3);
}

TEST(Published, ModifyChangesInPlaceAndNotifiesOnce) {
    Published<std::vector<int>> list(std::vector<int>{1, 2, 3});
    const int* storage = list.get().data();
    std::vector<std::vector<int>> seen;
    auto sub = list.subscribe([&](const std::vector<int>& v) { seen.push_back(v); });
    list.modify([](std::vector<int>& v) { v[1] = 20; });
    EXPECT_EQ(list.get().data(), storage); // no copy was made
    EXPECT_EQ(seen, (std::vector<std::vector<int>>{{1, 20, 3}}));
    list.modify([](std::vector<int>&) {}); // an untouched value still notifies
    EXPECT_EQ(seen.size(), 2u);
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
    signal.emit(0);
    signal.emit(0);
    EXPECT_EQ(calls, (std::vector<int>{1, 1}));
}

TEST(Signal, SubscriptionMayOutliveSignal) {
    std::optional<Subscription> sub;
    {
        Signal<> signal;
        sub = signal.subscribe([] {});
        EXPECT_EQ(signal.observerCount(), 1u);
    }
    sub.reset(); // must not touch the destroyed signal
    SUCCEED();
}

} // namespace
