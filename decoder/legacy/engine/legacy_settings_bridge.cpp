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

int GetIgnoreECIProtocol()
{
    return Ask([](DEC2DProperty const& p) { return p.detail_of_decoder.ignore_eci_protocol.Get(); });
}

int IsFixedLengthSetting() { return 0; }
