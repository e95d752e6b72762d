#pragma once
// The cells of the data-editing engine's recent labels and of what their
// programs wrote, in one fixed buffer with a write position. Records refer to
// it by cell position. It is filled front to back and emptied as a whole,
// never wrapped: a position that a record holds stays valid for as long as
// the record is kept, also while a later label of the same read is matched.

#include "format/decode_data_byte.h"

template <class Cell, unsigned N>
class LimitedStringBuffer {
public:
    static constexpr unsigned kCapacity = N;

    // Writes at a position of its own; the run that owns it decides whether
    // the cells are kept (SetWritePosition) or dropped.
    class Writer {
    public:
        Writer(LimitedStringBuffer& buffer, unsigned& position) : cells_(buffer.cells_), position_(position) {}
        bool Put(Cell c)
        {
            if (position_ >= N)
                return false;
            cells_[position_++] = c;
            return true;
        }

    private:
        Cell* cells_;
        unsigned& position_;
    };

    // Appends cells; false (and nothing written) when they do not fit.
    bool Append(const Cell* cells, unsigned count, unsigned& start)
    {
        if (count > N - write_)
            return false;
        start = write_;
        for (unsigned i = 0; i < count; ++i)
            cells_[write_++] = cells[i];
        return true;
    }
    unsigned WritePosition() const { return write_; }
    // Keeps what a run wrote up to `position`, or withdraws what was written
    // after it.
    void SetWritePosition(unsigned position) { write_ = position <= N ? position : N; }
    void Empty() { write_ = 0; }

    Cell* Cells() { return cells_; }
    const Cell* Cells() const { return cells_; }
    const Cell& operator[](unsigned i) const { return cells_[i]; }

private:
    Cell cells_[N];
    unsigned write_ = 0;
};
