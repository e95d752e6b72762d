#pragma once

#include "decoder/matrix/qr/qr_codeword_placement.h"

namespace DEC2DIvra {

// Where the codewords of a QR Model 1 symbol lie: no alignment or version
// areas, extension patterns along the bottom and right edges, and a column
// order of its own. The stream starts at bit 4 of its first codeword; the
// four bits before it are not in the matrix.
class QRModel1Placement {
public:
    static constexpr unsigned kUnplacedBits = 4;

    static bool IsFunctionModule(unsigned version, unsigned x, unsigned y);

    // The codewords in block order, unmasked, most significant bit first;
    // the first codeword's unplaced high bits read 0. Each codeword's
    // contrast is the weakest of its modules. The count read (at most
    // `capacity`).
    static unsigned Read(QRModuleView const& modules, unsigned version, unsigned mask, unsigned short* codewords,
                         unsigned short* contrast, unsigned capacity);
};

}  // namespace DEC2DIvra
