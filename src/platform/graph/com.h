#pragma once
// Intrusive reference counting for framework objects and interface discovery.
//
// Every framework object derives (virtually) from Unknown, which holds the count. ComPtr<T> is
// the owning smart pointer; make<T>(...) creates an object already owned by one ComPtr.
// query<T>(p) stands in for QueryInterface: it answers the same object seen through another
// interface, or null when the object does not offer it.

#include <atomic>
#include <cstddef>
#include <utility>

namespace mf {

class Unknown {
public:
    Unknown() = default;
    Unknown(const Unknown&) = delete;
    Unknown& operator=(const Unknown&) = delete;

    // Virtual so that parts of an object (a filter's pins) can share their owner's count.
    virtual void addRef() const noexcept { refs_.fetch_add(1, std::memory_order_relaxed); }
    virtual void release() const noexcept {
        if (refs_.fetch_sub(1, std::memory_order_acq_rel) == 1) lastReleased();
    }
    long refCount() const noexcept { return refs_.load(std::memory_order_relaxed); }

protected:
    virtual ~Unknown() = default;
    // What happens when the count drops to zero: deletion, unless the object is pooled.
    // Defined out of line: inlined into a caller that knows the most-derived type, GCC 12
    // mistakes the deletion through the virtual base for freeing a non-heap pointer.
    virtual void lastReleased() const noexcept;

private:
    mutable std::atomic<long> refs_{0};
};

template <class T> class ComPtr {
public:
    ComPtr() noexcept = default;
    ComPtr(std::nullptr_t) noexcept {}
    explicit ComPtr(T* p) noexcept : p_(p) {
        if (p_) p_->addRef();
    }
    ComPtr(const ComPtr& o) noexcept : ComPtr(o.p_) {}
    ComPtr(ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    template <class U>
        requires std::is_convertible_v<U*, T*>
    ComPtr(const ComPtr<U>& o) noexcept : ComPtr(static_cast<T*>(o.get())) {}
    ~ComPtr() { reset(); }

    ComPtr& operator=(ComPtr o) noexcept {
        std::swap(p_, o.p_);
        return *this;
    }
    void reset() noexcept {
        if (T* p = std::exchange(p_, nullptr)) p->release();
    }

    T* get() const noexcept { return p_; }
    T* operator->() const noexcept { return p_; }
    T& operator*() const noexcept { return *p_; }
    explicit operator bool() const noexcept { return p_ != nullptr; }

    friend bool operator==(const ComPtr& a, const ComPtr& b) noexcept { return a.p_ == b.p_; }
    friend bool operator==(const ComPtr& a, std::nullptr_t) noexcept { return a.p_ == nullptr; }

private:
    T* p_ = nullptr;
};

template <class T, class... Args> ComPtr<T> make(Args&&... args) {
    return ComPtr<T>(new T(std::forward<Args>(args)...));
}

template <class T, class U> ComPtr<T> query(U* p) {
    return ComPtr<T>(p ? dynamic_cast<T*>(p) : nullptr);
}
template <class T, class U> ComPtr<T> query(const ComPtr<U>& p) { return query<T>(p.get()); }

// Two interface pointers name the same object when they resolve to the same most-derived object.
template <class A, class B> bool sameObject(const A* a, const B* b) {
    if (!a || !b) return static_cast<const void*>(a) == static_cast<const void*>(b);
    return dynamic_cast<const void*>(a) == dynamic_cast<const void*>(b);
}

} // namespace mf
