#pragma once
// Where the read cycle asks the menu-code parsers about a label. The parsers install
// themselves here; until then every label is an ordinary one.
//
// A parser answers 0 for an ordinary label, 1 for the menu toggle, 2 for a command
// fragment, 3 or more for a whole command (4 and 6 ask for a closing sequence), and
// leaves the command bytes in `out`.

#include "decoder/core/tag_decoded_label.h"

#include <vector>

using MenuLabelParser = int (*)(tagDecodedLabel const* label, std::vector<char>& out);

inline constexpr int kMenuOrdinaryLabel = 0;
inline constexpr int kMenuToggle = 1;
inline constexpr int kMenuFragment = 2;
inline constexpr int kMenuWholeCommand = 3;
inline constexpr int kMenuAddressCommand = 4;
inline constexpr int kMenu2DCommand = 6;

// nullptr puts back the default (no parser: every label is ordinary).
void setMenuLabelParser(MenuLabelParser parser);
int ParseMenuLabel(tagDecodedLabel const* label, std::vector<char>& out);
