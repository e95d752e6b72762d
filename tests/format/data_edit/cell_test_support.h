#pragma once

#include <cstdint>
#include <vector>

#include "format/decode_data_byte.h"

namespace cell_test {

inline DecodeDataByte Cell(std::uint32_t v) { return DecodeDataByte::NewCharacter(static_cast<unsigned long>(v)); }

inline std::vector<std::uint32_t> Values(const DecodeDataByte* cells, unsigned count)
{
    std::vector<std::uint32_t> values;
    for (unsigned i = 0; i < count; ++i)
        values.push_back(cells[i].GetValue());
    return values;
}

inline std::vector<DecodeDataByte> Cells(const std::vector<std::uint32_t>& values)
{
    std::vector<DecodeDataByte> cells;
    for (std::uint32_t v : values)
        cells.push_back(Cell(v));
    return cells;
}

// Sets the process-wide code page for one test and puts the default back.
class EncodeTypeScope {
public:
    explicit EncodeTypeScope(DecodeDataByte::EncodeType type) { DecodeDataByte::SetEncodeMethod(type); }
    ~EncodeTypeScope() { DecodeDataByte::SetEncodeMethod(DecodeDataByte::EncodeType::Binary); }
};

} // namespace cell_test
