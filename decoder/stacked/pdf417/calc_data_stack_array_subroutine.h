#pragma once

#include "decoder/core/containers/stack_interface.h"
#include "decoder/core/geometry/line_segment.h"

namespace DEC2DIvra {

class DataCharacterStack;
class DataStackArray;
class GrayImage;
class PDFColumnPickSubroutine;
class PDFColumnScanSubroutine;
class PDFErrorDetection;
class SharedMemoryDistributor;
struct DecodeParameterForPDF;

// Reads the characters of an outlined symbol, whose every character already
// has its segment: edge scans of the weak cells on lines shifted inside
// their rows, and whole-column picks, by a plan chosen from the outline's
// row height class, each followed by the error check.
class CalcDataStackArraySubroutine {
public:
    static constexpr unsigned kMaxCodewords = 2700;
    static constexpr unsigned short kFinalScore = 45874;

    CalcDataStackArraySubroutine(SharedMemoryDistributor& memory, PDFColumnPickSubroutine& pick,
                                 PDFColumnScanSubroutine& scan, PDFErrorDetection& detection);

    bool Start(GrayImage const& image, bool inverted, unsigned ratioClass, bool narrow,
               DecodeParameterForPDF const& parameter, DataStackArray& stacks,
               StackInterface<unsigned short>& codewords) const;

    // One scan of the weak cells of one column on the lines of `cycle`.
    void ScanOneCycle(GrayImage const& image, unsigned cycle, bool inverted, DataCharacterStack& stack) const;
    // The grey range over the 17 module centres of a segment (1/256 pixel).
    bool CalcTargetContrast(GrayImage const& image, LineSegment const& segment, unsigned& contrast) const;
    bool ErrorDetection(DataStackArray const& stacks, unsigned errorCorrection,
                        StackInterface<unsigned short>& codewords) const;

private:
    PDFColumnPickSubroutine* pick_ = nullptr;
    PDFColumnScanSubroutine* scan_ = nullptr;
    PDFErrorDetection* detection_ = nullptr;
    mutable StackInterface<unsigned short> erasures_;
};

}  // namespace DEC2DIvra
