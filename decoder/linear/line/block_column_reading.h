#pragma once

#include "decoder/core/containers/array_iterator.h"
#include "decoder/core/containers/ballot_box.h"
#include "decoder/core/containers/stack_interface.h"
#include "decoder/linear/line/bar_symbol.h"
#include "decoder/linear/line/multi_line_block_data.h"
#include "decoder/linear/line/scan_element.h"

namespace DEC2DIvra {

// The multi-line road of the symbologies whose characters stand one after
// another on every line (Code 39, Code 93, Codabar): each column is searched
// on every line right after the column before it, and the columns are voted
// into one character list.

// Where one line's next character is searched: from `lead` before the end of
// the column before it (the line's own entry, or the column's models on a
// line without one). Where a character ends with a run of the colour the
// next one begins with, half an element keeps that run out of the search.
struct BlockColumnStart {
    int start = 0;          // first coordinate a window may begin at
    int end = 0;            // where the column before ended on the line
    unsigned contrast = 0;  // the column's contrast on the line
    unsigned width = 0;     // the column's character width on the line
};

// The column's element width: the fitted one when the column was fitted, else
// the mean over its entries.
int CalcBlockElementWidth(MultiLineBlockData const& column);

// False when the column gives the line no usable place (no width, no
// contrast, coordinates out of range).
bool CalcBlockColumnStart(MultiLineBlockData const& previous, int line, int lead, BlockColumnStart& out);

// Reads columns after the top block of `blocks` until one cannot be fitted
// to the one before it or most of its lines read a closing character.
// readLine(iterator, start, element width, symbol, closing) reads one line's
// character; true when it is one. `halfLead`: search from half an element
// width before the column's end, else a whole one. True when some line
// closed the symbol.
template <class ReadLine>
bool ReadBlockColumns(StackInterface<ArrayIterator<ScanElement const>> const& lines,
                      StackInterface<MultiLineBlockData>& blocks, bool halfLead, ReadLine&& readLine)
{
    if (blocks.IsEmpty()) {
        return false;
    }
    unsigned const count =
        lines.GetCount() < MultiLineBlockData::kLineCapacity ? lines.GetCount() : MultiLineBlockData::kLineCapacity;
    bool closed = false;
    for (;;) {
        // The stack lies over a fixed buffer: the top stays where it is.
        MultiLineBlockData const& previous = blocks.GetTop();
        MultiLineBlockData* column = blocks.PushSlot();
        if (column == nullptr) {
            return closed;
        }
        column->Clear();
        int const elementWidth = CalcBlockElementWidth(previous);
        unsigned closing = 0;
        for (unsigned i = 0; i < count; ++i) {
            BlockColumnStart start;
            if (!CalcBlockColumnStart(previous, static_cast<int>(i), halfLead ? elementWidth / 2 : elementWidth,
                                      start)) {
                continue;
            }
            BarSymbol symbol;
            bool isClosing = false;
            if (readLine(lines[i], start, elementWidth, symbol, isClosing) &&
                column->Push(symbol, static_cast<int>(i))) {
                closing += isClosing ? 1u : 0u;
            }
        }
        closed = closed || closing > 0;
        if (!column->Adjust(&previous)) {
            blocks.Pop();
            return closed;
        }
        if (2 * closing > column->GetCount()) {
            return true;
        }
    }
}

// The columns voted into one character list in line order: each column's
// most voted value, which must lead every other value of the column; the
// list ends at the first column after the first whose value closes the
// symbol (isClosing(value, value of the first column)), and accept(symbols)
// must take it (the check characters). votes is the smallest winning count.
// False, with no symbols, when no column closes, a column has no clear value
// or the list is not accepted.
template <class IsClosing, class Accept>
bool VoteBlockColumns(StackInterface<MultiLineBlockData> const& blocks, StackInterface<BarSymbol>& symbols,
                      unsigned& votes, IsClosing&& isClosing, Accept&& accept)
{
    symbols.Clear();
    votes = 0;
    int first = 0;
    for (unsigned c = 0; c < blocks.GetCount(); ++c) {
        MultiLineBlockData const& column = blocks[c];
        BallotBox<BarSymbolOnlyPattern, unsigned>::Entry entries[MultiLineBlockData::kLineCapacity];
        BallotBox<BarSymbolOnlyPattern, unsigned> ballot(entries, MultiLineBlockData::kLineCapacity);
        for (MultiLineBlockData::Entry const& entry : column) {
            BarSymbolOnlyPattern vote;
            vote.symbol.value = entry.value;
            vote.symbol.begin = entry.begin;
            vote.symbol.end = entry.end;
            vote.symbol.width = entry.width;
            vote.symbol.contrast = entry.contrast;
            ballot.Push(vote, 1);
        }
        if (ballot.GetCount() == 0) {
            break;
        }
        ballot.Sort();
        if (ballot.GetCount() > 1 && ballot[1].count >= ballot[0].count) {
            break;
        }
        int const value = ballot[0].value.symbol.value;
        BarSymbol symbol = ballot[0].value.symbol;
        unsigned doubtful = 0;
        bool firstEntry = true;
        for (MultiLineBlockData::Entry const& entry : column) {
            if (entry.value == value) {
                symbol.begin = firstEntry ? entry.begin : symbol.begin;
                firstEntry = false;
                symbol.end = entry.end;
                symbol.width = entry.width;
                symbol.contrast = entry.contrast;
                doubtful += entry.word != 0 ? 1u : 0u;
            }
        }
        // Most lines must doubt a character for the column to doubt it.
        symbol.flag = static_cast<unsigned char>(2 * doubtful > ballot[0].count ? 1 : 0);
        if (!symbols.Push(symbol)) {
            break;
        }
        votes = c == 0 || ballot[0].count < votes ? ballot[0].count : votes;
        if (c == 0) {
            first = value;
        } else if (isClosing(value, first)) {
            if (accept(symbols)) {
                return true;
            }
            break;
        }
    }
    symbols.Clear();
    votes = 0;
    return false;
}

}  // namespace DEC2DIvra
