#pragma once

namespace DEC2DIvra {

// Walks a run of count elements from a start index by a signed step (a step of
// -1 walks the run backwards, as the right-to-left twins do). The iterator is
// valid while its index lies inside the run.
template <class T>
class ArrayIterator {
public:
    ArrayIterator() = default;
    ArrayIterator(T* begin, unsigned count, int current = 0, int step = 1)
        : begin_(begin), count_(begin != nullptr ? static_cast<int>(count) : 0), current_(current), step_(step)
    {
    }

    // A backward walk over the run, starting at its last element.
    static ArrayIterator Reverse(T* begin, unsigned count)
    {
        return ArrayIterator(begin, count, static_cast<int>(count) - 1, -1);
    }

    bool IsValid() const { return current_ >= 0 && current_ < count_; }
    T& operator*() const { return begin_[current_]; }
    T* operator->() const { return begin_ + current_; }

    // The element `offset` steps away from the current one, if inside the run.
    T* Peek(int offset) const
    {
        long long const i = static_cast<long long>(current_) + static_cast<long long>(offset) * step_;
        return (i >= 0 && i < count_) ? begin_ + i : nullptr;
    }

    void Next() { current_ += step_; }
    void Prev() { current_ -= step_; }
    void SetIndex(int index) { current_ = index; }

    T* GetBegin() const { return begin_; }
    unsigned GetCount() const { return static_cast<unsigned>(count_); }
    int GetIndex() const { return current_; }
    int GetStep() const { return step_; }

    // How many elements the walk still visits, the current one included.
    unsigned GetRemaining() const
    {
        if (!IsValid() || step_ == 0) {
            return IsValid() ? 1u : 0u;
        }
        int const room = step_ > 0 ? count_ - 1 - current_ : current_;
        int const stride = step_ > 0 ? step_ : -step_;
        return static_cast<unsigned>(room / stride + 1);
    }

    operator ArrayIterator<T const>() const
    {
        return ArrayIterator<T const>(begin_, static_cast<unsigned>(count_), current_, step_);
    }

private:
    T* begin_ = nullptr;
    int count_ = 0;
    int current_ = 0;
    int step_ = 1;
};

}  // namespace DEC2DIvra
