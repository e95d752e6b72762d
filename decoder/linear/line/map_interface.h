#pragma once

#include "decoder/core/containers/stack_interface.h"

namespace DEC2DIvra {

// A bounded map over a fixed buffer: entries that the derived class calls the
// same are kept once, the better of them winning.
template <class T>
class MapInterface {
public:
    MapInterface() = default;
    MapInterface(MapInterface const&) = delete;
    MapInterface& operator=(MapInterface const&) = delete;

    void Set(T* first, unsigned capacity) { items_.Set(first, capacity); }
    void Clear() { items_.Clear(); }

    // 1 when the entry was appended; 0 when it replaced a same entry it beats,
    // when a same entry beats or equals it, or when the map is full.
    int Push(T const& item)
    {
        bool same = false;
        for (T& entry : items_) {
            if (!IsSame(entry, item)) {
                continue;
            }
            same = true;
            if (Compare(entry, item) < 0) {
                entry = item;
                return 0;
            }
        }
        if (same) {
            return 0;
        }
        return items_.Push(item) ? 1 : 0;
    }

    // Replaces the entries by another map's; false (and empty) when they do
    // not fit.
    bool Copy(MapInterface const& other)
    {
        items_.Clear();
        if (other.items_.GetCount() > items_.GetCapacity()) {
            return false;
        }
        for (T const& entry : other.items_) {
            items_.Push(entry);
        }
        return true;
    }

    StackInterface<T> const& GetItems() const { return items_; }
    unsigned GetCount() const { return items_.GetCount(); }
    unsigned GetCapacity() const { return items_.GetCapacity(); }

protected:
    ~MapInterface() = default;

    // True when the two entries stand for the same thing.
    virtual bool IsSame(T const& entry, T const& item) const = 0;
    // Below 0 when the new item is better than the kept entry.
    virtual int Compare(T const& entry, T const& item) const = 0;

private:
    StackInterface<T> items_;
};

}  // namespace DEC2DIvra
