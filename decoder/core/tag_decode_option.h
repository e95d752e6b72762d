#pragma once

namespace DEC2DIvra {

// The per-call decode options, in the order the application fills them.
struct tagDecodeOption {
    unsigned short flags;  // first byte 0, second byte 1 as the application sets it
    int centralLeft;       // central-reading window
    int centralTop;
    int centralRight;
    int centralBottom;
    unsigned readMode;  // kReadModeMoving, kReadModeHandy or kReadModeFixMount
    unsigned char searchStep;
    int secondLeft;  // second rectangle
    int secondTop;
    int secondRight;
    int secondBottom;
    unsigned char flagBytes[5];  // the last one: the dark-module thickening enable
    unsigned whiteBoldEnable;
    unsigned movingAverageEnable;
};

constexpr unsigned kReadModeMoving = 0;
constexpr unsigned kReadModeHandy = 1;
constexpr unsigned kReadModeFixMount = 2;

// The read mode in which the decoder reads one fixed band through the image
// centre with the linear decoder instead of searching the whole image: a
// fixed-mount scanner sees the code pass through the same place.
constexpr unsigned kFixedBandReadMode = kReadModeFixMount;

// The options the application uses for a 640 x 480 frame, with the windows
// scaled to the given image: a 200 x 50 central window around the centre,
// read mode handy, no pre-filters.
tagDecodeOption MakeDefaultDecodeOption(int width, int height);

}  // namespace DEC2DIvra
