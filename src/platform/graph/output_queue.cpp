#include "platform/graph/output_queue.h"

#include <pthread.h>

#include <chrono>

namespace mf {

OutputQueue::OutputQueue(BaseOutputPin* pin) : pin_(pin) {}

OutputQueue::~OutputQueue() {
    stop();
}

void OutputQueue::start(const std::string& threadName) {
    {
        std::lock_guard lock(mutex_);
        items_.clear();
        flushing_ = stopping_ = delivering_ = false;
        result_ = S_OK;
    }
    if (thread_.joinable()) return;
    thread_ = std::thread([this] { threadMain(); });
    pthread_setname_np(thread_.native_handle(), threadName.c_str());
}

void OutputQueue::stop() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        items_.clear();
    }
    changed_.notify_all();
    if (thread_.joinable()) thread_.join();
}

HRESULT OutputQueue::push(Item item) {
    {
        std::lock_guard lock(mutex_);
        // Samples stop once downstream refused one; end of stream still goes, so that the
        // stream ends downstream all the same.
        if (result_ != S_OK && item.kind == Item::Kind::Sample) return result_;
        if (stopping_ || (flushing_ && item.kind != Item::Kind::NewSegment)) return S_OK;
        items_.push_back(std::move(item));
    }
    changed_.notify_all();
    return S_OK;
}

void OutputQueue::waitUntilDelivered(const std::function<bool()>& wanted) {
    std::unique_lock lock(mutex_);
    const auto done = [this] {
        return stopping_ || flushing_ || result_ != S_OK || (items_.empty() && !delivering_);
    };
    // The poll covers a state change upstream that nothing here is told of.
    while (!changed_.wait_for(lock, std::chrono::milliseconds(5), done))
        if (!wanted()) return;
}

void OutputQueue::beginFlush() {
    {
        std::lock_guard lock(mutex_);
        flushing_ = true;
        items_.clear(); // the samples go back to the allocator, releasing upstream if it waits
    }
    changed_.notify_all(); // and an upstream waiting until all is delivered
}

void OutputQueue::endFlush() {
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return !delivering_; });
        flushing_ = false;
        result_ = S_OK;
    }
    changed_.notify_all();
}

void OutputQueue::threadMain() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return stopping_ || (!flushing_ && !items_.empty()); });
        if (stopping_) return;
        Item item = std::move(items_.front());
        items_.pop_front();
        delivering_ = true;
        lock.unlock();
        const HRESULT hr = deliver(item);
        item.sample = nullptr; // back to the allocator before anyone waits on delivering_
        lock.lock();
        delivering_ = false;
        if (hr != S_OK && item.kind == Item::Kind::Sample && !flushing_ && result_ == S_OK) {
            result_ = hr; // downstream wants no more, or failed: drop the rest
            items_.clear();
        }
        changed_.notify_all();
    }
}

HRESULT OutputQueue::deliver(const Item& item) {
    switch (item.kind) {
    case Item::Kind::Sample:
        return pin_->Deliver(item.sample.get());
    case Item::Kind::EndOfStream:
        return pin_->DeliverEndOfStream();
    case Item::Kind::NewSegment:
        return pin_->DeliverNewSegment(item.start, item.stop, item.rate);
    }
    return S_OK;
}

} // namespace mf
