#include "decoder/legacy/old_matrix_decoder.h"

namespace DEC2DIvra {

int OldMatrixDecoder::Start(GrayImage const&, Region const&, unsigned, DecodedLabel&) { return 0; }

int OldMatrixDecoder::Start(GrayImage const&, LineSegment const&, DecodedLabel&) { return 0; }

int OldMatrixDecoder::Start(GrayImage const&, Region const&, DecodedLabel&) { return 0; }

void OldMatrixDecoder::OnNewImage(GrayImage const&) {}

}  // namespace DEC2DIvra
