#pragma once

#include "decoder/core/arithmetic/rs_decoding_of_qr_code.h"
#include "decoder/core/containers/virtual_array.h"
#include "decoder/core/interfaces/abstract_region_decoder.h"
#include "decoder/core/sampling/common_code_mesh.h"
#include "decoder/core/sampling/common_gap_and_threshold_map.h"
#include "decoder/core/shared_memory_distributor.h"
#include "decoder/matrix/qr/qr_binarization.h"
#include "decoder/matrix/qr/qr_codeword_placement.h"
#include "decoder/matrix/qr/qr_data_sequence.h"
#include "decoder/matrix/qr/qr_data_stream_conversion.h"
#include "decoder/matrix/qr/qr_erasure_index.h"
#include "decoder/matrix/qr/qr_format_information.h"
#include "decoder/matrix/qr/qr_perspective.h"
#include "decoder/matrix/qr/qr_sampler.h"

namespace DEC2DIvra {

struct DEC2DProperty;

// Reads a QR Code (around three finder patterns) or Micro QR symbol (around
// one) that the symbol locator found. Its buffers lie over its part of the
// work area, laid out once when it is built.
class QRCodeDecoder final : public AbstractRegionDecoder {
public:
    static constexpr unsigned kMaxSize = 177;
    static constexpr unsigned kMaxCodewords = 3706;

    QRCodeDecoder(VirtualArray<unsigned char> const& workArea, DEC2DProperty const& property);
    QRCodeDecoder(QRCodeDecoder const&) = delete;
    QRCodeDecoder& operator=(QRCodeDecoder const&) = delete;

    // Region from the locator: finder centres at corners 0 (top left), 1
    // (top right) and 3 (bottom left), or the square around a lone finder.
    int Start(GrayImage const& image, Region const& finders, DecodedLabel& label) override;

private:
    struct Finder {
        QRPoint centre;
        float moduleAB = 0.0f;  // module along the top edge
        float moduleAC = 0.0f;  // module along the left edge
    };

    // predicted: the finder (0 top left, 1 top right, 2 bottom left) that
    // was not seen but placed from the others; 3 for none.
    bool ReadTriple(QRSampler const& sampler, Region const& region, DecodedLabel& label, unsigned predicted = 3);
    // A lone finder: the finders beside it looked for, a lost one placed
    // from those found, and the symbol read as a triple.
    bool ReadAroundFinder(QRSampler const& sampler, Point const& centre, float module, DecodedLabel& label);
    bool ReadVersionNear(QRSampler const& sampler, Finder const& b, Finder const& c, QRPoint const& u,
                         QRPoint const& v, unsigned& version) const;
    // kCentre reads each module once at its centre; kSpread averages five
    // points around it, which noise and a map a little off disturb less.
    enum class Sampling { kCentre, kSpread };
    // `formatSeen` is set when any format information read.
    bool ReadModel2(QRSampler const& sampler, Finder const* finders, QRPoint const& u, QRPoint const& v,
                    unsigned version, Sampling sampling, bool& formatSeen, DecodedLabel& label);
    bool FindAlignment(QRSampler const& sampler, QRPoint const& predicted, QRPoint const& u, QRPoint const& v,
                       float radius, QRPoint& found) const;
    bool ReadMicro(QRSampler const& sampler, QRPoint centre, float module, DecodedLabel& label);
    // From the map that the finder's outer corners (clockwise from the
    // symbol's own) place.
    bool ReadMicroAt(QRSampler const& sampler, QRPerspective map, QRPoint const* corners, bool mirrored,
                     DecodedLabel& label);

    // The mesh road: the module centres of a Model 2 symbol cell by cell
    // between its finders and alignment patterns (plain: the finders' map,
    // which places the finders' corner modules), every module decided
    // against its block, the codewords gathered by the placement table.
    bool ReadModel2Mesh(QRSampler const& sampler, QRPerspective const& plain, unsigned version, DecodedLabel& label);
    // The same for a Model 1 symbol, along its extension patterns.
    bool ReadModel1Mesh(QRSampler const& sampler, QRPerspective const& plain, unsigned version, DecodedLabel& label);
    // A filled mesh decoded, plain luminance first, then sharpened; either
    // way round (mirrored).
    bool DecodeMesh(GrayImage const& image, CommonCodeMesh const& mesh, QRModel model, unsigned version,
                    bool reversed, DecodedLabel& label);
    // The decided modules in dark_ (set: dark in the symbol) and the map
    // read as the format names; darkSet: the set modules are the darker in
    // the image (a symbol dark on light), as the erasure ranking takes it.
    bool DecodeTable(QRModel model, unsigned version, QRFormatInformation const& format,
                     CommonLuminanceMap const& map, bool darkSet, DecodedLabel& label);
    // A block that did not correct as it is, corrected with the weak
    // codewords of the read that fall in it (block positions, weakest
    // first) as erasures.
    bool CorrectWithErasures(unsigned short* block, unsigned n, unsigned k, unsigned short const* erasures,
                             unsigned count, unsigned reserve);
    // DecodeMesh, and when it fails, the mesh refitted to the timing
    // patterns and decoded again (the mesh is left refitted).
    bool DecodeMeshOrRefitted(GrayImage const& image, CommonCodeMesh& mesh, QRModel model, unsigned version,
                              bool reversed, DecodedLabel& label);
    void WriteMeshRegion(CommonCodeMesh const& mesh, DecodedLabel& label) const;

    // Samples every module of a size x size symbol through the map and
    // decides dark and light; false when the symbol shows no contrast.
    // Mirrored, module (x, y) is taken from the map's (y, x).
    // The grey values of the last sampling are used again (transposed when
    // only the mirroring differs) while the map, the size and the frame stay.
    bool SampleModules(QRSampler const& sampler, QRPerspective const& map, unsigned size, bool mirrored,
                       Sampling sampling);
    // Format, model and data from a sampled symbol.
    bool ReadSampled(QRSampler const& sampler, QRPerspective const& map, QRPerspective const& plain, bool aligned,
                     unsigned version, Sampling sampling, bool& formatSeen, DecodedLabel& label);
    bool DecodeSampled(bool micro, unsigned version, unsigned level, unsigned mask, DecodedLabel& label);
    bool DecodeModel1(unsigned version, unsigned level, unsigned mask, DecodedLabel& label);
    bool CorrectBlock(unsigned short* block, unsigned n, unsigned k, unsigned short const* contrast,
                      unsigned reserve);
    // Transposed, the modules are read as a mirror shows them.
    bool ReadFormat(unsigned size, unsigned xorMask, QRFormatInformation& format, bool transposed = false) const;
    bool ReadMicroFormat(unsigned size, QRFormatInformation& format) const;
    void WriteRegion(QRPerspective const& map, unsigned size, DecodedLabel& label) const;

    SharedMemoryDistributor memory_;
    DEC2DProperty const* property_;
    DataStreamConversionForQRCode converter_;
    RSdecodingOfQRcode rs_;
    VirtualArray<unsigned short> luminance_;
    VirtualArray<unsigned char> dark_;
    VirtualArray<unsigned short> contrast_;
    VirtualArray<unsigned short> codewords_;
    VirtualArray<unsigned short> codewordContrast_;
    VirtualArray<unsigned short> data_;
    VirtualArray<unsigned short> block_;
    VirtualArray<unsigned short> blockContrast_;
    VirtualArray<Point> meshPoints_;
    VirtualArray<unsigned short> meshLuminance_;
    VirtualArray<GapAndThreshold> meshBlocks_;
    VirtualArray<int> placement_;
    VirtualArray<BitAndLuminance> bits_;
    VirtualArray<unsigned short> erasures_;
    VirtualArray<unsigned short> blockErasures_;
    VirtualArray<CalcDataSequenceSubroutineForQRCode> dataSequence_;
    VirtualArray<CalcErasureIndexSubroutine> erasureIndex_;
    unsigned size_ = 0;
    unsigned predicted_ = 3;  // of the triple being read
    // What luminance_ holds: the map and size it was sampled with, and
    // whether mirrored; none when the frame or its polarity changed since.
    bool sampled_ = false;
    QRPerspective sampledMap_;
    bool sampledMirrored_ = false;
    Sampling sampledWith_ = Sampling::kCentre;
    bool sampledContrast_ = false;  // what the last sampling answered
};

}  // namespace DEC2DIvra
