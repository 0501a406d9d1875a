#pragma once
// Stands in for the main window: keeps every message posted or sent to it, in order. A capture
// callback, given at creation, runs for each message on the thread that posts or sends it, at
// that moment, and what it returns is kept with the message: the record a post points to (which
// the poster may change right after), or a copy of the frame a grab message lends while its
// sender holds it. Sends answer `answer`.
//
// Threads: post() and send() on any thread (the capture runs outside the target's lock, so it
// may wait for other threads); the accessors on any thread.

#include "platform/graph/message_target.h"

#include <cstdint>
#include <functional>
#include <mutex>
#include <utility>
#include <variant>
#include <vector>

namespace sptest {

template <typename Record = std::monostate>
class RecordingTarget final : public mf::IMessageTarget {
public:
    struct Message {
        uint32_t msg = 0;
        uintptr_t wParam = 0;
        intptr_t lParam = 0;
        bool sent = false; // by send(), else by post()
        Record record{};   // the capture's result (a default Record without a capture)
    };
    using Capture = std::function<Record(const Message&)>;

    explicit RecordingTarget(Capture capture = {}, intptr_t answer = 0)
        : capture_(std::move(capture)), answer_(answer) {}

    void post(uint32_t msg, uintptr_t wParam, intptr_t lParam) override {
        keep(Message{msg, wParam, lParam, false, {}});
    }
    intptr_t send(uint32_t msg, uintptr_t wParam, intptr_t lParam) override {
        keep(Message{msg, wParam, lParam, true, {}});
        return answer_;
    }

    std::vector<Message> messages() {
        std::lock_guard lock(mutex_);
        return messages_;
    }
    // The messages with number `msg`, posted or sent.
    std::vector<Message> messages(uint32_t msg) {
        return matching([msg](const Message& m) { return m.msg == msg; });
    }
    // The posted messages (sends left out).
    std::vector<Message> posts() {
        return matching([](const Message& m) { return !m.sent; });
    }
    // The records kept with the messages numbered `msg`.
    std::vector<Record> records(uint32_t msg) {
        std::vector<Record> out;
        for (Message& m : messages(msg))
            out.push_back(std::move(m.record));
        return out;
    }
    int count(uint32_t msg) { return int(messages(msg).size()); }
    void clear() {
        std::lock_guard lock(mutex_);
        messages_.clear();
    }

private:
    void keep(Message m) {
        if (capture_) m.record = capture_(m);
        std::lock_guard lock(mutex_);
        messages_.push_back(std::move(m));
    }
    template <typename Predicate> std::vector<Message> matching(Predicate wanted) {
        std::lock_guard lock(mutex_);
        std::vector<Message> out;
        for (const Message& m : messages_)
            if (wanted(m)) out.push_back(m);
        return out;
    }

    const Capture capture_;
    const intptr_t answer_;
    std::mutex mutex_;
    std::vector<Message> messages_; // guarded by mutex_
};

} // namespace sptest
