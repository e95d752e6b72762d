#include "app/commands/menu_code39.h"

#include <cstring>
#include <string_view>

namespace {

constexpr char kEsc = 0x1B;
constexpr char kCr = 0x0D;
constexpr unsigned kShortAddress = 6;
constexpr unsigned kShortAddressLabel = kShortAddress + 2;
constexpr unsigned kLongAddressLabel = 2 * kShortAddress + 2;

void Append(std::vector<char>& out, char const* text, std::size_t count) { out.insert(out.end(), text, text + count); }
void Append(std::vector<char>& out, char const* text) { Append(out, text, std::strlen(text)); }

} // namespace

int MenuCode39::Parse(char const* text, unsigned length, tagSymbology symbology, unsigned, std::vector<char>& out)
{
    if (symbology != SYMBOLOGY_MENU) {
        return kMenuOrdinaryLabel;
    }
    if (text == nullptr || length < 4) {
        return kMenuRefusedLabel;
    }
    std::string_view const label(text, length);
    switch (length) {
    case 4:
        if (label == " ZZ ") {
            return kMenuToggle;
        }
        Append(out, text + 1, 2);
        return kMenuFragment;
    case 5:
        out.push_back('[');
        Append(out, text + 1, 3);
        return kMenuFragment;
    case 6:
        out.push_back(']');
        Append(out, text + 1, 4);
        return kMenuFragment;
    case 7:
        return kMenuFragment; // a form that carries nothing
    default:
        break;
    }
    out.push_back(kEsc);
    if (length == kShortAddressLabel || length == kLongAddressLabel) {
        if (!ParseBluetooth(text + 1, length - 2, out)) {
            out.clear();
            return kMenuRefusedLabel;
        }
        out.push_back(kCr);
        return kMenuAddressCommand;
    }
    // ESC, the text without its framing spaces and CR: as many bytes as the label has.
    if (!label.starts_with(" +-") || !label.ends_with("-+ ") || length > kMaxMenuCommandBytes) {
        out.clear();
        return kMenuRefusedLabel;
    }
    Append(out, text + 1, length - 2); // the marks stay part of the command
    out.push_back(kCr);
    return kMenuWholeCommand;
}

bool MenuCode39::ParseBluetooth(char const* text, unsigned n, std::vector<char>& out)
{
    Append(out, C39_SET_BT_ADDRESS);
    if (n == kShortAddress) {
        Append(out, IVRA_BT_ADDRESS);
    }
    if (n == 0) {
        Append(out, C39_END_BT_ADDRESS);
        return true;
    }
    for (unsigned i = 0; i < n; ++i) {
        char const c = text[i];
        if (c >= '*' && c <= '9') {
            out.push_back('Q');
        } else if (c >= 'A' && c <= 'F') {
            out.push_back('0');
        } else {
            return false;
        }
        out.push_back(c);
    }
    Append(out, C39_END_BT_ADDRESS);
    return true;
}
