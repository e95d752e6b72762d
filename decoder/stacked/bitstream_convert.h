#pragma once

#include "decoder/core/containers/array_iterator.h"
#include "decoder/core/decoded_label.h"
#include "decoder/core/identifiers/pdf_identifiers.h"

namespace DEC2DIvra {

// The data codewords of a PDF417 symbol, a MicroPDF417 symbol or a CC-A
// component to the bytes of a label: text, byte and numeric compaction,
// ECI (consumed, never written), Macro PDF blocks (the structured-append
// record), the MicroPDF417 codewords that stand for GS1 and format headers,
// and composite components through CC_ABC_Decoder.
class BitstreamConvert {
public:
    using Codewords = ArrayIterator<unsigned short const>;
    // Seven base-928 digits need 70 bits.
    __extension__ typedef unsigned __int128 Wide;

    // PDF417: the first codeword is the length descriptor. Sets `composite`
    // when the data begins with 920.
    bool convertNormalPDF(Codewords codewords, DecodedLabel& label, bool& composite);
    bool convertMicroPDF(Codewords codewords, DecodedLabel& label, MicroPDFIdentifier& identifier);
    bool convertCCA(Codewords codewords, DecodedLabel& label, MicroPDFIdentifier& identifier);

    // Set by the last conversion: the symbol was a reader-initialisation
    // symbol (921), whose data is not delivered as a label.
    bool IsReaderInitialisation() const { return readerInitialisation_; }

    void initBitstreamConvert();

private:
    static constexpr unsigned kBufferBytes = 8192;

    bool convert(Codewords codewords, DecodedLabel& label, bool micro, MicroPDFIdentifier& identifier, bool& composite);
    bool HandleModeCodeword(DecodedLabel& label, MicroPDFIdentifier& identifier);
    bool convertTextMode2(DecodedLabel& label);
    bool convertNumericMode2(DecodedLabel& label);
    bool ConvertByteMode901_2(DecodedLabel& label);
    bool ConvertByteMode924_2(DecodedLabel& label);
    // The run of both byte modes; 924 wants whole groups of five.
    bool ConvertByteMode(DecodedLabel& label, bool multipleOfSix);
    // Five codewords to six bytes; false when they hold more than six bytes can.
    bool Convert5CodeWordWithByteMode(unsigned short const* group, DecodedLabel& label);
    bool ConvertByteMode913Shift2(DecodedLabel& label);
    bool ConvertGLI925();
    bool ConvertGLI926();
    bool ConvertGLI927();
    bool ConvertGLI(unsigned parameters);
    bool ConvertMacroPDFStart928();
    bool ConvertMacroPDFOptionField923();
    bool ConvertMacroPDFTerminater922();
    bool ExcuteOnlyMicroPDFCodeWord(unsigned short codeword, DecodedLabel& label, MicroPDFIdentifier& identifier);
    bool CheckGLICorrectness(unsigned at, unsigned length, unsigned groupCount) const;
    // The base-900 value of a numeric group as decimal digits, least
    // significant first, into `digits` (capacity entries); their count.
    static unsigned CalcNumericValue(unsigned short const* group, unsigned count, unsigned char* digits,
                                     unsigned capacity);
    bool WriteNumericGroup(unsigned short const* group, unsigned count, DecodedLabel& label);
    // The codewords of an optional field's text (at least one, text-mode
    // codewords only) and numeric content (exactly `count` data codewords,
    // or at least one when `count` is 0), `length` codewords from here.
    bool CheckTextModeValue(unsigned length) const;
    bool CheckNumericValue(unsigned length, unsigned count) const;
    // Appends the low `width` bits of value, most significant first, to the
    // bit string in `bytes`; false when it would not fit.
    static bool convertValueToBitString(Wide value, unsigned width, char* bytes, unsigned capacity, unsigned& bits);
    bool CopyBuffer(DecodedLabel const& label);
    bool Push(DecodedLabel& label, char c);
    bool PushText(DecodedLabel& label, char const* text);
    void SetMode(unsigned short mode);
    bool IsModeEnd(unsigned short codeword) const;

    unsigned short const* cw_ = nullptr;
    unsigned count_ = 0;
    unsigned pos_ = 0;

    unsigned short currentMode_ = 900;
    unsigned short previousMode_ = 900;
    unsigned submode_ = 0;
    bool alphaShift_ = false;
    bool punctuationShift_ = false;
    bool startOfData_ = false;
    int lastGroupSeparator_ = -2;
    bool macroPresent_ = false;
    bool lastSegment_ = false;
    unsigned fileId_ = 0;
    unsigned segmentIndex_ = 0;
    bool trailer_ = false;
    bool composite_ = false;
    bool readerInitialisation_ = false;
    bool micro_ = false;
    // A MicroPDF417 codeword that wants an exact digit count from its numeric run.
    unsigned short numericCheck_ = 0;
    unsigned numericStart_ = 0;
    char buffer_[kBufferBytes];
};

}  // namespace DEC2DIvra
