#include "decoder/core/tag_decode_option.h"

namespace DEC2DIvra {

namespace {

int Scale(int value, int size, int reference)
{
    return static_cast<int>(static_cast<long long>(value) * size / reference);
}

}  // namespace

tagDecodeOption MakeDefaultDecodeOption(int width, int height)
{
    tagDecodeOption option{};
    option.flags = 256;
    option.centralLeft = Scale(220, width, 640);
    option.centralTop = Scale(215, height, 480);
    option.centralRight = Scale(420, width, 640);
    option.centralBottom = Scale(265, height, 480);
    option.readMode = kReadModeHandy;
    option.searchStep = 0;
    option.secondLeft = 0;
    option.secondTop = height > 0 ? height - 1 : 0;
    option.secondRight = 0;
    option.secondBottom = 0;
    option.flagBytes[1] = 1;
    return option;
}

}  // namespace DEC2DIvra
