#include "decoder/legacy/engine/legacy_settings_bridge.h"

#include "decoder/core/dec2d_entry.h"
#include "decoder/core/property/dec2d_property.h"

namespace {

using DEC2DIvra::DEC2DProperty;

DEC2DProperty const* Property() { return DEC2D_GetDec2DProperty(DEC2D_GetSingletonDecoderHandle()); }

template <class Read>
int Ask(Read read)
{
    DEC2DProperty const* property = Property();
    return property != nullptr && read(*property) ? 1 : 0;
}

}  // namespace

int GetQREnable()
{
    return Ask([](DEC2DProperty const& p) { return p.qr_code.read.Get(); });
}

int GetMicroQREnable()
{
    return Ask([](DEC2DProperty const& p) { return p.qr_code.read_micro_qr.Get(); });
}

int GetMaxiEnable()
{
    return Ask([](DEC2DProperty const& p) { return p.maxi_code.read.Get(); });
}

int CheckMaxiLength(unsigned int length)
{
    return Ask([length](DEC2DProperty const& p) { return p.maxi_code.fixed_length.Get().Admits(length); });
}

int GetAztecEnable()
{
    return Ask([](DEC2DProperty const& p) { return p.aztec_code.read.Get(); });
}

int GetAztecRunesEnable()
{
    return Ask([](DEC2DProperty const& p) { return p.aztec_code.read_runes.Get(); });
}

int GetChineseSensibleEnable()
{
    return Ask([](DEC2DProperty const& p) { return p.chinese_sensible_code.read.Get(); });
}

int CheckChineseSensibleLength(unsigned int length)
{
    return Ask([length](DEC2DProperty const& p) { return p.chinese_sensible_code.fixed_length.Get().Admits(length); });
}

int GetDataMatrixEcc200Enable()
{
    return Ask([](DEC2DProperty const& p) { return p.data_matrix.read.Get(); });
}

int GetDataMatrixEcc000Enable()
{
    return Ask([](DEC2DProperty const& p) { return p.data_matrix.read_ecc000_140.Get(); });
}

int CheckDataMatrixLength(unsigned int length)
{
    return Ask([length](DEC2DProperty const& p) { return p.data_matrix.fixed_length.Get().Admits(length); });
}

int GetPDF417Enable()
{
    return Ask([](DEC2DProperty const& p) { return p.pdf417.read.Get(); });
}

int CheckPDF417Length(unsigned int length)
{
    return Ask([length](DEC2DProperty const& p) { return p.pdf417.fixed_length.Get().Admits(length); });
}

int GetMicroPDF417Enable()
{
    return Ask([](DEC2DProperty const& p) { return p.micro_pdf417.read.Get(); });
}

int CheckMicroPDF417Length(unsigned int length)
{
    return Ask([length](DEC2DProperty const& p) { return p.micro_pdf417.fixed_length.Get().Admits(length); });
}

int CheckAztecLength(unsigned int length)
{
    return Ask([length](DEC2DProperty const& p) { return p.aztec_code.fixed_length.Get().Admits(length); });
}

int CheckQRLength(unsigned int length)
{
    return Ask([length](DEC2DProperty const& p) { return p.qr_code.fixed_length.Get().Admits(length); });
}

int GetEnableBadRead()
{
    return Ask([](DEC2DProperty const& p) { return p.detail_of_decoder.output_bad_read.Get(); });
}

int GetIgnoreECIProtocol()
{
    return Ask([](DEC2DProperty const& p) { return p.detail_of_decoder.ignore_eci_protocol.Get(); });
}

namespace {

// Written by the engine's own setter only, on the decoder thread.
int checkLengthSetting = 0;

}  // namespace

int IsFixedLengthSetting() { return checkLengthSetting; }

void SetCheckLengthSettingFlag(int on) { checkLengthSetting = on != 0 ? 1 : 0; }
