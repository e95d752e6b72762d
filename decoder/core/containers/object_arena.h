#pragma once

#include <new>
#include <utility>

#include "decoder/core/shared_memory_distributor.h"

namespace DEC2DIvra {

// Builds the decoder objects inside the handle's own memory and destroys them,
// newest first, when the arena goes. At most kMaxObjects objects.
class ObjectArena {
public:
    static constexpr unsigned kMaxObjects = 32;

    ObjectArena() = default;
    ObjectArena(void* base, unsigned size) : memory_(base, size) {}
    ObjectArena(ObjectArena const&) = delete;
    ObjectArena& operator=(ObjectArena const&) = delete;
    ~ObjectArena() { DestroyAll(); }

    // Null when the arena has no room or no registry slot left.
    template <class T, class... Args>
    T* Build(Args&&... args)
    {
        if (count_ >= kMaxObjects) {
            return nullptr;
        }
        void* memory = memory_.Take(static_cast<unsigned>(sizeof(T)), alignof(T));
        if (memory == nullptr) {
            return nullptr;
        }
        T* object = new (memory) T(std::forward<Args>(args)...);
        objects_[count_] = object;
        destroy_[count_] = [](void* p) { static_cast<T*>(p)->~T(); };
        ++count_;
        return object;
    }

    void DestroyAll()
    {
        while (count_ > 0) {
            --count_;
            destroy_[count_](objects_[count_]);
        }
    }

    unsigned GetObjectCount() const { return count_; }
    unsigned GetRoom() const { return memory_.GetRoom(); }
    unsigned GetUsed() const { return memory_.GetOffset(); }

private:
    SharedMemoryDistributor memory_;
    void* objects_[kMaxObjects] = {};
    void (*destroy_[kMaxObjects])(void*) = {};
    unsigned count_ = 0;
};

}  // namespace DEC2DIvra
