#include "platform/system/qt_message_target.h"

#include "support/gui_application.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

namespace sp {
namespace {

using namespace std::chrono_literals;

// Handles this thread's events until `done` is ready (or ten seconds pass).
template <class T> bool handleEventsUntil(std::future<T>& done) {
    const auto until = std::chrono::steady_clock::now() + 10s;
    while (done.wait_for(0ms) != std::future_status::ready) {
        if (std::chrono::steady_clock::now() > until) return false;
        QCoreApplication::processEvents();
    }
    return true;
}

TEST(QtMessageTarget, ASendThatCanBeCalledOffStillGetsItsAnswerFromTheMainThread) {
    std::thread::id handledOn;
    QtMessageTarget target([&](uint32_t msg, uintptr_t w, intptr_t l) {
        handledOn = std::this_thread::get_id();
        return intptr_t(msg + w + uintptr_t(l));
    });
    auto call = std::make_shared<mf::SendCall>();
    auto answer = std::async(std::launch::async, [&] { return target.send(0x401, 2, 3, call); });
    const bool answered = handleEventsUntil(answer);
    if (!answered) call->cancel(); // never leave the sender stuck
    ASSERT_TRUE(answered);
    EXPECT_EQ(answer.get(), 0x406);
    EXPECT_EQ(handledOn, std::this_thread::get_id());
}

TEST(QtMessageTarget, ASenderIsReleasedWhenItsQueuedCallIsDroppedUnhandled) {
    std::atomic<bool> handled = false;
    auto target = std::make_shared<QtMessageTarget>([&](uint32_t, uintptr_t, intptr_t) {
        handled = true;
        return intptr_t(1);
    });
    auto call = std::make_shared<mf::SendCall>();
    auto answer =
        std::async(std::launch::async, [target, call] { return target->send(0x401, 0, 0, call); });
    // What happens to calls still queued when the application goes away: the queued events
    // are dropped (again and again, since the sender may not have queued its call yet) and
    // never handled; the sender must come back.
    const auto until = std::chrono::steady_clock::now() + 10s;
    bool released = false;
    while (!released && std::chrono::steady_clock::now() < until) {
        QCoreApplication::removePostedEvents(nullptr);
        released = answer.wait_for(1ms) == std::future_status::ready;
    }
    if (!released) call->cancel(); // never leave the sender stuck
    ASSERT_TRUE(released);
    EXPECT_EQ(answer.get(), 0);
    QCoreApplication::processEvents();
    EXPECT_FALSE(handled);
}

} // namespace
} // namespace sp
