#pragma once
// The label the formatter is working on. The data is the formatter's own copy
// of the decoder's bytes, so editing it (Codabar joining, GS1 separators for
// the data-editing engine) never touches the decoder's label, and every
// lengthening is bounded by `capacity`.

#include <cstring>

#include "decoder/core/tag_decoded_label.h"

// The formatter's one-byte symbology code. It indexes the per-symbology
// option registry and the prefix/suffix map; not the decoder's identifier class.
using SymbologyIdentifier = unsigned char;

struct FormatterDecodeData {
    // As large as the decoder's label buffer.
    static constexpr unsigned kCapacity = 8192;
    // No symbology known: no prefix/suffix group, no options.
    static constexpr SymbologyIdentifier kNoIdentifier = 0;

    unsigned char* data = nullptr;
    unsigned length = 0;
    unsigned capacity = 0;
    unsigned char* end = nullptr; // data + length

    SymbologyIdentifier symbologyIdentifier = kNoIdentifier;
    char ivraIdentifier = 0; // the maker's code identifier
    char aimIdentifier[4] = {};
    unsigned modifier = 0;
    int angle = 0;
    int regionX[4] = {};
    int regionY[4] = {};
    tagStructuredAppend structuredAppend{};
    // Bit 15 of the modifier of a QR Code or Data Matrix label.
    bool modifierBit15 = false;

    // Replaces the data by `n` bytes at `bytes`; false, with the data left
    // alone, when they do not fit.
    bool Assign(const unsigned char* bytes, unsigned n)
    {
        if (data == nullptr || n > capacity || (n > 0 && bytes == nullptr))
            return false;
        if (n > 0)
            std::memmove(data, bytes, n);
        SetLength(n);
        return true;
    }
    void SetLength(unsigned n)
    {
        length = n;
        end = data + n;
    }
};
