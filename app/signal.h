#pragma once
// A small signal: slots are called in connection order on the emitting thread.
//
// No lock is held while the slots run: an emission calls the slots listed when it
// began, so a slot may take any lock, and an emitter may hold any lock, without
// ordering the two through the signal. Emissions from several threads may run at
// once; what a slot touches is guarded by its own owner's lock. A slot may connect
// to or disconnect from the signal that is calling it: a slot added during an
// emission runs from the next emission on, a slot removed is not called again once
// disconnect returns. A slot that emits the signal that is calling it would recurse
// without end; that nested emission is dropped.

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

namespace sigs {

// Removes one entry from its signal. The function holds the signal only
// weakly, so a connection that outlives its signal does nothing.
class ConnectionBase {
public:
    explicit ConnectionBase(std::function<void()> remove) : remove_(std::move(remove)) {}

    void disconnect()
    {
        std::function<void()> remove;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            remove.swap(remove_);
        }
        if (remove) {
            remove();
        }
    }

private:
    std::mutex mutex_;
    std::function<void()> remove_;
};

using Connection = std::shared_ptr<ConnectionBase>;

template <typename Sig>
class Signal;

template <typename... Args>
class Signal<void(Args...)> {
public:
    using Slot = std::function<void(Args...)>;

    Signal() : core_(std::make_shared<Core>()) {}
    Signal(Signal const&) = delete;
    Signal& operator=(Signal const&) = delete;

    virtual ~Signal()
    {
        // Waits for emissions on other threads to end before the slots go.
        std::vector<std::shared_ptr<Entry>> entries;
        std::unique_lock<std::mutex> lock(core_->mutex);
        for (auto const& entry : core_->entries) {
            entry->removed.store(true);
        }
        entries.swap(core_->entries);
        core_->waitForOtherEmissions(lock);
    }

    // An empty slot is refused (null connection): calling it could only fail.
    Connection connect(Slot slot)
    {
        if (!slot) {
            return nullptr;
        }
        auto entry = std::make_shared<Entry>();
        entry->slot = std::move(slot);
        return core_->append(std::move(entry));
    }

    // Forwards every emission to `target`, which applies its own blocked flag.
    Connection connect(Signal& target)
    {
        auto entry = std::make_shared<Entry>();
        entry->forward = target.core_;
        entry->forwards = true;
        return core_->append(std::move(entry));
    }

    void disconnect(Connection const& connection)
    {
        if (connection) {
            connection->disconnect();
        }
    }

    void operator()(Args... args) const { core_->emit(args...); }

    void setBlocked(bool blocked) { core_->blocked.store(blocked); }
    bool blocked() const { return core_->blocked.load(); }

    std::size_t slotCount() const
    {
        std::lock_guard<std::mutex> lock(core_->mutex);
        return core_->entries.size();
    }

private:
    struct Core;

    struct Entry {
        Slot slot;
        Connection connection;
        std::weak_ptr<Core> forward;
        bool forwards = false;
        std::atomic<bool> removed{false};
    };

    struct Core : std::enable_shared_from_this<Core> {
        mutable std::mutex mutex;
        std::condition_variable idle;
        std::vector<std::shared_ptr<Entry>> entries;
        std::atomic<bool> blocked{false};
        unsigned emissions = 0; // running now, on any thread

        // The signals this thread is emitting, innermost last.
        static std::vector<Core const*>& emittingHere()
        {
            thread_local std::vector<Core const*> cores;
            return cores;
        }
        bool emittingOnThisThread() const
        {
            auto const& cores = emittingHere();
            return std::find(cores.begin(), cores.end(), this) != cores.end();
        }

        // A slot that removes itself cannot wait for its own emission; two
        // emitters that each remove a slot must not wait for each other.
        void waitForOtherEmissions(std::unique_lock<std::mutex>& lock)
        {
            if (!emittingOnThisThread()) {
                idle.wait(lock, [this] { return emissions == 0; });
            }
        }

        Connection append(std::shared_ptr<Entry> entry)
        {
            std::weak_ptr<Core> weakCore = this->shared_from_this();
            std::weak_ptr<Entry> weakEntry = entry;
            auto connection = std::make_shared<ConnectionBase>([weakCore, weakEntry] {
                if (auto core = weakCore.lock()) {
                    core->remove(weakEntry.lock());
                }
            });
            entry->connection = connection;
            std::lock_guard<std::mutex> lock(mutex);
            entries.push_back(std::move(entry));
            return connection;
        }

        // Once it returns, the slot runs nowhere and is not called again.
        void remove(std::shared_ptr<Entry> const& entry)
        {
            if (!entry) {
                return;
            }
            std::unique_lock<std::mutex> lock(mutex);
            entry->removed.store(true);
            std::erase(entries, entry);
            waitForOtherEmissions(lock);
        }

        void emit(Args&... args)
        {
            if (blocked.load() || emittingOnThisThread()) {
                return; // blocked, or a slot re-emitted
            }
            std::vector<std::shared_ptr<Entry>> listed;
            {
                std::lock_guard<std::mutex> lock(mutex);
                listed = entries;
                ++emissions;
            }
            emittingHere().push_back(this);
            for (auto const& entry : listed) {
                if (entry->removed.load()) {
                    continue;
                }
                if (entry->forwards) {
                    if (auto target = entry->forward.lock()) {
                        target->emit(args...);
                    }
                } else {
                    entry->slot(args...);
                }
            }
            emittingHere().pop_back();
            std::lock_guard<std::mutex> lock(mutex);
            --emissions;
            idle.notify_all();
        }
    };

    std::shared_ptr<Core> core_;
};

} // namespace sigs
