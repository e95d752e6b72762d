// The UPC/EAN blocks of a multi-line read voted into characters, the add-on
// blocks beside them, and the read's edges.

#include "decoder/core/property/dec2d_property.h"
#include "decoder/linear/line/line_decode_data.h"
#include "decoder/linear/line/multi_line_block_data.h"
#include "decoder/linear/upc_ean/upc_ean_block_measure.h"
#include "decoder/linear/upc_ean/upc_ean_decoder.h"
#include "decoder/linear/upc_ean/upc_ean_digits.h"
#include "decoder/linear/upc_ean/upc_ean_partial_scan_data.h"
#include "decoder/linear/upc_ean/upc_ean_tables.h"

namespace DEC2DIvra {

namespace {

unsigned ToWidth(long long v) { return v <= 0 ? 0u : (v > 0x7FFFFFFFLL ? 0x7FFFFFFFu : static_cast<unsigned>(v)); }

int ToCoord(long long v) { return v < -0x7FFFFFFFLL ? -0x7FFFFFFF : (v > 0x7FFFFFFFLL ? 0x7FFFFFFF : static_cast<int>(v)); }

// The add-on's quiet zone after a window: 7/9 of it clean, or its whole
// span with one speck.
bool AddonEnds(CommonPartialScanData const& window, bool barIsLight)
{
    long long const span = window.GetSpan();
    auto test = [&](unsigned width, unsigned specks) {
        return barIsLight ? window.CheckBlackMargin(width, true, false, specks)
                          : window.CheckMargin(width, true, false, specks);
    };
    return test(ToWidth(7 * span / 9), 0) || test(ToWidth(span), 1);
}

}  // namespace

bool WPCDecoder::JudgeReverce(MultiLineBlockData const& start, bool& reverced) const
{
    int code = 0;
    unsigned votes = 0;
    if (!BlockWinner(start, code, votes) || votes < 3) {
        return false;
    }
    reverced = UpcEanTables::Lookup(code).set == 1;
    return true;
}

bool WPCDecoder::MakeBarSymbolArray(StackInterface<MultiLineBlockData> const& blocks, bool& reverced,
                                    StackInterface<BarSymbol>& symbols, unsigned& votes) const
{
    symbols.Clear();
    votes = 0;
    unsigned smallest = 0;
    for (unsigned b = 0; b < blocks.GetCount(); ++b) {
        int value = 0;
        unsigned count = 0;
        if (!BlockWinner(blocks[b], value, count)) {
            symbols.Clear();
            return false;
        }
        BarSymbol symbol;
        for (MultiLineBlockData::Entry const& entry : blocks[b]) {
            if (entry.value == value) {
                symbol = BarSymbol{};
                symbol.value = value;
                symbol.begin = entry.begin;
                symbol.end = entry.end;
                symbol.width = entry.width;
                symbol.contrast = entry.contrast;
                symbol.flag = static_cast<unsigned char>(entry.word);
                break;
            }
        }
        if (!symbols.Push(symbol)) {
            symbols.Clear();
            return false;
        }
        smallest = b == 0 || count < smallest ? count : smallest;
    }
    votes = smallest;
    return CheckCheckDigit(symbols, reverced);
}

bool WPCDecoder::ExecuteAddonBlockBinarization(StackInterface<ArrayIterator<ScanElement const>> const& lines,
                                               StackInterface<MultiLineBlockData>& blocks, bool inverted,
                                               bool reverced) const
{
    unsigned const main = blocks.GetCount();
    if (main != 6 && main != 8 && main != 12) {
        return false;
    }
    unsigned const lineCount =
        lines.GetCount() < MultiLineBlockData::kLineCapacity ? lines.GetCount() : MultiLineBlockData::kLineCapacity;
    unsigned length = 0;
    for (unsigned n = 0; n < 5; ++n) {
        MultiLineBlockData const* reference = n == 0 ? (reverced ? &blocks[0] : &blocks[main - 1]) : &blocks.GetTop();
        MultiLineBlockData* block = blocks.PushSlot();
        if (block == nullptr) {
            break;
        }
        block->Clear();
        bool ends = false;
        for (unsigned i = 0; i < lineCount; ++i) {
            UpcEanBlockWindow ref;
            if (!ref.From(*reference, static_cast<int>(i))) {
                continue;
            }
            long long const w = ref.Width();
            long long const e = ref.elementWidth;
            BarSymbolForWPC digit;
            bool read = false;
            long long spanOf = 0;
            CommonPartialScanData const* measured = nullptr;
            WPCAddonStartPartialScanData guard;
            WPCAddonPartialScanData next;
            if (n == 0) {
                long long const gap = main == 6 ? 15 * w / 14 : 6 * w / 7;
                long long const start = reverced ? ref.begin - gap : ref.end + gap;
                unsigned const low = ToWidth(44 * w / 35);
                unsigned const high = ToWidth(66 * w / 35);
                bool const light = inverted;  // bar colour first
                read = reverced ? guard.ReverceSet(Backwards(lines[i]), light, ToCoord(start),
                                                   static_cast<unsigned>(ref.contrast), low, high,
                                                   CommonPartialScanData::kNoDistanceLimit)
                                : guard.Set(lines[i], light, ToCoord(start), static_cast<unsigned>(ref.contrast), low,
                                            high, CommonPartialScanData::kNoDistanceLimit);
                read = read && guard.GetSpan() >= low && guard.GetSpan() <= high &&
                       guard.CalcBarSymbol(inverted, reverced, digit);
                measured = &guard;
            } else {
                long long const start = reverced ? ref.begin + e : ref.end - e;
                unsigned const low = ToWidth(36 * w / 35);
                unsigned const high = ToWidth(54 * w / 35);
                bool const light = !inverted;  // space colour first
                read = reverced ? next.ReverceSet(Backwards(lines[i]), light, ToCoord(start),
                                                  static_cast<unsigned>(ref.contrast), low, high,
                                                  CommonPartialScanData::kNoDistanceLimit)
                                : next.Set(lines[i], light, ToCoord(start), static_cast<unsigned>(ref.contrast), low,
                                           high, CommonPartialScanData::kNoDistanceLimit);
                // The separator begins where the digit before ended.
                read = read && next.GetSpan() >= low && next.GetSpan() <= high &&
                       (reverced ? static_cast<long long>(next[0].end) >= ref.begin - e
                                 : static_cast<long long>(next[0].begin) <= ref.end + e) &&
                       next.CalcBarSymbol(inverted, digit);
                measured = &next;
            }
            spanOf = measured->GetSpan();
            if (!read || spanOf <= 0) {
                continue;
            }
            block->Push(MultiLineBlockData::Entry{static_cast<int>(digit.code), digit.begin, digit.end, digit.width,
                                                  digit.greyRange, 0, static_cast<int>(i)});
            ends = ends || ((n == 1 || n == 4) && AddonEnds(*measured, inverted));
        }
        if (!block->Adjust(reference)) {
            blocks.Pop();
            break;
        }
        if (ends) {
            length = n + 1;
        }
    }
    unsigned const forced = main == 12 ? forcedAddon_ : 0u;
    bool admitted = false;
    if (length == 2) {
        admitted = main == 8    ? ean8_->read_addon2.Get()
                   : main == 12 ? (upcA_->read_addon2.Get() || ean13_->read_addon2.Get() || (forced & kForcedAddon2) != 0)
                                : (upcE_->read_addon2.Get() || upcE_->read_upc_e1_addon2.Get());
    } else if (length == 5) {
        admitted = main == 8    ? ean8_->read_addon5.Get()
                   : main == 12 ? (upcA_->read_addon5.Get() || ean13_->read_addon5.Get() || (forced & kForcedAddon5) != 0)
                                : (upcE_->read_addon5.Get() || upcE_->read_upc_e1_addon5.Get());
    }
    if (admitted && blocks.GetCount() >= main + length) {
        blocks.SetCount(main + length);
        return true;
    }
    blocks.SetCount(main);
    return false;
}

bool WPCDecoder::CalcMultilineDecodedRegion(GrayImage const& image, bool reverced,
                                            ArrayIterator<LineDecodeData const> const& lines,
                                            StackInterface<MultiLineBlockData> const& blocks,
                                            StackInterface<Point>& beginEdge, StackInterface<Point>& endEdge) const
{
    beginEdge.Clear();
    endEdge.Clear();
    unsigned const count = blocks.GetCount();
    unsigned main = 0;
    if (count == 8 && !blocks[6].IsEmpty() && blocks[6][0].value >= UpcEanDigits::kAddonCode) {
        main = 6;
    } else if (count == 10 || count == 13) {
        main = 8;
    } else if (count == 11) {
        main = 6;
    } else if (count == 14 || count == 17) {
        main = 12;
    }
    if (count == 0) {
        return false;
    }
    // Met from its end, an add-on lies before the main symbol on the line.
    bool const addonFirst = main != 0 && reverced;
    MultiLineBlockData const& first = addonFirst ? blocks[main - 1] : blocks[0];
    auto collect = [&](MultiLineBlockData const& block, bool atBegin, StackInterface<Point>& edge) {
        for (MultiLineBlockData::Entry const& entry : block) {
            LineDecodeData const* line = lines.Peek(entry.line);
            Point point;
            if (line != nullptr && line->line.CalcLineCoordPoint(image, atBegin ? entry.begin : entry.end, point) &&
                !edge.Push(point)) {
                return false;
            }
        }
        return true;
    };
    return collect(first, !addonFirst, beginEdge) && collect(blocks.GetTop(), addonFirst, endEdge) &&
           !beginEdge.IsEmpty() && !endEdge.IsEmpty();
}

}  // namespace DEC2DIvra
