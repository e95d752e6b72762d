// Corrected codeword streams of any content through the data conversions of
// QR Code (Model 1, Model 2, Micro QR), Data Matrix ECC 200, Aztec Code and
// Aztec Runes, and DotCode: no label or a bounded one, never a read or write
// outside the stream or the label. Each stream lies in a buffer of exactly
// its length, so that a read past its end is caught.
//
// Input: a selector byte (family in the low two bits, options above), a size
// byte (version, codeword width or mask), then the codewords.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "config/configuration_manager.h"
#include "decoder/core/decoded_label.h"
#include "decoder/core/property/dec2d_property.h"
#include "decoder/matrix/aztec/aztec_data_stream.h"
#include "decoder/matrix/data_matrix/data_matrix_data_stream.h"
#include "decoder/matrix/dot_code/dot_code_data_stream_conversion.h"
#include "decoder/matrix/qr/qr_data_stream_conversion.h"
#include "decoder/matrix/qr/qr_model1_tables.h"
#include "decoder/matrix/qr/qr_version_tables.h"

namespace {

using namespace DEC2DIvra;
namespace cfg = ivra_configuration;

// Most data codewords of any version of each family.
constexpr unsigned kMaxQrCodewords = 2956;
constexpr unsigned kMaxDataMatrixCodewords = 1558;
constexpr unsigned kMaxAztecCodewords = 1664;
constexpr unsigned kMaxDotCodeCodewords = 5000;

void Require(bool condition)
{
    if (!condition) {
        std::abort();
    }
}

struct Setup {
    Setup()
    {
        cfg::FixedLength any{};
        any.maximum = cfg::FixedLength::kNoMaximum;
        Require(manager.Root().fixed_length.qr_code.Set(any) && manager.Update());
    }

    cfg::ConfigurationManager manager;
    DEC2DProperty property{manager.Root()};
    DataStreamConversionForQRCode qr{property.common_2d, property.qr_code};
    DecodedLabel label;
    std::vector<unsigned char> aztecBits = std::vector<unsigned char>(DataStreamConversionForAztecCode::kMaxBits);
};

Setup& Instance()
{
    static Setup* setup = new Setup;
    return *setup;
}

void Qr(std::uint8_t options, std::uint8_t size, std::uint8_t const* data, std::size_t count)
{
    Setup& s = Instance();
    QRModel const model = static_cast<QRModel>(options % 3);
    unsigned const versions = model == QRModel::kModel1   ? QRModel1Tables::kMaxVersion
                              : model == QRModel::kMicro ? 4u
                                                         : QRVersionTables::kMaxVersion;
    unsigned const version = 1 + size % versions;
    count = count < kMaxQrCodewords ? count : kMaxQrCodewords;
    std::unique_ptr<unsigned short[]> words(new unsigned short[count == 0 ? 1 : count]);
    for (std::size_t i = 0; i < count; ++i) {
        words[i] = data[i];
    }
    Require(s.manager.Root().code.common_2d.suppress_eci_escape.Set((options & 4) != 0) && s.manager.Update());
    s.label.Clear();
    s.qr.Start(model, version, VirtualArray<unsigned short const>(words.get(), static_cast<unsigned>(count)), s.label);
}

void DataMatrix(std::uint8_t options, std::uint8_t const* data, std::size_t count)
{
    Setup& s = Instance();
    count = count < kMaxDataMatrixCodewords ? count : kMaxDataMatrixCodewords;
    std::unique_ptr<unsigned short[]> words(new unsigned short[count == 0 ? 1 : count]);
    for (std::size_t i = 0; i < count; ++i) {
        words[i] = data[i];
    }
    DataMatrixDataStream::Result result;
    DataMatrixDataStream::Start(words.get(), static_cast<unsigned>(count), (options & 1) != 0, s.label, result);
}

// Pairs of bytes as codewords of 6, 8, 10 or 12 bits. All zeros and all ones
// never reach the conversion (the reader refuses them after correction), so
// they stand for 1 and ones - 1 here.
void Aztec(std::uint8_t options, std::uint8_t size, std::uint8_t const* data, std::size_t count)
{
    Setup& s = Instance();
    s.label.Clear();
    if ((options & 32) != 0) {
        DataStreamConversionForAztecCode::StartForRunes(size, s.label);
        return;
    }
    static constexpr unsigned kWidths[4] = {6, 8, 10, 12};
    unsigned const bits = kWidths[options & 3];
    unsigned const ones = (1u << bits) - 1;
    unsigned n = static_cast<unsigned>(count / 2);
    n = n < kMaxAztecCodewords ? n : kMaxAztecCodewords;
    std::unique_ptr<unsigned short[]> words(new unsigned short[n == 0 ? 1 : n]);
    for (unsigned i = 0; i < n; ++i) {
        unsigned v = static_cast<unsigned>(data[2 * i] << 8 | data[2 * i + 1]) & ones;
        v = v == 0 ? 1 : (v == ones ? ones - 1 : v);
        words[i] = static_cast<unsigned short>(v);
    }
    DataStreamConversionForAztecCode::Settings settings;
    settings.suppressEci = (options & 4) != 0;
    if ((options & 8) != 0) {
        settings.length.minimum = size;
        settings.length.maximum = static_cast<std::uint16_t>(size + 20);
    }
    DataStreamConversionForAztecCode::Start(words.get(), bits, n, settings, s.aztecBits.data(), s.label);
}

// The mask value, then codewords 0-112 (or any byte now and then).
void DotCode(std::uint8_t options, std::uint8_t size, std::uint8_t const* data, std::size_t count)
{
    Setup& s = Instance();
    count = count < kMaxDotCodeCodewords ? count : kMaxDotCodeCodewords;
    unsigned const dataCount = static_cast<unsigned>(count) + 1;
    std::unique_ptr<unsigned short[]> words(new unsigned short[dataCount]);
    words[0] = static_cast<unsigned short>(size % 5);
    for (std::size_t i = 0; i < count; ++i) {
        words[i + 1] = static_cast<unsigned short>((options & 8) != 0 ? data[i] : data[i] % 113);
    }
    DataStreamConversionForDotCode::Options settings;
    settings.suppressEscapes = (options & 4) != 0;
    if ((options & 16) == 0 && !DataStreamConversionForDotCode::RemoveMask(words.get(), dataCount)) {
        return;
    }
    s.label.Clear();
    DataStreamConversionForDotCode conversion;
    conversion.Start(words.get(), dataCount, settings, s.label);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size)
{
    if (size < 2) {
        return 0;
    }
    std::uint8_t const selector = data[0];
    std::uint8_t const options = selector >> 2;
    switch (selector & 3) {
    case 0: Qr(options, data[1], data + 2, size - 2); break;
    case 1: DataMatrix(options, data + 2, size - 2); break;
    case 2: Aztec(options, data[1], data + 2, size - 2); break;
    default: DotCode(options, data[1], data + 2, size - 2); break;
    }
    Require(Instance().label.data.GetCount() <= DecodedLabel::kDataBytes);
    return 0;
}
