#pragma once
// Refuses, when a program is set, patterns whose backtracking run can grow
// exponentially with the label: an unbounded (or long) repetition whose body
// can match empty, can match empty in two ways, or can take the same cells
// along two different ways through the pattern. Polynomial cases (".*.*x")
// stay accepted; the matcher's step limit bounds them.

#include "format/data_edit/regex_token.h"

// Tokens as the pattern tokenizer gives them, ending with tEnd, of a text
// that compiled. True when no repetition can backtrack exponentially.
bool RegexBacktrackingIsBounded(const RegexToken* tokens);
