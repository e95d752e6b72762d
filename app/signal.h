#pragma once
// A small signal: slots are called in connection order on the emitting thread.
//
// The slot list is guarded by one mutex that is held while the slots run, so a
// slot never races a connect or disconnect from another thread. The mutex is
// recursive so that a slot may connect to or disconnect from the signal that
// is calling it: a slot added during an emission runs from the next emission
// on, a slot removed during an emission is not called again. A slot that emits
// the signal that is calling it would recurse without end; that nested
// emission is dropped.

#include <atomic>
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
        // Waits for an emission on another thread to finish before the slots go.
        std::vector<std::shared_ptr<Entry>> entries;
        std::lock_guard<std::recursive_mutex> lock(core_->mutex);
        entries.swap(core_->entries);
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
        std::lock_guard<std::recursive_mutex> lock(core_->mutex);
        std::size_t count = 0;
        for (auto const& entry : core_->entries) {
            count += entry->removed ? 0 : 1;
        }
        return count;
    }

private:
    struct Core;

    struct Entry {
        Slot slot;
        Connection connection;
        std::weak_ptr<Core> forward;
        bool forwards = false;
        bool removed = false;
    };

    struct Core : std::enable_shared_from_this<Core> {
        mutable std::recursive_mutex mutex;
        std::vector<std::shared_ptr<Entry>> entries;
        std::atomic<bool> blocked{false};
        bool emitting = false;
        bool erasePending = false;

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
            std::lock_guard<std::recursive_mutex> lock(mutex);
            entries.push_back(std::move(entry));
            return connection;
        }

        void remove(std::shared_ptr<Entry> const& entry)
        {
            if (!entry) {
                return;
            }
            std::lock_guard<std::recursive_mutex> lock(mutex);
            if (emitting) {
                // The emission below still walks the list; erase when it ends.
                entry->removed = true;
                erasePending = true;
                return;
            }
            std::erase(entries, entry);
        }

        void emit(Args&... args)
        {
            if (blocked.load()) {
                return;
            }
            std::lock_guard<std::recursive_mutex> lock(mutex);
            if (emitting) {
                // Holding the lock means this is the emitting thread: a slot re-emitted.
                return;
            }
            emitting = true;
            std::size_t const count = entries.size();
            for (std::size_t i = 0; i < count && i < entries.size(); ++i) {
                // A copy keeps the entry alive even if a slot reshapes the list.
                std::shared_ptr<Entry> entry = entries[i];
                if (entry->removed) {
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
            emitting = false;
            if (erasePending) {
                erasePending = false;
                std::erase_if(entries, [](std::shared_ptr<Entry> const& e) { return e->removed; });
            }
        }
    };

    std::shared_ptr<Core> core_;
};

} // namespace sigs
