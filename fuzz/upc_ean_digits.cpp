// UPC/EAN character lists and run lengths of any shape: the digit checks,
// the book-number forms and the character windows must refuse what is not
// a symbol without reading or writing outside their buffers.

#include <cstddef>
#include <cstdint>

#include "decoder/linear/line/bar_symbol.h"
#include "decoder/linear/upc_ean/upc_ean_book_numbers.h"
#include "decoder/linear/upc_ean/upc_ean_digits.h"
#include "decoder/linear/upc_ean/upc_ean_partial_scan_data.h"

using namespace DEC2DIvra;

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size)
{
    if (size < 2) {
        return 0;
    }
    // First byte: settings and direction; then pairs of bytes as codes.
    std::uint8_t const head = data[0];
    BarSymbol symbols[20];
    unsigned count = 0;
    for (std::size_t i = 1; i + 1 < size && count < 20; i += 2) {
        symbols[count++].value = (data[i] << 8 | data[i + 1]) & 0x7FF;
    }
    StackInterface<BarSymbol> stack(symbols, 20);
    stack.SetCount(count);
    UpcEanDigits digits;
    if (digits.Set(stack, (head & 1) != 0)) {
        digits.Check();
        digits.CalcLeadingDigit();
        digits.CalcUpcECheckDigit();
        unsigned char ean[13] = {};
        for (unsigned i = 0; i < 13 && i < digits.GetMainCount(); ++i) {
            ean[i] = digits.GetMain(i);
        }
        char buffer[16];
        StackInterface<char> text(buffer, (head >> 4) & 15u);
        UpcEanBookNumbers::Form form;
        // Values past the named ones too: a stored setting may hold any.
        auto mode = [head](unsigned shift) {
            return static_cast<UpcEanBookNumbers::enable_ifpossible>((head >> shift) & 3u);
        };
        UpcEanBookNumbers::Convert(ean, UpcEanBookNumbers::Settings{mode(1), mode(3), mode(5)}, text, form);
    }

    // The same bytes as runs: widths and greys of alternating colours.
    ScanElement runs[64];
    unsigned n = 0;
    int position = 0;
    for (std::size_t i = 1; i + 1 < size && n < 64; i += 2, ++n) {
        runs[n].colour = static_cast<unsigned char>(n % 2);
        runs[n].grey = (runs[n].colour != 0 ? 600 : 0) + data[i + 1];
        runs[n].begin = position;
        position += 1 + data[i];
        runs[n].end = position;
        runs[n].samples = 1 + data[i] / 16;
    }
    for (unsigned start = 1; start + 1 < n; ++start) {
        ArrayIterator<ScanElement const> const at(runs, n, static_cast<int>(start), 1);
        WPCStartPartialScanData first;
        BarSymbolForWPC c;
        if (first.Set(at) && first.CalcBarSymbol((head & 2) != 0, c)) {
            WPCPartialScanData next;
            BarSymbolForWPC d;
            if (next.Set(first, 4, 0, 0x7FFFFFFF)) {
                next.CalcBarSymbol((head & 2) != 0, c, d);
            }
        }
        UPC_E_ReverceStartPartialScanData reverse;
        if (reverse.Set(at)) {
            reverse.CalcBarSymbol((head & 2) != 0, c);
        }
    }
    return 0;
}
