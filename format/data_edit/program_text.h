#pragma once
// Pieces of data-editing program text that patterns and templates read alike.

#include "format/decode_data_byte.h"
#include "format/data_edit/ride_zodoz_function.h"

#include <cstring>

namespace program_text {

// Setting text to cells, closed by a 0 cell; false when it does not fit.
inline bool ToCells(const char* text, DecodeDataByte* cells, unsigned capacity)
{
    unsigned count = 0;
    const unsigned length = text == nullptr ? 0 : static_cast<unsigned>(std::strlen(text));
    if (DecodeDataByte::CStringToCharacterTypeMenuString(&count, reinterpret_cast<const unsigned char*>(text), length,
                                                         cells, capacity) != DecodeDataByte::kReadDone)
        return false;
    cells[count] = DecodeDataByte();
    return true;
}

// Two hex digit cells; false unless both are digits.
inline bool HexByte(const DecodeDataByte* s, unsigned& value)
{
    DecodeDataByte out;
    if (s[0].GetValue() == 0 || s[1].GetValue() == 0 || DecodeDataByte::ReadInt(s, out, 2) != 0)
        return false;
    value = out.GetValue() & 0xFF;
    return true;
}

// "NAME{" or "NAME[HH]{" after a '$': the call's start cell, `s` left after '{'.
inline bool FunctionCall(const DecodeDataByte*& s, DecodeDataByte& start)
{
    unsigned char id = 0;
    const DecodeDataByte* end = nullptr;
    if (!RideZodozFunction::Search(id, s, &end))
        return false;
    unsigned hh = 0;
    if (end->GetValue() == '[') {
        if (!HexByte(end + 1, hh) || end[3].GetValue() != ']')
            return false;
        end += 4;
    }
    if (end->GetValue() != '{')
        return false;
    s = end + 1;
    start = RideZodozFunction::StartCell(id, static_cast<unsigned char>(hh));
    return true;
}

} // namespace program_text
