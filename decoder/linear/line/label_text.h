#pragma once

#include "decoder/core/containers/stack_interface.h"

namespace DEC2DIvra {

// Edits of a label's text in place; false (text unchanged) when the position
// lies outside the text or the buffer is full.
bool InsertLabelCharacter(StackInterface<char>& text, unsigned position, char c);
bool RemoveLabelCharacter(StackInterface<char>& text, unsigned position);

}  // namespace DEC2DIvra
