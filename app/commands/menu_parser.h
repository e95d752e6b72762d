#pragma once
// Menu barcodes: every decoded label is offered to the menu-code parsers before it is
// formatted. A parser that knows the label's form answers a result code and leaves the
// command bytes the label stands for in `out`; the read cycle writes them into the
// command pipe and decides beeps, LEDs and menu mode from the result. The firmware's
// start builds the Code 39 and 2D parsers (app/firmware_main.cpp); this registry knows
// them only as they register.

#include "decoder/core/identifiers/tag_symbology.h"
#include "decoder/core/tag_decoded_label.h"

#include <atomic>
#include <cstddef>
#include <vector>

// Results of Parse and ParseAll.
inline constexpr int kMenuOrdinaryLabel = 0;  // not a menu label
inline constexpr int kMenuToggle = 1;         // menu mode on or off
inline constexpr int kMenuFragment = 2;       // a piece of the command line built in menu mode
inline constexpr int kMenuWholeCommand = 3;   // a command framed by '+' and '-' marks
inline constexpr int kMenuAddressCommand = 4; // a Bluetooth address command
inline constexpr int kMenu2DCommand = 6;      // a 2D menu command
// A menu label whose form is broken: it is not output and changes nothing.
inline constexpr int kMenuRefusedLabel = -1;

// Longest command line a menu label may give, ESC and CR included; a label that would give
// a longer one is refused whole.
inline constexpr std::size_t kMaxMenuCommandBytes = 1024;

// Slots of MenuParser's registry.
enum class MenuCodeIdentifier : int {
    MenuCode39 = 0,
    MenuCode2D = 2,
};

class MenuParser {
public:
    static constexpr int kSlots = 3;

    // Registers this parser under its identifier; a later parser with the same identifier
    // replaces it until it is destroyed.
    explicit MenuParser(MenuCodeIdentifier identifier);
    MenuParser(MenuParser const&) = delete;
    MenuParser& operator=(MenuParser const&) = delete;
    virtual ~MenuParser();

    // text: the label's bytes. The base knows no form (0).
    virtual int Parse(char const* text, unsigned length, tagSymbology symbology, unsigned modifier,
                      std::vector<char>& out);

    MenuCodeIdentifier identifier() const { return identifier_; }

    // The first nonzero answer of the registered parsers, in identifier order (so the
    // Code 39 parser before the 2D one); 0 for a label without data or symbology.
    static int ParseAll(tagDecodedLabel const* label, std::vector<char>& out);

private:
    // Zero before any constructor runs, so parsers built before main may register. Atomic:
    // the decoder thread asks the parsers while another thread may register one.
    static std::atomic<MenuParser*> list_[kSlots];

    MenuCodeIdentifier identifier_;
    MenuParser* replaced_ = nullptr;
};
