#include "platform/graph/message_target.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

namespace mf {
namespace {

// A target that hands each send to a test thread and waits on it, like a main window would.
class WaitingTarget final : public IMessageTarget {
public:
    void post(uint32_t, uintptr_t, intptr_t) override {}
    intptr_t send(uint32_t, uintptr_t, intptr_t) override { return 0; }
    intptr_t send(uint32_t msg, uintptr_t, intptr_t,
                  const std::shared_ptr<SendCall>& call) override {
        sends.fetch_add(1);
        pending.set_value(call);
        return call->wait();
    }
    std::atomic<int> sends{0};
    std::promise<std::shared_ptr<SendCall>> pending;
};

TEST(SendCall, ASenderGetsTheResultOrZeroOnceCalledOff) {
    auto answered = std::make_shared<SendCall>();
    std::thread handler([&] { answered->complete([] { return intptr_t(42); }); });
    EXPECT_EQ(answered->wait(), 42);
    handler.join();
    answered->cancel(); // too late to matter
    EXPECT_EQ(answered->wait(), 42);

    auto calledOff = std::make_shared<SendCall>();
    bool ran = false;
    calledOff->cancel();
    calledOff->complete([&] {
        ran = true;
        return intptr_t(1);
    });
    EXPECT_FALSE(ran); // a handler not started by then never runs
    EXPECT_EQ(calledOff->wait(), 0);
}

TEST(SendGate, ClosingReleasesTheWaitingSenderAndRefusesUntilOpened) {
    WaitingTarget target;
    SendGate gate;
    auto pending = target.pending.get_future();
    auto sender = std::async(std::launch::async, [&] { return gate.send(target, 0x401, 0, 0); });
    ASSERT_EQ(pending.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_EQ(sender.wait_for(std::chrono::milliseconds(20)), std::future_status::timeout);
    gate.close(); // as a stop or a flush does, on the thread the sender waits for
    ASSERT_EQ(sender.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_EQ(sender.get(), 0);

    EXPECT_EQ(gate.send(target, 0x401, 0, 0), 0); // closed: nothing is sent
    EXPECT_EQ(target.sends.load(), 1);

    gate.open();
    target.pending = {};
    auto next = target.pending.get_future();
    auto again = std::async(std::launch::async, [&] { return gate.send(target, 0x401, 0, 0); });
    ASSERT_EQ(next.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    next.get()->complete([] { return intptr_t(7); });
    EXPECT_EQ(again.get(), 7);
    EXPECT_EQ(target.sends.load(), 2);
}

} // namespace
} // namespace mf
