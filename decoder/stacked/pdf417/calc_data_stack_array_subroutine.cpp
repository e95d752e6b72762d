#include "decoder/stacked/pdf417/calc_data_stack_array_subroutine.h"

#include "decoder/core/geometry/geometry.h"
#include "decoder/core/geometry/geometry_ex.h"
#include "decoder/core/gray_image.h"
#include "decoder/core/shared_memory_distributor.h"
#include "decoder/stacked/pdf417/data_column_reading.h"
#include "decoder/stacked/pdf417/data_stack_array.h"
#include "decoder/stacked/pdf417/mod3_of_cluster.h"
#include "decoder/stacked/pdf417/pdf_column_pick_subroutine.h"
#include "decoder/stacked/pdf417/pdf_column_scan_subroutine.h"
#include "decoder/stacked/pdf_character_table.h"

namespace DEC2DIvra {

CalcDataStackArraySubroutine::CalcDataStackArraySubroutine(SharedMemoryDistributor& memory,
                                                           PDFColumnPickSubroutine& pick,
                                                           PDFColumnScanSubroutine& scan,
                                                           PDFErrorDetection& detection)
    : pick_(&pick), scan_(&scan), detection_(&detection)
{
    erasures_ = StackInterface<unsigned short>(memory.TakeArray<unsigned short>(kMaxCodewords));
}

bool CalcDataStackArraySubroutine::ErrorDetection(DataStackArray const& stacks, unsigned errorCorrection,
                                                  StackInterface<unsigned short>& codewords) const
{
    return CheckCodeWords(stacks, errorCorrection, *detection_, codewords, erasures_);
}

bool CalcDataStackArraySubroutine::CalcTargetContrast(GrayImage const& image, LineSegment const& segment,
                                                      unsigned& contrast) const
{
    unsigned high = 0;
    unsigned low = 0xFFFF;
    for (int k = 33; k >= 1; k -= 2) {
        Point centre;
        if (!Geometry::CalcDividingPoint(34 - k, segment.begin, k, segment.end, centre)) {
            return false;
        }
        unsigned const grey = GeometryEx::GetLuminance(image, centre, 8);
        high = grey > high ? grey : high;
        low = grey < low ? grey : low;
    }
    contrast = high - low;
    return true;
}

void CalcDataStackArraySubroutine::ScanOneCycle(GrayImage const& image, unsigned cycle, bool inverted,
                                                DataCharacterStack& stack) const
{
    unsigned const n = stack.GetCount();
    for (unsigned i = 0; i < n; ++i) {
        if (stack.score[i] > kFinalScore) {
            continue;
        }
        // Cycle 0 on the row's centre line; odd cycles a third and two
        // thirds of the way towards the boundary below, even ones towards
        // the boundary above.
        LineSegment segment = stack[i].rowCenter;
        if (cycle > 0) {
            bool const down = (cycle & 1u) != 0;
            int const thirds = static_cast<int>(down ? cycle / 2 + 1 : cycle / 2);
            if (thirds > 2) {
                continue;
            }
            LineSegment const& boundary = stack.Boundary(down ? i + 1 : i);
            LineSegment const& centre = stack[i].rowCenter;
            if (!Geometry::CalcDividingPoint(3 - thirds, centre.begin, thirds, boundary.begin, segment.begin) ||
                !Geometry::CalcDividingPoint(3 - thirds, centre.end, thirds, boundary.end, segment.end)) {
                continue;
            }
        }
        unsigned contrast = 0;
        if (!CalcTargetContrast(image, segment, contrast)) {
            continue;
        }
        PDFCharacterWithScore character;
        int cluster = -1;
        unsigned short windowContrast = 0;
        if (!scan_->Start(image, segment, !stack.narrow, contrast, inverted, true, stack.narrow ? 64 : 16, character,
                          cluster, windowContrast)) {
            continue;
        }
        unsigned pattern = 0;
        if (cluster != static_cast<int>((i % 3) * 3) || character.score <= stack.score[i] ||
            !PDFCharacterTable::ValueAndClusterToPattern(character.value, static_cast<unsigned>(cluster), pattern)) {
            continue;
        }
        stack[i].value = character.value;
        stack[i].pattern = static_cast<unsigned short>(pattern & 0xFFFFu);  // modules 1 to 16
        stack.score[i] = character.score;
    }
}

bool CalcDataStackArraySubroutine::Start(GrayImage const& image, bool inverted, unsigned ratioClass, bool narrow,
                                         DecodeParameterForPDF const& parameter, DataStackArray& stacks,
                                         StackInterface<unsigned short>& codewords) const
{
    unsigned cycles = 0;
    unsigned picks = 4;
    if (ratioClass >= 2 && ratioClass <= 3) {
        picks = narrow ? 1 : 2;
    } else if (ratioClass > 3) {
        cycles = narrow ? 0 : 5;
        picks = narrow ? 2 : 4;
    }
    unsigned const errorCorrection = 1u << (parameter.level + 1);
    unsigned const count = stacks.GetColumnCount();
    for (unsigned c = 0; c < cycles; ++c) {
        for (unsigned s = 0; s < count; ++s) {
            ScanOneCycle(image, c, inverted, stacks[s]);
        }
        if (ErrorDetection(stacks, errorCorrection, codewords)) {
            return true;
        }
    }
    for (unsigned t = 0; t < picks; ++t) {
        for (unsigned s = 0; s < count; ++s) {
            if (!pick_->Start(image, inverted, 0, t < 2 ? 16 : 4, (t & 1u) == 0, stacks[s])) {
                return false;
            }
        }
        if (ErrorDetection(stacks, errorCorrection, codewords)) {
            return true;
        }
    }
    return false;
}

}  // namespace DEC2DIvra
