#pragma once

namespace DEC2DIvra {

// Which row of a group of three each cluster stands for: a count of clusters
// seen (0 to 3) and, for clusters 0, 3 and 6 in this order, the place at
// which each was first seen (3: not yet).
struct Mod3OfCluster {
    unsigned char count = 0;
    unsigned char place[3] = {3, 3, 3};

    void Reset()
    {
        count = 0;
        place[0] = place[1] = place[2] = 3;
    }
    // A cluster (0, 3 or 6) not seen before takes the present count as its
    // place while fewer than three have been seen; anything else changes
    // nothing.
    void Push(unsigned cluster)
    {
        if (count >= 3 || cluster > 6 || cluster % 3 != 0 || place[cluster / 3] != 3) {
            return;
        }
        place[cluster / 3] = count++;
    }
    // The place of a cluster, 3 when it is not 0, 3 or 6 or not yet seen.
    unsigned GetPlace(unsigned cluster) const
    {
        return cluster <= 6 && cluster % 3 == 0 ? place[cluster / 3] : 3;
    }
    void SetIdentity()
    {
        count = 3;
        place[0] = 0;
        place[1] = 1;
        place[2] = 2;
    }
};

// The symbol parameters the row indicators carry: the voted values VC
// (columns - 1), VR ((rows - 1) div 3) and VL (3 x level + (rows - 1) mod 3),
// then rows, data columns and the error-correction level.
struct DecodeParameterForPDF {
    unsigned columnValue = 0;
    unsigned rowValue = 0;
    unsigned levelValue = 0;
    unsigned rows = 0;
    unsigned columns = 0;
    unsigned level = 0;
};

}  // namespace DEC2DIvra
