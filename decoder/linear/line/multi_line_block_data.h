#pragma once

#include "decoder/core/geometry/line.h"
#include "decoder/linear/line/bar_symbol.h"

namespace DEC2DIvra {

class BarSymbolDecoder;

// One symbol-character position as seen on several scan lines of a band: one
// entry per line on which a decoder classified a character there, and three
// straight-line models over the line index (begin coordinate, end coordinate,
// contrast) that answer for the lines without an entry. The multi-line road
// builds blocks position by position, each block searched on every line next
// to the block before it.
class MultiLineBlockData {
public:
    // One entry per scan position of a band.
    static constexpr unsigned kLineCapacity = 16;

    // What one line saw at the position: the bar symbol's fields and the index
    // of the line (0 .. 15, in band order).
    struct Entry {
        int value = 0;     // character value or pattern
        int begin = 0;     // line coordinate where the character begins
        int end = 0;       // line coordinate where it ends
        int width = 0;     // the decoder's width measure (a module width)
        int contrast = 0;  // the window's contrast
        int word = 0;      // a word of the decoder's own (the symbol's flag)
        int line = 0;      // index of the scan line

        static Entry FromBarSymbol(BarSymbol const& symbol, int line)
        {
            return Entry{symbol.value, symbol.begin, symbol.end, symbol.width, symbol.contrast, symbol.flag, line};
        }
    };

    // A coordinate as a straight-line function of the line index: base plus
    // -(c + b i) / a rounded to nearest; the base alone when a is 0.
    struct Model {
        Line line;
        int base = 0;

        long long Evaluate(int index) const;
    };

    MultiLineBlockData() = default;
    MultiLineBlockData(MultiLineBlockData const&) = default;
    MultiLineBlockData& operator=(MultiLineBlockData const&) = default;
    void Copy(MultiLineBlockData const& other) { *this = other; }

    // No entries, no models.
    void Clear() { *this = MultiLineBlockData(); }
    // Appends an entry; false when the block is full or the line index lies
    // outside 0 .. kLineCapacity - 1.
    bool Push(Entry const& entry);
    bool Push(BarSymbol const& symbol, int line) { return Push(Entry::FromBarSymbol(symbol, line)); }
    // Removes the last entry.
    bool Pop();

    unsigned GetCount() const { return count_; }
    bool IsEmpty() const { return count_ == 0; }
    Entry const& operator[](unsigned i) const { return entry_[i]; }
    Entry const* begin() const { return entry_; }
    Entry const* end() const { return entry_ + count_; }
    // The entry of a line; null when the line has none.
    Entry const* FindLine(int line) const;

    // For a line index: the coordinate (or contrast) of the line's entry when
    // there is one, else the model's value.
    int GetBeginLineCoord(int line) const;
    int GetEndLineCoord(int line) const;
    int GetContrast(int line) const;
    // The value of the entry of the nearest line (the earlier line on a tie);
    // false when the block is empty.
    bool GetPattern(int line, unsigned& pattern) const;

    // The average width over the entries whose value is `value` (0 when there
    // is none), kept as the block's minimum element width.
    int CalcMinElementWidth(unsigned value);
    int GetMinElementWidth() const { return minElementWidth_; }

    // True when both blocks have an entry on some same line.
    bool CheckPrevBlock(MultiLineBlockData const& previous) const;
    // Fits the contrast model over the entries; its base is the smallest
    // contrast.
    void CalcContrastLine();
    // Fits the begin and end models without dropping anything: the bases are
    // the smallest coordinates and every entry counts. For blocks too small
    // for Adjust (a start character seen on three lines).
    void CalcLines();

    // Fits the begin and end models to the entries that carry the most
    // frequent value, dropping outliers, then keeps the entries that lie
    // within the minimum element width of both models. False when too few
    // entries fit (the block is then unusable), or when a previous block is
    // given and the two share no line.
    bool Adjust(MultiLineBlockData const* previous);
    // The same, but an entry that fits the models with another value than
    // the most frequent one fails the block.
    bool AdjustForSinglePattern(MultiLineBlockData const* previous);

    Model const& GetBeginModel() const { return begin_; }
    Model const& GetEndModel() const { return end_; }
    Model const& GetContrastModel() const { return contrast_; }

private:
    bool Adjust(MultiLineBlockData const* previous, bool singlePattern);

    Entry entry_[kLineCapacity];
    unsigned count_ = 0;
    int minElementWidth_ = 0;
    Model begin_;
    Model end_;
    Model contrast_;
};

// The block of a start character, with the decoder that read it and the
// read's polarity and direction.
struct MultiLineStartBlockData {
    MultiLineBlockData block;
    BarSymbolDecoder const* decoder = nullptr;
    unsigned char negative = 0;
    unsigned char reverced = 0;
};

}  // namespace DEC2DIvra
