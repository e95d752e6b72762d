#pragma once
// What a perfect line reader stores for a zint-encoded UPC/EAN row: the
// character codes in the order the line meets them, as the decoder's checks
// and text rules receive them.

#include <string>
#include <vector>

#include "decoder/linear/line/bar_symbol.h"
#include "decoder/core/containers/stack_interface.h"
#include "tests/decoder/linear/upc_ean/upc_ean_zint_modules.h"

namespace upc_ean_test {

using DEC2DIvra::BarSymbol;
using DEC2DIvra::StackInterface;

// Seven modules as a character code (1 = space), first module highest.
inline int Code(std::string const& modules, size_t at)
{
    int code = 0;
    for (size_t i = 0; i < 7; ++i) {
        code = (code << 1) | (modules[at + i] == '0' ? 1 : 0);
    }
    return code;
}

inline std::string Mirror(std::string s) { return std::string(s.rbegin(), s.rend()); }

// What a perfect line reader stores: the main characters in the order the
// line meets them (from the right-hand end when reverced), the add-on digits
// after them in their own order, each carrying its guard or separator bit.
struct PerfectLine {
    std::vector<BarSymbol> symbols;
    StackInterface<BarSymbol> Stack()
    {
        StackInterface<BarSymbol> s(symbols.data(), static_cast<unsigned>(symbols.size()));
        s.SetCount(static_cast<unsigned>(symbols.size()));
        return s;
    }
};

// Character starts of the main symbols in zint's row.
inline std::vector<size_t> MainStarts(unsigned count)
{
    std::vector<size_t> starts;
    for (unsigned i = 0; i < count; ++i) {
        size_t const half = count == 6 ? 6 : count / 2;
        starts.push_back(3 + 7 * i + (i >= half ? 5 : 0));
    }
    return starts;
}

inline size_t MainWidth(unsigned count) { return count == 6 ? 51 : 3 + 7 * count + 5 + 3; }

inline PerfectLine PerfectRead(ZintRow const& row, unsigned mainCount, bool reverced, unsigned addonCount = 0)
{
    PerfectLine read;
    std::string const main = row.modules.substr(0, MainWidth(mainCount));
    std::string const seen = reverced ? Mirror(main) : main;
    // Met from its end, a UPC-E's guard is the six-module one.
    std::vector<size_t> starts = MainStarts(mainCount);
    if (reverced && mainCount == 6) {
        for (size_t& s : starts) {
            s += 3;
        }
    }
    for (size_t s : starts) {
        read.symbols.push_back(BarSymbol{Code(seen, s), 0, 0, 0, 0, 0});
    }
    if (addonCount != 0) {
        size_t at = row.modules.find("1011", MainWidth(mainCount)) + 4;
        for (unsigned i = 0; i < addonCount; ++i, at += 9) {
            read.symbols.push_back(BarSymbol{Code(row.modules, at) | 256, 0, 0, 0, 0, 0});
        }
    }
    return read;
}

}  // namespace upc_ean_test
