// Label texts through the menu-code parsers, as the Code 39 menu symbology and as any
// other. Whatever the text: a result the read cycle knows, command bytes only for the
// results that carry them, framed ESC ... CR where a whole line is given, no longer than
// the limit, and no control byte from the label inside a 2D command.

#include "app/commands/menu_code2d.h"
#include "app/commands/menu_code39.h"

#include <cstdint>
#include <string>
#include <vector>

namespace {

MenuCode39 code39;
MenuCode2D code2D;

void Check(int result, std::vector<char> const& out, bool twoD)
{
    switch (result) {
    case kMenuOrdinaryLabel:
    case kMenuRefusedLabel:
        if (result == kMenuRefusedLabel && !out.empty()) __builtin_trap();
        return;
    case kMenuToggle:
    case kMenuFragment:
        if (out.size() > 5) __builtin_trap();
        return;
    case kMenuWholeCommand:
    case kMenuAddressCommand:
    case kMenu2DCommand:
        if (out.size() < 2 || out.front() != 0x1B || out.back() != '\r') __builtin_trap();
        if (out.size() > MenuCode2D::kMaxCommandBytes) __builtin_trap();
        if (twoD) {
            for (std::size_t i = 1; i + 1 < out.size(); ++i) {
                if (out[i] < 0x20 || out[i] > 0x7E) __builtin_trap();
            }
        }
        return;
    default:
        __builtin_trap();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size)
{
    if (size == 0) {
        return 0;
    }
    // The first byte chooses the symbology, the rest is the label: as a 2D menu label too.
    tagSymbology const symbology = (data[0] & 1) != 0 ? SYMBOLOGY_MENU : SYMBOLOGY_CODE128;
    std::string text(reinterpret_cast<char const*>(data + 1), size - 1);
    for (std::string const& label : {text, MenuCode2D::kHeader + text + MenuCode2D::kTrailer}) {
        std::vector<char> out;
        unsigned const length = static_cast<unsigned>(label.size());
        Check(code39.Parse(label.data(), length, symbology, 0, out), out, false);
        out.clear();
        Check(code2D.Parse(label.data(), length, symbology, 0, out), out, true);
    }
    return 0;
}
