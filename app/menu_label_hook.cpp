#include "app/menu_label_hook.h"

#include <atomic>

namespace {

std::atomic<MenuLabelParser> installed{nullptr};

} // namespace

void setMenuLabelParser(MenuLabelParser parser) { installed.store(parser); }

int ParseMenuLabel(tagDecodedLabel const* label, std::vector<char>& out)
{
    MenuLabelParser const parser = installed.load();
    return parser != nullptr ? parser(label, out) : kMenuOrdinaryLabel;
}
