#include "decoder/stacked/pdf_error_detection.h"

namespace DEC2DIvra {

bool PDFErrorDetection::Correct(unsigned errorCorrection, unsigned dataCount, StackInterface<unsigned short>& codewords,
                                StackInterface<unsigned short>& erasures)
{
    unsigned located = 0;
    unsigned const count = codewords.GetCount();
    if (count > RSdecodingOfPDF417::kMaxCodewords ||
        rs_.CorrectErrors(codewords.GetFirst(), count, dataCount, erasures.GetCount(), erasures.GetFirst(), 2,
                          &located) == 0) {
        return false;
    }
    unsigned const e = erasures.GetCount();
    unsigned const x = located > e ? located - e : 0;
    unsigned const E = errorCorrection;
    bool const accepted = e + 2 <= E && (E <= 2 || x > 4 || e + 3 <= E);
    if (!accepted) {
        return false;
    }
    return codewords.SetCount(dataCount);
}

bool PDFErrorDetection::Start(unsigned errorCorrection, StackInterface<unsigned short>& codewords,
                              StackInterface<unsigned short>& erasures)
{
    unsigned const count = codewords.GetCount();
    if (saved_ == nullptr || savedErasures_ == nullptr || count <= errorCorrection || count > kMaxCodewords) {
        return false;
    }
    unsigned const dataCount = count - errorCorrection;
    unsigned const erasureCount = erasures.GetCount();
    for (unsigned i = 0; i < count; ++i) {
        saved_[i] = codewords[i];
    }
    for (unsigned i = 0; i < erasureCount; ++i) {
        savedErasures_[i] = erasures[i];
    }
    if (Correct(errorCorrection, dataCount, codewords, erasures)) {
        return true;
    }
    codewords.SetCount(count);
    for (unsigned i = 0; i < count; ++i) {
        codewords[i] = saved_[i];
    }
    erasures.Clear();
    for (unsigned i = 0; i < erasureCount; ++i) {
        erasures.Push(savedErasures_[i]);
    }
    if (!SetFillers(dataCount, codewords, erasures)) {
        return false;
    }
    return Correct(errorCorrection, dataCount, codewords, erasures);
}

bool PDFErrorDetection::SetFillers(unsigned dataCount, StackInterface<unsigned short>& codewords,
                                   StackInterface<unsigned short>& erasures)
{
    if (dataCount < 2 || dataCount > codewords.GetCount()) {
        return false;
    }
    unsigned i = 1;
    for (; i < dataCount; ++i) {
        unsigned short const c = codewords[i];
        if ((c == 900 || c == 901 || c == 902) && c == codewords[i - 1]) {
            break;
        }
    }
    if (i >= dataCount) {
        return false;
    }
    unsigned short const filler = codewords[i];
    for (unsigned j = i + 1; j < dataCount; ++j) {
        codewords[j] = filler;
    }
    unsigned kept = 0;
    for (unsigned j = 0; j < erasures.GetCount(); ++j) {
        unsigned short const index = erasures[j];
        if (index > i && index < dataCount) {
            continue;
        }
        erasures[kept++] = index;
    }
    erasures.SetCount(kept);
    return true;
}

}  // namespace DEC2DIvra
