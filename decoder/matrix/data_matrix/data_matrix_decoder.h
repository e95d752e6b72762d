#pragma once

#include "decoder/core/arithmetic/rs_decoding_of_data_matrix.h"
#include "decoder/core/containers/variable_size_virtual_table.h"
#include "decoder/core/containers/virtual_array.h"
#include "decoder/core/interfaces/abstract_l_pattern_decoder.h"
#include "decoder/core/sampling/common_code_mesh.h"
#include "decoder/core/sampling/common_gap_and_threshold_map.h"
#include "decoder/core/sampling/common_luminance_map.h"
#include "decoder/core/shared_memory_distributor.h"
#include "decoder/matrix/data_matrix/data_matrix_ecc000_140_stream.h"
#include "decoder/matrix/data_matrix/data_matrix_outline.h"
#include "decoder/matrix/data_matrix/data_matrix_placement.h"
#include "decoder/matrix/data_matrix/data_matrix_timing_edge.h"
#include "decoder/matrix/data_matrix/data_matrix_version.h"

namespace DEC2DIvra {

struct DEC2DProperty;

// Reads a Data Matrix symbol from the solid L the symbol locator found: the
// outline around it, the size whose timing sides fit best, the module
// decision over the mesh, then for ECC 200 the placement, the Reed-Solomon
// blocks and the data encodation, and for the odd ECC 000-140 sizes the
// module stream, its convolutional protection and its data format. Its buffers lie over its part of the work area, laid
// out once when it is built.
class DataMatrixDecoder final : public AbstractLPatternDecoder {
public:
    // The largest frame the outline can fill.
    static constexpr unsigned kMaxImagePixels = 1280u * 1024u;
    static constexpr unsigned kMaxPatchPixels = 1u << 18;

    DataMatrixDecoder(VirtualArray<unsigned char> const& workArea, DEC2DProperty const& property);
    DataMatrixDecoder(DataMatrixDecoder const&) = delete;
    DataMatrixDecoder& operator=(DataMatrixDecoder const&) = delete;

    int Start(GrayImage const& image, Region const& lPattern, DecodedLabel& label) override;
    // Both legs show a quiet zone on their outer sides (DataMatrixQuietSides).
    bool IsPromising(GrayImage const& image, Region const& lPattern) const override;
    void OnNewImage() override;

private:
    struct Candidate {
        DataMatrixVersion const* version = nullptr;
        bool mirrored = false;
        float score = -2;
    };
    static constexpr unsigned kCandidates = 3;
    static constexpr int kFitRounds = 8;
    // Timing scores: a size fits above kFits; at kNearFit or above the best
    // size's corners are fitted to its timing before it is given up.
    static constexpr float kFits = 0.5f;
    static constexpr float kNearFit = 0.35f;
    // Below kLooseFit, a square symbol of kLooseFitSide modules or more has
    // its corners fitted to its timing before it is read.
    static constexpr float kLooseFit = 0.8f;
    static constexpr unsigned kLooseFitSide = 44;
    // The same for an outline seen at a slant.
    static constexpr float kSlantedLooseFit = 0.935f;

    class ModuleMap;

    // A fill of this frame whose reading failed: the sightings of one L
    // mostly fill the same patch, and its reading fails the same way again,
    // leaving the same outline unread (or none).
    struct FailedFill {
        unsigned long long fill = 0;
        Region unread;
    };
    static constexpr unsigned kFailedFills = 8;

    int ReadWithPolarity(GrayImage const& image, Region const& lPattern, bool negative, DecodedLabel& label);
    unsigned RankVersions(GrayImage const& image, bool negative, Candidate* best) const;
    float ScoreTiming(GrayImage const& image, bool negative, unsigned width, unsigned height, bool mirrored) const;
    bool ReadMatrix(GrayImage const& image, Candidate const& candidate, bool negative, bool laplacian);
    // The readings first to last - 1 of one size: 0 plain, 1 sharpened,
    // and a square one mirrored too (2 plain, 3 sharpened).
    static constexpr int kReadings = 4;
    bool ReadCandidate(GrayImage const& image, Candidate const& candidate, bool negative, int first, int last,
                       DecodedLabel& label);
    bool FitCornersToTiming(GrayImage const& image, bool negative, Candidate const& candidate);
    bool FitTimingEdges(GrayImage const& image);
    bool FollowTimingPattern(GrayImage const& image, Candidate const& candidate);
    bool CorrectBlocks(DataMatrixVersion const& version);
    bool Convert(DataMatrixVersion const& version, bool negative, DecodedLabel& label);
    bool ConvertEcc000To140(DataMatrixVersion const& version, bool negative, DecodedLabel& label);
    void SetLabelShape(DataMatrixVersion const& version, bool negative, DecodedLabel& label) const;
    void SetRegion(Region& region) const;

    SharedMemoryDistributor memory_;
    DEC2DProperty const* property_;
    DataMatrixOutline outline_;
    OutlinePoint corners_[4];  // the outline's, or moved to fit a size's timing
    Region unread_;            // the outline of a symbol found and not read in this Start
    bool lastReadNegative_ = false;  // the polarity of the last symbol read
    FailedFill failed_[kFailedFills];
    unsigned failedCount_ = 0;
    unsigned failedNext_ = 0;
    CommonCodeMesh mesh_;
    CommonLuminanceMap luminance_;
    CommonGapAndThresholdMap blocks_;
    VariableSizeVirtualTable<bool> decided_;
    VariableSizeVirtualTable<bool> mapping_;
    VirtualArray<unsigned char> visited_;
    VirtualArray<unsigned short> codewords_;
    VirtualArray<unsigned short> placement_;
    VirtualArray<unsigned short> moduleStream_;
    VirtualArray<unsigned short> reencoded_;
    DataMatrixEcc000To140Stream ecc000To140_;
    DataMatrixPlacementTable placementTable_;
    unsigned short block_[RSdecodingOfDataMatrix::kMaxCodewords];
    RSdecodingOfDataMatrix rs_;
    TimingEdgeWorkArea timing_;
};

}  // namespace DEC2DIvra
