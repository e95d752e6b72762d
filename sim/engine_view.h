#pragma once
// `scanner-sim decode --engine-view DIR`: what the older matrix engine (MaxiCode,
// Han Xin) did on each image, written beside the decode: DIR/N-NAME.pgm, the frame at
// half brightness with the engine's marks (scan lines, run edges, central regions,
// symbols read), and DIR/N-NAME.log, one line per scan line and finder search with
// its time.

#include <cstdio>
#include <memory>
#include <string>

namespace scanner_sim {

class EngineView {
public:
    // DIR must be an existing directory.
    EngineView(std::string directory, int width, int height);
    ~EngineView();
    EngineView(EngineView const&) = delete;
    EngineView& operator=(EngineView const&) = delete;

    // Attaches the view to the engine for the decode of image `index` (from 1).
    void begin(int index, std::string const& file);
    // Detaches it and writes the two files; false, with the reason on err, when a
    // file could not be written.
    bool end(std::FILE* err);

private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace scanner_sim
