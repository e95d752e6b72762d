#include "app/read_cycle/decode_options.h"

#include "config/configuration.h"

namespace {

namespace cfg = ivra_configuration;

constexpr unsigned short kOptionFlags = 256; // first byte 0, second byte 1

} // namespace

DEC2DIvra::tagDecodeOption CalcDecodeOptions(DEC2DIvra::tagDecodeOption const& previous)
{
    auto const& detail = cfg::Root().detail_of_decoder;
    DEC2DIvra::tagDecodeOption options = previous;
    options.flags = kOptionFlags;
    options.centralLeft = 220;
    options.centralTop = 215;
    options.centralRight = 420;
    options.centralBottom = 265;
    switch (static_cast<unsigned>(detail.code_search_mode.Value())) {
    case 0: // MOVING
        options.readMode = DEC2DIvra::kReadModeMoving;
        break;
    case 1: // HANDY
    case 3: // SINGLE_LINE
        options.readMode = DEC2DIvra::kReadModeHandy;
        break;
    case 2: // FIX_MOUNT
        options.readMode = DEC2DIvra::kReadModeFixMount;
        break;
    default:
        break;
    }
    options.searchStep = detail.search_step.Value();
    options.secondLeft = 0;
    options.secondTop = 479;
    options.secondRight = 0;
    options.secondBottom = 0;
    options.flagBytes[0] = 0;
    options.flagBytes[1] = 1;
    options.flagBytes[2] = 0;
    options.flagBytes[3] = 0;
    options.flagBytes[4] = detail.filters.black_bold.enable.Value() ? 1 : 0;
    options.whiteBoldEnable = detail.filters.white_bold.enable.Value() ? 1u : 0u;
    options.movingAverageEnable = detail.filters.moving_average.enable.Value() ? 1u : 0u;
    return options;
}
