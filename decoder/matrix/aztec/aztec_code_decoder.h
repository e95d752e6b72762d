#pragma once

#include "decoder/core/arithmetic/rs_decoding_of_aztec.h"
#include "decoder/core/containers/virtual_array.h"
#include "decoder/core/interfaces/abstract_region_decoder.h"
#include "decoder/core/sampling/common_gap_and_threshold_map.h"
#include "decoder/core/shared_memory_distributor.h"
#include "decoder/matrix/aztec/aztec_codeword_placement.h"
#include "decoder/matrix/aztec/aztec_data_stream.h"
#include "decoder/core/sampling/common_code_mesh.h"
#include "decoder/matrix/aztec/aztec_finder_grid.h"
#include "decoder/matrix/aztec/aztec_finder_searcher.h"
#include "decoder/matrix/aztec/binarization_subroutine_for_aztec.h"
#include "decoder/matrix/aztec/calc_curved_compact_table_subroutine.h"
#include "decoder/matrix/aztec/calc_outer_code_region_subroutine.h"
#include "decoder/matrix/aztec/calc_reference_points_subroutine.h"
#include "decoder/matrix/aztec/reference_grid.h"
#include "decoder/matrix/aztec/aztec_mode_message.h"
#include "decoder/matrix/aztec/aztec_module_grid.h"

namespace DEC2DIvra {

struct DEC2DProperty;

// Reads an Aztec Code or Aztec Runes symbol around the bull's-eye the symbol
// locator found: the bull's-eye frames place the module grid, the mode ring
// gives orientation and size, the data layers are sampled, corrected and
// converted. Either polarity is read. Its buffers lie over its part of the
// work area, laid once when it is built.
class AztecCodeDecoder final : public AbstractRegionDecoder {
public:
    static constexpr unsigned kMaxSize = 151;
    static constexpr unsigned kMaxBends = 4096;
    // Grid refits on measured module centres after a failed read.
    static constexpr unsigned kBendRounds = 2;
    // Refits of the outer code region before the low-layer road gives up,
    // and the largest symbol it reads (4 full-range layers).
    static constexpr unsigned kMaxOuterRounds = 12;
    static constexpr unsigned kLowLayerMaxSize = 31;
    // The side in pixels of the smoothed window a second read takes.
    static constexpr int kSmoothSide = 320;

    AztecCodeDecoder(VirtualArray<unsigned char> const& workArea, DEC2DProperty const& property);
    AztecCodeDecoder(AztecCodeDecoder const&) = delete;
    AztecCodeDecoder& operator=(AztecCodeDecoder const&) = delete;

    int Start(GrayImage const& image, Region const& bullsEye, DecodedLabel& label) override;

    // The data path alone: a module table in reading orientation (nonzero
    // dark) to a label. For tests and the flow alike.
    int DecodeTable(BinarizationTableForAztec const& table, ModeMessageInformation const& information,
                    DecodedLabel& label);

private:
    bool Ready() const;
    int TryCentre(GrayImage const& image, double x, double y, double module, DecodedLabel& label);
    // The symbol around the bull's-eye the finder has measured.
    int ReadAround(GrayImage const& image, DecodedLabel& label);
    // The orientation marks and mode bits of the ring around the bull's-eye
    // (5 modules out on a compact symbol, 7 on a full-range one) through a
    // frames' grid; false when a module lies off the image.
    bool SampleModeRing(GrayImage const& image, CommonVectorGrid const& grid, bool compact, int threshold, bool dark,
                        unsigned& orientationBits, unsigned long long& modeBits) const;
    // The symbol from its mode ring's bits: each orientation that fits and
    // whose mode message corrects, read as a rune or through the roads.
    int ReadModeRing(GrayImage const& image, unsigned orientationBits, unsigned long long modeBits, bool compact,
                     DecodedLabel& label);
    bool WasTried(OrientationPattern const& orientation, ModeMessageInformation const& information) const;
    int DecodeSymbol(GrayImage const& image, AztecModuleGrid const& grid, bool dark,
                     ModeMessageInformation const& information, OrientationPattern const& orientation,
                     DecodedLabel& label);
    // A compact symbol or a full-range one of up to 4 layers through the
    // grid walked out over the bull's-eye's frames: sampled through it and,
    // while it does not decode, re-fitted to the symbol's sides found a few
    // lines further out each time.
    int DecodeLowLayerSymbol(GrayImage const& image, bool dark, ModeMessageInformation const& information,
                             OrientationPattern const& orientation, DecodedLabel& label);
    // A full-range symbol of 5 layers or more through a mesh anchored on its
    // reference points, found with grey and then with sharpened values, and
    // once more with the points by the symbol's edge where those lie far
    // enough from the last reference line.
    int DecodeHighLayerFullRangeSymbol(GrayImage const& image, bool dark, ModeMessageInformation const& information,
                                       OrientationPattern const& orientation, DecodedLabel& label);
    // The mesh of a size x size symbol from the reference points, with
    // bent, each cell bent through the module centres found halfway along
    // its sides; edge: the table's edge ring is filled.
    bool CalcCenterPointArray(GrayImage const& image, bool laplacian, bool edge, bool bent, unsigned size,
                              CommonCodeMesh& mesh);
    // Binarises the mesh and decodes it; the label's corners from the mesh.
    int DecodeMesh(GrayImage const& image, bool dark, bool laplacian, ModeMessageInformation const& information,
                   CommonCodeMesh const& mesh, DecodedLabel& label);
    // The grid walked over the frames, turned into the reading orientation.
    void TurnFinderGrid(OrientationPattern const& orientation);

    // The bull's-eye's frames walked from its first ring (as the ray search
    // placed it) into finderGrid_, once for each grid of the ray search.
    bool WalkFinderFrames(GrayImage const& image, bool dark, bool compact);
    bool Walk(GrayImage const& image, bool dark, bool compact);
    // The symbol's corners from the grid the data was read through.
    void SetRegionFromGrid(CommonVectorGrid const& grid, unsigned half, DecodedLabel& label) const;

    // Whether the ring just outside an 11-module rune shows the background
    // at 7 of 8 modules or more.
    bool IsQuietAroundRune(GrayImage const& image, bool dark, int threshold) const;

    // Re-anchors a full-range grid on its reference lines, ring by ring.
    void FitReferenceGrid(GrayImage const& image, bool dark, unsigned half, AztecModuleGrid& grid);
    // Measures module centres between their edges where a module differs
    // from both neighbours along a line, and bends the grid to them; false
    // when too few were measured.
    bool FitBend(GrayImage const& image, unsigned size, OrientationPattern const& orientation, AztecModuleGrid& grid);
    // The module table from grey values, or from Laplacian-sharpened ones.
    bool SampleTable(GrayImage const& image, AztecModuleGrid const& grid, bool dark, unsigned size,
                     OrientationPattern const& orientation, bool laplacian);
    // The module table SampleTable left: its decisions, row by row size
    // wide from the symbol's top-left module, read byte by byte (0 or 1,
    // nonzero dark).
    unsigned char* Cells() const { return reinterpret_cast<unsigned char*>(decided_.GetData()); }

    SharedMemoryDistributor memory_;
    DEC2DProperty const* property_;
    RSdecodingOfAztec rs_;
    AztecFinderSearcher finder_;
    AztecModuleGrid grid_;
    AztecModuleGrid refined_;
    AztecModuleGrid refinedPoints_;  // the grid's points and the crossings found
    VirtualArray<unsigned short> luminance_;
    VirtualArray<GapAndThreshold> blocks_;
    VirtualArray<bool> decided_;
    VirtualArray<unsigned short> codewords_;
    VirtualArray<unsigned char> bits_;
    VirtualArray<AztecModuleGrid::BendMeasurement> bends_;
    VirtualArray<Point> meshPoints_;
    VirtualArray<unsigned short> smoothed_;
    // A bull's-eye was measured on this call (the finder's search succeeded).
    bool sighted_ = false;
    AztecFinderGrid finderGrid_;
    bool walkTried_ = false;  // finderGrid_ walked from the present grid_
    bool walkedCompact_ = false;
    bool walked_ = false;
    // The readings tried on this pass: both grids' rings at two
    // orientations each.
    struct TriedReading {
        OrientationPattern orientation;
        ModeMessageInformation information;
    };
    static constexpr unsigned kTried = 4;
    TriedReading tried_[kTried] = {};
    unsigned triedCount_ = 0;
    AztecFinderGrid symbolGrid_;
    BinarizationSubroutineForAztec binarization_;
    CalcOuterCodeRegionSubroutine outerRegion_;
    CalcCurvedCompactTableSubroutine curved_;
    ReferenceGridPointTable referenceTable_;
    CalcReferencePointsSubroutine referencePoints_;
    bool regionSet_ = false;
};

// Symbol coordinates (the symbol's top-left corner first, as it reads) to
// the reader's view of the bull's-eye, for an orientation.
void AztecSymbolToReader(OrientationPattern const& orientation, double u, double v, double& x, double& y);

// The grey value of every module of a side x side square centred on the
// grid's centre module, row by row as the symbol reads in the orientation,
// as AztecModuleGrid::Line::Sample reads them; false (grey then
// undefined) when any position's four pixels are not all on the image, the
// grid is bent or side is 0 or larger than the reader's map.
bool SampleAztecModules(GrayImage const& image, AztecModuleGrid const& grid, OrientationPattern const& orientation,
                        unsigned side, unsigned short* grey);

}  // namespace DEC2DIvra
