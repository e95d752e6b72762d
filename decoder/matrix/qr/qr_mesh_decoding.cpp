// The QR decoder's mesh road: module centres placed cell by cell between the
// finders and the alignment patterns, modules decided per block, codewords
// gathered through the placement table, weak codewords ranked as erasures.

#include <cmath>
#include <initializer_list>

#include "decoder/core/geometry/geometry.h"
#include "decoder/core/sampling/adjust_to_timing_pattern_subroutine.h"
#include "decoder/core/sampling/common_code_grid.h"
#include "decoder/matrix/qr/qr_code_decoder.h"
#include "decoder/matrix/qr/qr_codeword_placement.h"
#include "decoder/matrix/qr/qr_model1_mesh.h"
#include "decoder/matrix/qr/qr_model1_tables.h"
#include "decoder/matrix/qr/qr_model2_mesh.h"
#include "decoder/matrix/qr/qr_module_sampling.h"
#include "decoder/matrix/qr/qr_version_tables.h"

namespace DEC2DIvra {

namespace {

constexpr float kOne = 256.0f;
constexpr float kFarthest = 1048576.0f;  // pixels: a point beyond is no point of a frame

bool ToFixed(QRPoint const& p, Point& out)
{
    if (!std::isfinite(p.x) || !std::isfinite(p.y) || std::fabs(p.x) > kFarthest || std::fabs(p.y) > kFarthest) {
        return false;
    }
    out = Point{static_cast<int>(std::lround(p.x * kOne)), static_cast<int>(std::lround(p.y * kOne))};
    return true;
}

// The finder whose top-left corner module is (x, y), as the map places its
// corner module centres.
bool MakeFinderRegion(QRPerspective const& map, float x, float y, QRFinderRegion& region)
{
    QRPoint const corners[4] = {map.Map(x + 0.5f, y + 0.5f), map.Map(x + 6.5f, y + 0.5f),
                                map.Map(x + 6.5f, y + 6.5f), map.Map(x + 0.5f, y + 6.5f)};
    unsigned long long sides = 0;
    for (unsigned k = 0; k < 4; ++k) {
        if (!ToFixed(corners[k], region.corner[k])) {
            return false;
        }
    }
    for (unsigned k = 0; k < 4; ++k) {
        sides += Geometry::CalcEuclideanDistance(region.corner[k], region.corner[(k + 1) & 3]);
    }
    region.size = static_cast<unsigned>(sides / 4);
    region.CalcMiddlePoints();
    return region.size > 0;
}

}  // namespace

bool QRCodeDecoder::ReadModel2Mesh(QRSampler const& sampler, QRPerspective const& plain, unsigned version,
                                   DecodedLabel& label)
{
    GrayImage const& image = sampler.GetImage();
    unsigned const size = QRVersionTables::GetSize(version);
    float const s = static_cast<float>(size);
    QRFinderRegion finders[3];
    if (!MakeFinderRegion(plain, 0.0f, 0.0f, finders[0]) || !MakeFinderRegion(plain, s - 7.0f, 0.0f, finders[1]) ||
        !MakeFinderRegion(plain, 0.0f, s - 7.0f, finders[2])) {
        return false;
    }
    // A finder placed from the others shows nothing to measure.
    QRFinderRegion const* const present[3] = {predicted_ == 0 ? nullptr : &finders[0],
                                              predicted_ == 1 ? nullptr : &finders[1],
                                              predicted_ == 2 ? nullptr : &finders[2]};
    if (present[0] == nullptr) {
        return false;
    }
    // The format information beside the finders reads through their own
    // map wherever the mesh could read: without it no mesh is built.
    if (!SampleModules(sampler, plain, size, false, Sampling::kCentre)) {
        return false;
    }
    bool named = false;
    for (unsigned way = 0; way < 2 && !named; ++way) {
        QRFormatInformation seen;
        named = ReadFormat(size, QRFormatDecoder::kQRMask, seen, way != 0);
    }
    if (!named) {
        return false;
    }
    bool const reversed = sampler.IsReversed();
    CalcModel2QRCodeMeshSubroutine const subroutine;
    CommonCodeMesh mesh(meshPoints_);
    bool filled = false;
    if (version == 1) {
        Region region;
        Line columnLines[QRVersionTables::kMaxVersion + 23];
        Line rowLines[QRVersionTables::kMaxVersion + 23];
        CommonCodeGrid grid(VirtualArray<Line>(columnLines, size + 2), VirtualArray<Line>(rowLines, size + 2));
        int const last = static_cast<int>(size) - 1;
        filled = predicted_ == 3 &&
                 subroutine.StartForVersionOne(image, finders[0], finders[1], finders[2], reversed, version,
                                               region) != 0 &&
                 mesh.SetSize(size + 2, size + 2, 8) && mesh.SetSamplingSize(8) &&
                 grid.SetForShogiban(image, region, Rectangle{-1, -1, last + 1, last + 1}, 8, last, last) &&
                 grid.CalcMesh(image, Vector{1, 1}, mesh);
    } else if (version <= 6 && predicted_ == 3) {
        filled = subroutine.StartForSmallVersion(image, finders[0], finders[1], finders[2], reversed, version,
                                                 mesh) != 0;
    } else {
        filled = subroutine.Start(image, present[0], present[1], present[2], reversed, version, mesh) != 0;
    }
    if (filled && DecodeMeshOrRefitted(image, mesh, QRModel::kModel2, version, reversed, label)) {
        return true;
    }
    // A small symbol on a curved surface bows between its finders: its
    // timing patterns place the middle of the grid.
    return version <= 6 && predicted_ == 3 &&
           subroutine.StartForCurvedSmallVersion(image, finders[0], finders[1], finders[2], reversed, version,
                                                 mesh) != 0 &&
           DecodeMesh(image, mesh, QRModel::kModel2, version, reversed, label);
}

bool QRCodeDecoder::ReadModel1Mesh(QRSampler const& sampler, QRPerspective const& plain, unsigned version,
                                   DecodedLabel& label)
{
    unsigned const size = QRVersionTables::GetSize(version);
    float const s = static_cast<float>(size);
    QRFinderRegion finders[3];
    if (version > QRModel1Tables::kMaxVersion || !MakeFinderRegion(plain, 0.0f, 0.0f, finders[0]) ||
        !MakeFinderRegion(plain, s - 7.0f, 0.0f, finders[1]) || !MakeFinderRegion(plain, 0.0f, s - 7.0f, finders[2]) ||
        predicted_ == 0) {
        return false;
    }
    CommonCodeMesh mesh(meshPoints_);
    return CalcModel1QRCodeMeshSubroutine().Start(sampler.GetImage(), &finders[0],
                                                  predicted_ == 1 ? nullptr : &finders[1],
                                                  predicted_ == 2 ? nullptr : &finders[2], sampler.IsReversed(),
                                                  version, mesh) != 0 &&
           DecodeMesh(sampler.GetImage(), mesh, QRModel::kModel1, version, sampler.IsReversed(), label);
}

bool QRCodeDecoder::DecodeMeshOrRefitted(GrayImage const& image, CommonCodeMesh& mesh, QRModel model,
                                         unsigned version, bool reversed, DecodedLabel& label)
{
    if (DecodeMesh(image, mesh, model, version, reversed, label)) {
        return true;
    }
    // A mesh a little off between its grid points (a bent or unevenly
    // stretched symbol) is moved onto the module boundaries that the timing
    // patterns show, and decoded again.
    return AdjustToTimingPatternSubroutine().Start(image, reversed, model == QRModel::kMicro, mesh) &&
           DecodeMesh(image, mesh, model, version, reversed, label);
}

bool QRCodeDecoder::DecodeMesh(GrayImage const& image, CommonCodeMesh const& mesh, QRModel model, unsigned version,
                               bool reversed, DecodedLabel& label)
{
    bool const micro = model == QRModel::kMicro;
    unsigned const size = micro ? QRVersionTables::GetMicroSize(version) : QRVersionTables::GetSize(version);
    if (size > kMaxSize) {
        return false;
    }
    static_assert(sizeof(bool) == 1, "the module table lies over the dark flags");
    VariableSizeVirtualTable<bool> table(reinterpret_cast<bool*>(dark_.GetData()), dark_.GetCount());
    CommonLuminanceMap map(meshLuminance_);
    BinarizationSubroutineForQRCode const binarization(meshBlocks_);
    // Entries are (module light) XOR this: set for a dark module of the
    // symbol, whichever way the image shows it.
    bool const darkSet = !reversed;
    unsigned const xorMask = model == QRModel::kModel1 ? QRFormatDecoder::kModel1Mask : QRFormatDecoder::kQRMask;
    // The sharpened grey only when the plain one gave a format but no data.
    bool formatRead = false;
    for (bool const laplacian : {false, true}) {
        if (laplacian && !formatRead) {
            break;
        }
        // The sampled modules of the other road are overwritten.
        sampled_ = false;
        size_ = size;
        if (binarization.Start(image, mesh, micro, version, darkSet, laplacian, map, table) == 0) {
            continue;
        }
        // The way round whose format reads nearer first: a mirror shows the
        // rows as columns.
        unsigned nearer[2] = {99, 99};
        for (unsigned way = 0; way < 2 && !micro; ++way) {
            QRFormatInformation seen;
            if (ReadFormat(size, xorMask, seen, way != 0)) {
                nearer[way] = seen.distance;
            }
        }
        unsigned const firstWay = nearer[1] < nearer[0] ? 1u : 0u;
        bool transposed = false;
        for (unsigned pass = 0; pass < 2; ++pass) {
            bool const want = (pass ^ firstWay) != 0;
            if (want != transposed) {
                Transpose(dark_.GetData(), size);
                Transpose(meshLuminance_.GetData(), size + 2);
                transposed = want;
            }
            QRFormatInformation format;
            bool const read = micro ? ReadMicroFormat(size, format) : ReadFormat(size, xorMask, format);
            formatRead = formatRead || read;
            if (read && DecodeTable(model, version, format, map, darkSet, label)) {
                // The region as the image shows it, mirrored or not, as the
                // single-map readers write it.
                WriteMeshRegion(mesh, label);
                return true;
            }
        }
    }
    return false;
}

bool QRCodeDecoder::DecodeTable(QRModel model, unsigned version, QRFormatInformation const& format,
                                CommonLuminanceMap const& map, bool darkSet, DecodedLabel& label)
{
    CalcDataSequenceSubroutineForQRCode& sequence = dataSequence_[0];
    VariableSizeVirtualTable<int> placement(placement_);
    unsigned codewords = 0;
    bool const micro = model == QRModel::kMicro;
    int const built = model == QRModel::kModel2  ? sequence.StartForModel2(version, format, placement, codewords)
                      : model == QRModel::kModel1 ? sequence.StartForModel1(version, format, placement, codewords)
                                                  : sequence.StartForMicro(version, format, placement, codewords);
    if (built == 0 || codewords == 0 || codewords > kMaxCodewords || 8 * codewords > bits_.GetCount() ||
        placement.GetWidth() != size_) {
        return false;
    }
    unsigned short* const words = codewords_.GetData();
    for (unsigned i = 0; i < codewords; ++i) {
        words[i] = 0;
    }
    BitAndLuminance* const bits = bits_.GetData();
    for (unsigned i = 0; i < 8 * codewords; ++i) {
        bits[i] = BitAndLuminance{};
    }
    unsigned char const* const dark = dark_.GetData();
    for (unsigned y = 0; y < size_; ++y) {
        for (unsigned x = 0; x < size_; ++x) {
            int const v = placement.At(x, y);
            if (v < 0 || static_cast<unsigned>(v) >= 8 * codewords) {
                continue;
            }
            // Set is a dark module of the symbol in either polarity (the
            // binarisation was told which one the image shows).
            bool const set = dark[y * size_ + x] != 0;
            bits[v] = BitAndLuminance{set, map.At(x + 1, y + 1)};
            bool const one = set != QRCodewordPlacement::IsMaskedDark(micro, format.mask, x, y);
            words[v / 8] = static_cast<unsigned short>(words[v / 8] | ((one ? 1u : 0u) << (7 - v % 8)));
        }
    }
    // The weak codewords are ranked once, when a block first needs them.
    VariableLengthVirtualArray<unsigned short> erasures(erasures_);
    bool ranked = false;
    unsigned short* const block = block_.GetData();
    unsigned short* const local = blockErasures_.GetData();
    // Per block: its codewords' positions in the read, and the erasures
    // among them in the order of their weakness.
    auto correct = [&](unsigned dataAt, unsigned k, unsigned checkAt, unsigned e, unsigned reserve) {
        unsigned const n = k + e;
        if (n > RSdecodingOfQRcode::kMaxCodewords || n > blockErasures_.GetCount()) {
            return false;
        }
        for (unsigned i = 0; i < k; ++i) {
            block[i] = words[dataAt + i];
        }
        for (unsigned j = 0; j < e; ++j) {
            block[k + j] = words[checkAt + j];
        }
        unsigned located = 0;
        if (rs_.CorrectErrors(block, n, k, 0, nullptr, reserve, &located) != 0) {
            return true;
        }
        if (!ranked) {
            erasureIndex_[0].Start(darkSet, VirtualArray<BitAndLuminance const>(bits, 8 * codewords), erasures);
            ranked = true;
        }
        unsigned count = 0;
        for (unsigned short const index : erasures) {
            if (index >= dataAt && index < dataAt + k) {
                local[count++] = static_cast<unsigned short>(index - dataAt);
            } else if (index >= checkAt && index < checkAt + e) {
                local[count++] = static_cast<unsigned short>(k + index - checkAt);
            }
        }
        return CorrectWithErasures(block, n, k, local, count, reserve);
    };
    unsigned written = 0;
    if (model == QRModel::kModel2) {
        QRBlockLayout const& layout = QRVersionTables::GetBlockLayout(version, format.level);
        unsigned const reserve = QRVersionTables::GetReserve(version, format.level);
        unsigned dataAt = 0;
        for (unsigned b = 0; b < layout.BlockCount(); ++b) {
            unsigned const k = layout.data1 + (b >= layout.blocks1 ? 1u : 0u);
            if (!correct(dataAt, k, layout.DataCount() + b * layout.check, layout.check, reserve)) {
                return false;
            }
            for (unsigned i = 0; i < k; ++i) {
                data_[written++] = block[i];
            }
            dataAt += k;
        }
    } else if (model == QRModel::kModel1) {
        QRModel1Blocks const* const layout = QRModel1Tables::GetBlocks(version, format.level);
        if (layout == nullptr) {
            return false;
        }
        unsigned const k = layout->DataPerBlock();
        unsigned const e = layout->CheckPerBlock();
        for (unsigned b = 0; b < layout->blocks; ++b) {
            if (!correct(b * k, k, layout->data + b * e, e, layout->reserve)) {
                return false;
            }
            for (unsigned i = 0; i < k; ++i) {
                data_[written++] = block[i];
            }
        }
    } else {
        MicroQRSymbol const* const symbol = QRVersionTables::GetMicroSymbol(format.level);
        if (symbol == nullptr || symbol->version != version ||
            !correct(0, symbol->data, symbol->data, symbol->check, symbol->reserve)) {
            return false;
        }
        for (unsigned i = 0; i < symbol->data; ++i) {
            data_[written++] = block[i];
        }
    }
    return converter_.Start(model, version, VirtualArray<unsigned short const>(data_.GetData(), written), label) != 0;
}

bool QRCodeDecoder::CorrectWithErasures(unsigned short* block, unsigned n, unsigned k,
                                        unsigned short const* erasures, unsigned count, unsigned reserve)
{
    // At most half the check codewords go to erasures: erasing them all
    // leaves nothing to check the rest against.
    if (n - k <= reserve || count == 0) {
        return false;
    }
    unsigned const most = (n - k - reserve) / 2;
    count = count < most ? count : most;
    unsigned located = 0;
    return count > 0 && rs_.CorrectErrors(block, n, k, count, erasures, reserve, &located) != 0;
}

void QRCodeDecoder::WriteMeshRegion(CommonCodeMesh const& mesh, DecodedLabel& label) const
{
    // The outer corner of a corner module: midway between its centre and
    // the ring point beyond it.
    unsigned const last = mesh.GetWidth() - 1;
    unsigned const at[4][4] = {{0, 0, 1, 1}, {last, 0, last - 1, 1}, {last, last, last - 1, last - 1},
                               {0, last, 1, last - 1}};
    for (unsigned k = 0; k < 4; ++k) {
        Point const& ring = mesh.At(at[k][0], at[k][1]);
        Point const& module = mesh.At(at[k][2], at[k][3]);
        label.region.corner[k] = Point{(ring.x + module.x + 256) / 512, (ring.y + module.y + 256) / 512};
    }
}

}  // namespace DEC2DIvra
