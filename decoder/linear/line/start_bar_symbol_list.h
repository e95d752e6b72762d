#pragma once

#include "decoder/linear/line/map_interface.h"
#include "decoder/linear/line/start_bar_symbol.h"

namespace DEC2DIvra {

// The start symbols of one line: one entry per decoder, first character and
// direction; of two such entries the one with more characters stays.
class StartBarSymbolList final : public MapInterface<StartBarSymbol> {
public:
    StartBarSymbolList() = default;

protected:
    bool IsSame(StartBarSymbol const& entry, StartBarSymbol const& item) const override
    {
        return entry.decoder == item.decoder && entry.symbol.value == item.symbol.value &&
               entry.reverced == item.reverced;
    }
    int Compare(StartBarSymbol const& entry, StartBarSymbol const& item) const override
    {
        return static_cast<int>(entry.symbolCount) - static_cast<int>(item.symbolCount);
    }
};

}  // namespace DEC2DIvra
