#pragma once
// Code 39 menu labels: the Code 39 decoder reports a label with space start and stop
// characters as the menu symbology, its text with both spaces. The inner characters
// are a menu toggle (" ZZ "), a fragment of the command line built in menu mode (2, 3
// or 4 characters; 3 and 4 take the evaluator's length prefixes), a Bluetooth address
// (6 or 12 hex digits) or a whole command framed by "+-" and "-+".
//
// Unlike other labels, a menu label is never host data: one whose form is broken, or a
// whole command longer than a menu label may give (kMaxMenuCommandBytes), is refused
// rather than handed on as an ordinary label.

#include "app/commands/menu_parser.h"

class MenuCode39 final : public MenuParser {
public:
    static constexpr char const* C39_SET_BT_ADDRESS = "]BDAS";
    static constexpr char const* C39_END_BT_ADDRESS = "]BDAE";
    // The fixed first six hex digits of the address, encoded as ParseBluetooth encodes
    // each character: 02A0C0.
    static constexpr char const* IVRA_BT_ADDRESS = "Q0Q20AQ00CQ0";

    MenuCode39() : MenuParser(MenuCodeIdentifier::MenuCode39) {}

    int Parse(char const* text, unsigned length, tagSymbology symbology, unsigned modifier,
              std::vector<char>& out) override;

    // n characters of an address: "]BDAS", the fixed prefix for a short address, each
    // character encoded, "]BDAE". False for a character that is no hex digit.
    static bool ParseBluetooth(char const* text, unsigned n, std::vector<char>& out);
};
