// The multi-line road of the UPC/EAN decoder: the characters after a start
// read block by block across the lines of a band, each line's window placed
// by the block before it, and the guards confirmed the same way.

#include "decoder/core/property/dec2d_property.h"
#include "decoder/linear/line/multi_line_block_data.h"
#include "decoder/linear/upc_ean/upc_ean_block_measure.h"
#include "decoder/linear/upc_ean/upc_ean_decoder.h"
#include "decoder/linear/upc_ean/upc_ean_digits.h"
#include "decoder/linear/upc_ean/upc_ean_partial_scan_data.h"
#include "decoder/linear/upc_ean/upc_ean_tables.h"

namespace DEC2DIvra {

namespace {

unsigned ToWidth(long long v) { return v <= 0 ? 0u : (v > 0x7FFFFFFFLL ? 0x7FFFFFFFu : static_cast<unsigned>(v)); }

enum class Window { kData, kMiddle, kRightGuard, kUpcEGuard, kLeftGuard };

// Extra span beyond the reference character, in 35ths of it.
struct SpanLimit {
    long long low;
    long long high;
};

SpanLimit Limits(Window kind)
{
    switch (kind) {
    case Window::kData: return {28, 42};
    case Window::kMiddle: return {48, 72};
    case Window::kRightGuard:
    case Window::kLeftGuard: return {12, 18};
    case Window::kUpcEGuard: return {24, 36};
    }
    return {0, 0};
}

int MaxEnd(CommonPartialScanData const& window)
{
    int end = window[0].end;
    for (unsigned i = 1; i < window.GetLength(); ++i) {
        end = window[i].end > end ? window[i].end : end;
    }
    return end;
}

}  // namespace

struct WPCDecoder::BlockRoad {
    WPCDecoder const& decoder;
    StackInterface<ArrayIterator<ScanElement const>> const& lines;
    StackInterface<MultiLineBlockData>& blocks;
    bool inverted;
    unsigned zone;

    unsigned LineCount() const
    {
        return lines.GetCount() < MultiLineBlockData::kLineCapacity ? lines.GetCount()
                                                                    : MultiLineBlockData::kLineCapacity;
    }

    bool Quiet(CommonPartialScanData const& window, unsigned width) const
    {
        return inverted ? window.CheckBlackMargin(width, true, false, 0) : window.CheckMargin(width, true, false, 0);
    }

    // One line's window of the given kind; the entry it gives, if any.
    template <class W>
    bool Load(unsigned line, Window kind, bool spaceFirst, UpcEanBlockWindow const& ref, W& window,
              BarSymbolForWPC& previous) const
    {
        long long const w = ref.Width();
        SpanLimit const limit = Limits(kind);
        long long const minimum = w + limit.low * w / 35;
        long long const maximum = w + limit.high * w / 35;
        bool const light = spaceFirst ? !inverted : inverted;
        long long const start = ref.begin - w / 7;
        if (start < -0x7FFFFFFFLL || !window.Set(lines[line], light, static_cast<int>(start),
                                                 static_cast<unsigned>(ref.contrast), ToWidth(minimum),
                                                 ToWidth(maximum), CommonPartialScanData::kNoDistanceLimit)) {
            return false;
        }
        long long const span = window.GetSpan();
        return span >= minimum && span <= maximum &&
               static_cast<long long>(window[3].end) <= static_cast<long long>(ref.end) + ref.elementWidth &&
               CalcPrevBarSymbol(&window[0], inverted, ref.pattern, previous);
    }

    bool Entry(unsigned line, Window kind, bool spaceFirst, MultiLineBlockData const& reference,
               MultiLineBlockData::Entry& entry) const
    {
        UpcEanBlockWindow ref;
        if (!ref.From(reference, static_cast<int>(line))) {
            return false;
        }
        BarSymbolForWPC previous;
        BarSymbolForWPC next;
        int const index = static_cast<int>(line);
        switch (kind) {
        case Window::kData: {
            WPCPartialScanData window;
            if (!Load(line, kind, spaceFirst, ref, window, previous) || !window.CalcBarSymbol(inverted, previous, next)) {
                return false;
            }
            break;
        }
        case Window::kMiddle: {
            WPCMiddlePartialScanData window;
            if (!Load(line, kind, spaceFirst, ref, window, previous) || !window.CalcBarSymbol(inverted, previous, next)) {
                return false;
            }
            break;
        }
        case Window::kRightGuard:
        case Window::kLeftGuard: {
            WPCEndPartialScanData window;
            if (!Load(line, kind, spaceFirst, ref, window, previous) || !window.IsEnd(inverted, previous)) {
                return false;
            }
            long long const span = window.GetSpan();
            long long const num = kind == Window::kRightGuard ? 7 : 9;
            if (!Quiet(window, ToWidth(span * num / 10 * zone / 7))) {
                return false;
            }
            entry = {0, window[4].begin, MaxEnd(window), static_cast<int>(span / 10), window.GetContrast(), 0, index};
            return true;
        }
        case Window::kUpcEGuard: {
            UPC_E_EndPartialScanData window;
            if (!Load(line, kind, spaceFirst, ref, window, previous) || !window.IsEnd(inverted, previous)) {
                return false;
            }
            long long const span = window.GetSpan();
            if (!Quiet(window, ToWidth(span * 9 / 13 * zone / 7))) {
                return false;
            }
            entry = {0, window[4].begin, MaxEnd(window), static_cast<int>(span / 13), window.GetContrast(), 0, index};
            return true;
        }
        }
        entry = {static_cast<int>(next.code), next.begin, next.end, next.width, next.greyRange, next.startFlag, index};
        return true;
    }

    // Pushes one block made against the top one; false (with the block
    // removed) when its lines do not fit together.
    bool Make(Window kind, bool spaceFirst) const
    {
        if (blocks.IsEmpty()) {
            return false;
        }
        unsigned const referenceIndex = blocks.GetCount() - 1;
        MultiLineBlockData* block = blocks.PushSlot();
        if (block == nullptr) {
            return false;
        }
        block->Clear();
        MultiLineBlockData const& reference = blocks[referenceIndex];
        for (unsigned i = 0; i < LineCount(); ++i) {
            MultiLineBlockData::Entry entry;
            if (Entry(i, kind, spaceFirst, reference, entry)) {
                block->Push(entry);
            }
        }
        if (!block->Adjust(&reference)) {
            blocks.Pop();
            return false;
        }
        return true;
    }

    bool Data(unsigned until, bool spaceFirst) const
    {
        while (blocks.GetCount() < until) {
            if (!Make(Window::kData, spaceFirst)) {
                return false;
            }
        }
        return true;
    }

    // A guard block only confirms the symbol's end; it is not a character.
    // Only the UPC-E guard follows a left-half character, which opens with
    // a space.
    bool Guard(Window kind) const
    {
        if (!Make(kind, kind == Window::kUpcEGuard)) {
            return false;
        }
        blocks.Pop();
        return true;
    }

    bool Forward(bool& reverced) const;
    bool FromUpcEEnd(bool& reverced) const;
};

bool WPCDecoder::BlockRoad::Forward(bool& reverced) const
{
    MultiLineBlockData const& start = blocks[0];
    int head = 0;
    unsigned headVotes = 0;
    if (!BlockWinner(start, head, headVotes) || !Data(4, true)) {
        return false;
    }
    if (Make(Window::kMiddle, true)) {
        Ean8Property const& ean8 = decoder.GetEan8Property();
        if (!Data(8, false) || !Guard(Window::kRightGuard)) {
            return false;
        }
        // The direction is judged whether or not an add-on may follow: an
        // EAN-8 met from its end reads only with it.
        bool const judged = decoder.JudgeReverce(start, reverced);
        if (!ean8.read_addon2.Get() && !ean8.read_addon5.Get()) {
            return true;
        }
        if (judged && decoder.ExecuteAddonBlockBinarization(lines, blocks, inverted, reverced)) {
            return true;
        }
        return ean8.read.Get();
    }
    if (!Data(6, true)) {
        return false;
    }
    if (Guard(Window::kUpcEGuard)) {
        bool const e1 = UpcEanTables::Lookup(head).set == 0;
        if (start[0].word != 0 || !decoder.IsAnyUpcEEnabled(e1)) {
            return false;
        }
        reverced = false;
        if (!decoder.HasAddonKeyForUpcE(e1)) {
            return true;
        }
        UpcEProperty const& keys = decoder.GetUpcEProperty();
        return decoder.ExecuteAddonBlockBinarization(lines, blocks, inverted, false) ||
               (e1 ? keys.read_upc_e1.Get() : keys.read.Get());
    }
    if (!Make(Window::kMiddle, true) || !Data(12, false) || !Guard(Window::kRightGuard) ||
        !decoder.JudgeReverce(start, reverced)) {
        return false;
    }
    BarSymbol buffer[UpcEanDigits::kMaxMain];
    StackInterface<BarSymbol> symbols(buffer, UpcEanDigits::kMaxMain);
    unsigned votes = 0;
    UpcEanDigits digits;
    bool judged = reverced;
    if (!decoder.MakeBarSymbolArray(blocks, judged, symbols, votes) || !digits.Set(symbols, reverced)) {
        return false;
    }
    unsigned char const prefix[3] = {digits.CalcLeadingDigit(), digits.GetMain(0), digits.GetMain(1)};
    unsigned const forced = decoder.CheckForcedAddon(prefix);
    decoder.forcedAddon_ = forced;
    UpcAProperty const& upcA = decoder.GetUpcAProperty();
    Ean13Property const& ean13 = decoder.GetEan13Property();
    if (!upcA.read_addon2.Get() && !upcA.read_addon5.Get() && !ean13.read_addon2.Get() && !ean13.read_addon5.Get() &&
        forced == 0) {
        return true;
    }
    if (decoder.ExecuteAddonBlockBinarization(lines, blocks, inverted, reverced)) {
        return true;
    }
    return upcA.read.Get() || ean13.read.Get() || forced == 0;
}

bool WPCDecoder::BlockRoad::FromUpcEEnd(bool& reverced) const
{
    if (!Data(6, false) || !Guard(Window::kLeftGuard)) {
        return false;
    }
    reverced = true;
    int first = 0;
    unsigned votes = 0;
    // Met from its end, the symbol's first character is the last block.
    if (!BlockWinner(blocks.GetTop(), first, votes)) {
        return false;
    }
    bool const e1 = UpcEanTables::Lookup(first).set == 0;
    if (!decoder.HasAddonKeyForUpcE(e1)) {
        return true;
    }
    UpcEProperty const& keys = decoder.GetUpcEProperty();
    return decoder.ExecuteAddonBlockBinarization(lines, blocks, inverted, true) ||
           (e1 ? keys.read_upc_e1.Get() : keys.read.Get());
}

bool WPCDecoder::ExecuteBlockBinarization(StackInterface<ArrayIterator<ScanElement const>> const& lines,
                                          StackInterface<MultiLineBlockData>& blocks, bool negative,
                                          bool& reverced) const
{
    if (blocks.GetCount() != 1 || blocks[0].IsEmpty() || !IsAnyReadEnabled() || !CheckPolarity(negative)) {
        return false;
    }
    BlockRoad const road{*this, lines, blocks, negative, GetDecoderDetail().quiet_zone.Get()};
    switch ((static_cast<unsigned>(blocks[0][0].value) >> 7) & 0x3Fu) {
    case 0x2u: return road.Forward(reverced);
    case 0x15u: return road.FromUpcEEnd(reverced);
    default: return false;
    }
}

}  // namespace DEC2DIvra
