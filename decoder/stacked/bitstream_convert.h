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
    bool ConvertByteMode(DecodedLabel& label, bool multipleOfSix);
    bool ConvertByteMode913Shift2(DecodedLabel& label);
    bool ConvertGLI(unsigned parameters);
    bool ConvertMacroPDFStart928();
    bool ConvertMacroPDFOptionField923();
    bool ConvertMacroPDFTerminater922();
    bool ExcuteOnlyMicroPDFCodeWord(unsigned short codeword, DecodedLabel& label, MicroPDFIdentifier& identifier);
    bool CheckGLICorrectness(unsigned at, unsigned length, unsigned groupCount) const;
    bool WriteNumericGroup(unsigned short const* group, unsigned count, DecodedLabel& label);
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
