#pragma once

#include "decoder/core/containers/bit_iterator.h"
#include "decoder/core/containers/stack_interface.h"
#include "decoder/core/containers/virtual_array.h"
#include "decoder/core/decoded_label.h"
#include "decoder/core/identifiers/qr_identifiers.h"

namespace DEC2DIvra {

struct Common2DProperty;
struct QrCodeProperty;

enum class QRModel : unsigned { kModel1 = 0, kModel2 = 1, kMicro = 2 };

// Turns the corrected data codewords of a QR Model 1, Model 2 or Micro QR
// symbol into the label's text and identifier: numeric, alphanumeric, byte
// and Kanji segments, ECI designators, FNC1 and structured append.
class DataStreamConversionForQRCode {
public:
    DataStreamConversionForQRCode(Common2DProperty const& common, QrCodeProperty const& qr);

    // Nonzero on success. A stream that asks for more text than the label
    // holds, or carries a value no encoder writes (a digit group above its
    // range, an alphanumeric pair above 44 44, an ECI number above 999999),
    // fails as a whole.
    int Start(QRModel model, unsigned version, VirtualArray<unsigned short const> const& codewords,
              DecodedLabel& label) const;

    // Writes a second c after every c written so far.
    static bool SetDoubleCharacter(char c, StackInterface<char>& out);

private:
    using Bits = BitIterator<unsigned short, 8>;

    struct State {
        Bits bits;
        unsigned flags = 0;
        bool end = false;
    };

    static unsigned CountWidth(QRModel model, unsigned version, unsigned mode);
    bool Numeric(QRModel model, unsigned version, State& s, StackInterface<char>& out) const;
    bool AlphaNumeric(QRModel model, unsigned version, State& s, StackInterface<char>& out) const;
    bool Binary(QRModel model, unsigned version, State& s, StackInterface<char>& out) const;
    bool Kanji(QRModel model, unsigned version, State& s, StackInterface<char>& out) const;
    bool ECI(State& s, StackInterface<char>& out) const;
    static bool FirstFNC1(State& s, StackInterface<char>& out);
    static bool SecondFNC1(State& s, StackInterface<char>& out);
    static bool StructuredAppend(State& s, DecodedLabel& label);
    static bool PushForAlphaNumeric(char c, unsigned flags, StackInterface<char>& out);
    static bool PushData(char c, unsigned flags, StackInterface<char>& out);

    bool ModelSegments(QRModel model, unsigned version, State& s, DecodedLabel& label) const;
    bool MicroSegments(unsigned version, State& s, DecodedLabel& label) const;

    Common2DProperty const* common_;
    QrCodeProperty const* qr_;
};

}  // namespace DEC2DIvra
