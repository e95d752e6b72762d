#pragma once

namespace DEC2DIvra {

// One run of one colour on a scan line. The grey is the run's extreme sample:
// the minimum of a dark run, the maximum of a light run. begin and end are
// sub-sample edge positions in line coordinates; a run ends where the next
// one begins.
struct ScanElement {
    unsigned char colour = 0;  // 0 dark, 1 light
    int grey = 0;
    int begin = 0;
    int end = 0;
    int samples = 0;
};

inline constexpr unsigned char kDarkRun = 0;
inline constexpr unsigned char kLightRun = 1;

}  // namespace DEC2DIvra
