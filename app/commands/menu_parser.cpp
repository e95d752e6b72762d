#include "app/commands/menu_parser.h"

#include "decoder/core/dec2d_entry.h"

std::atomic<MenuParser*> MenuParser::list_[kSlots] = {};

MenuParser::MenuParser(MenuCodeIdentifier identifier) : identifier_(identifier)
{
    int const slot = static_cast<int>(identifier);
    replaced_ = list_[slot].exchange(this);
}

MenuParser::~MenuParser()
{
    int const slot = static_cast<int>(identifier_);
    MenuParser* expected = this;
    list_[slot].compare_exchange_strong(expected, replaced_);
}

int MenuParser::Parse(char const*, unsigned, tagSymbology, unsigned, std::vector<char>&)
{
    return kMenuOrdinaryLabel;
}

int MenuParser::ParseAll(tagDecodedLabel const* label, std::vector<char>& out)
{
    out.clear();
    if (label == nullptr || label->identifier == nullptr || label->data == nullptr || label->length == 0) {
        return kMenuOrdinaryLabel;
    }
    tagSymbology const symbology = DEC2D_GetSymbology(label->identifier);
    unsigned const modifier = DEC2D_GetModifier(label->identifier);
    if (symbology == SYMBOLOGY_NONE) {
        return kMenuOrdinaryLabel;
    }
    for (auto const& slot : list_) {
        MenuParser* const parser = slot.load();
        if (parser == nullptr) {
            continue;
        }
        int const result = parser->Parse(label->data, label->length, symbology, modifier, out);
        if (result != kMenuOrdinaryLabel) {
            return result;
        }
    }
    return kMenuOrdinaryLabel;
}
