#include "decoder/linear/line/label_text.h"

namespace DEC2DIvra {

bool InsertLabelCharacter(StackInterface<char>& text, unsigned position, char c)
{
    unsigned const count = text.GetCount();
    if (position > count || !text.Push(c)) {
        return false;
    }
    for (unsigned i = count; i > position; --i) {
        text[i] = text[i - 1];
    }
    text[position] = c;
    return true;
}

bool RemoveLabelCharacter(StackInterface<char>& text, unsigned position)
{
    unsigned const count = text.GetCount();
    if (position >= count) {
        return false;
    }
    for (unsigned i = position; i + 1 < count; ++i) {
        text[i] = text[i + 1];
    }
    return text.Pop();
}

}  // namespace DEC2DIvra
