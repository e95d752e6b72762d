#pragma once

#include "decoder/core/containers/array_iterator.h"
#include "decoder/core/containers/stack_interface.h"
#include "decoder/linear/line/bar_symbol.h"
#include "decoder/linear/line/common_partial_scan_data.h"
#include "decoder/linear/line/scan_element.h"

namespace DEC2DIvra {

// Reads from the run the frame offers and, failing that, from the run before
// it: Code 39, Code 93 and Code 11 begin with a one-module bar, which printed
// small may lack the contrast that makes the frame offer it, so that the run
// after it comes instead. A read that found its start character at the
// offered run keeps what it read: its first character is the line's start
// symbol for the multi-line road, which a retry would clear.
template <class ReadFrom>
bool ReadFromOfferedOrPreviousRun(ArrayIterator<ScanElement const> const& start,
                                  StackInterface<BarSymbol> const& symbols, ReadFrom&& read)
{
    if (read(start)) {
        return true;
    }
    if (!symbols.IsEmpty()) {
        return false;
    }
    ArrayIterator<ScanElement const> before = start;
    before.Prev();
    return before.IsValid() && read(before);
}

// The quiet zone of `margin` line units before (after) the window, on a light
// ground or, for a negative symbol, a dark one, with `specks` tolerated.
inline bool CheckCharacterQuietZone(CommonPartialScanData const& window, long long margin, bool negative, bool after,
                                    unsigned specks)
{
    unsigned const required =
        margin <= 0 ? 0u : (margin > 0x7FFFFFFFLL ? 0x7FFFFFFFu : static_cast<unsigned>(margin));
    return negative ? window.CheckBlackMargin(required, after, false, specks)
                    : window.CheckMargin(required, after, false, specks);
}

// The start character's search on a window: while the quiet zone before the
// window holds, `match` is tried, and between tries the weakest noise inside
// the window is removed (at most `passes` tries).
template <class Window, class QuietZone, class Match>
bool FindStartCharacter(Window& work, unsigned passes, QuietZone&& quietZone, Match&& match)
{
    for (unsigned pass = 0; pass < passes; ++pass) {
        if (!quietZone(work)) {
            return false;
        }
        if (match(work)) {
            return true;
        }
        if (!work.DeleteNoise()) {
            break;
        }
    }
    return false;
}

}  // namespace DEC2DIvra
