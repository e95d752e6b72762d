#pragma once
// The parts of `scanner-sim decode`: the decoder alone, with the settings the board's
// flash holds, over image files.

#include <cstdio>
#include <string>
#include <vector>

namespace scanner_sim {

// One line per label: file, symbology number, AIM identifier, the data in hex and, with
// `time`, the milliseconds from the start of the image's decode to that label; or
// file and "-" when nothing was decoded, with `time` followed by the milliseconds of the
// whole decode of the frame (an unreadable file says why on `err` instead). With
// `record` a last column holds the label's symbol record, its four values apart by
// spaces, or "-" when it carries none.
// Every label of an image is listed once; with `first` only the first, where the
// search ends as in a scan. With `engineView` (an existing directory) the older
// matrix engine's view of each image is written there (sim/engine_view.h).
// 0 when every image gave a label (and every view was written), else 1.
int decodeImages(std::vector<std::string> const& files, bool time, std::FILE* out, std::FILE* err,
                 bool record = false, bool first = false, std::string const& engineView = {});

} // namespace scanner_sim
