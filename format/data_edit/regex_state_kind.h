#pragma once
// State kinds of a compiled pattern.

namespace regex_state {

enum Kind : unsigned char {
    kNever = 0,     // empty table
    kAccept,        // end of a part
    kChar,          // a = lower, b = upper cell
    kClass,         // items [a, a + b); flag 1 negated
    kAny,
    kSplit,         // next first, alt saved
    kJump,
    kGroupOpen,     // flag: 0 output group, 1 non-capturing, 2 input group; a number; reg
    kGroupClose,
    kSkipOn,
    kSkipOff,
    kStartAnchor,
    kEndAnchor,
    kIdentifierTest, // items [a, a + b): (0, cell) symbology, (1, two bytes) AIM
    kEventTest,
    kContinuation,  // a = 0 or 1
    kElement,       // a = AI key
    kPut,           // a = cell
    kPutGroup,      // a = group number (0 any)
    kPutSelect,     // a = AI key
    kPutData,       // a = field
    kPutDataFormat, // a = format byte
    kPutAi,
    kPutPoint,      // a = 2 * point + y, 10 the angle
    kPutPointFormat,
    kPutAim,
    kPutSymbology,
    kLoopInit,      // reg
    kLoop,          // a = minimum, b = maximum, flag lazy, alt = body, reg
};

} // namespace regex_state
