#pragma once

#include "decoder/core/identifiers/code128_identifier.h"
#include "decoder/core/identifiers/common_symbology_identifier.h"
#include "decoder/core/geometry/region.h"
#include "decoder/core/containers/stack_interface.h"
#include "decoder/core/tag_decoded_label.h"

namespace DEC2DIvra {

// One decoded label as the decoders fill it. The data stack lives over the
// label's own 8192-byte buffer, so a label is never copied member by member:
// Copy re-seats the stack on this label's buffer.
class DecodedLabel {
public:
    static constexpr unsigned kDataBytes = 8192;

    DecodedLabel();
    DecodedLabel(DecodedLabel const&) = delete;
    DecodedLabel& operator=(DecodedLabel const&) = delete;

    // Everything back to an empty label (identifier of no symbology).
    void Clear();
    void Copy(DecodedLabel const& other);

    CommonSymbologyIdentifier identifier;
    StackInterface<char> data;  // top = first - 1 when empty
    Region region;
    tagStructuredAppend structuredAppend{};
    unsigned moduleCount = 0;
    unsigned moduleWord = 0;
    unsigned char negative = 0;  // read in reversed polarity (light on dark)
    tagFurtherRecord further{};
    Code128Identifier codablockRow;  // the Codablock F row a linear read belongs to

private:
    char buffer_[kDataBytes];
};

}  // namespace DEC2DIvra
