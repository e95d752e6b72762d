#pragma once

namespace DEC2DIvra {

// One ECC 200 symbol size: the symbol's modules, the size of each data
// region (without its finder and timing border), the codewords and how they
// are interleaved. The mapping matrix is the data regions put together.
struct DataMatrixVersion {
    unsigned short symbolWidth;
    unsigned short symbolHeight;
    unsigned char regionWidth;
    unsigned char regionHeight;
    unsigned short dataCodewords;
    unsigned short errorCodewords;
    unsigned char blocks;

    unsigned GetRegionsAcross() const { return symbolWidth / (regionWidth + 2u); }
    unsigned GetRegionsDown() const { return symbolHeight / (regionHeight + 2u); }
    unsigned GetMappingWidth() const { return GetRegionsAcross() * regionWidth; }
    unsigned GetMappingHeight() const { return GetRegionsDown() * regionHeight; }
    unsigned GetTotalCodewords() const { return dataCodewords + errorCodewords; }
};

class DataMatrixVersionTable {
public:
    static constexpr unsigned kCount = 30;  // 24 square, 6 rectangular
    static constexpr unsigned kMaxMappingSide = 132;
    static constexpr unsigned kMaxCodewords = 2178;

    static DataMatrixVersion const& Get(unsigned index);
    // The size with these symbol modules; null when there is none.
    static DataMatrixVersion const* Find(unsigned width, unsigned height);
};

}  // namespace DEC2DIvra
