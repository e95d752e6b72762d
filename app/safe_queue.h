#pragma once
// A deque guarded by a mutex, pushed by producers and drained by one consumer.
//
// The condition variable that wakes the consumer belongs to the owner. The
// owner waits on it with this queue's mutex (waitPop), and producers notify it
// after push returns: since the emptiness test and the wait happen under the
// same mutex as the push, a push can never fall between them and be lost.

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <utility>

template <typename T>
class SafeQueue {
public:
    SafeQueue() = default;
    SafeQueue(SafeQueue const&) = delete;
    SafeQueue& operator=(SafeQueue const&) = delete;

    virtual ~SafeQueue()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        items_.clear();
    }

    void push(T item)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        items_.push_back(std::move(item));
    }

    bool tryPop(T& out)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (items_.empty()) {
            return false;
        }
        out = std::move(items_.front());
        items_.pop_front();
        return true;
    }

    // Waits on the owner's condition variable until an item is there (taken
    // into `out`, true) or `stopped()` holds with the queue empty (false).
    // Whoever makes `stopped()` true then calls wakeAll(wake).
    template <typename Stopped>
    bool waitPop(std::condition_variable& wake, T& out, Stopped stopped)
    {
        std::unique_lock<std::mutex> lock(mutex_);
        wake.wait(lock, [&] { return !items_.empty() || stopped(); });
        if (items_.empty()) {
            return false;
        }
        out = std::move(items_.front());
        items_.pop_front();
        return true;
    }

    // Passing through the mutex before notifying orders the notification after
    // any waiter's predicate test, so a stop request cannot be missed.
    void wakeAll(std::condition_variable& wake)
    {
        { std::lock_guard<std::mutex> lock(mutex_); }
        wake.notify_all();
    }

    bool empty() const
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return items_.empty();
    }

    std::size_t size() const
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return items_.size();
    }

    void clear()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        items_.clear();
    }

    // For owners that wait or batch with their own logic; items() only while
    // mutex() is held.
    std::mutex& mutex() const { return mutex_; }
    std::deque<T>& items() { return items_; }

private:
    mutable std::mutex mutex_;
    std::deque<T> items_;
};
