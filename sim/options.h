#pragma once
// The scanner-sim command line.

#include <string>
#include <vector>

namespace scanner_sim {

enum class Mode { Scan, Decode, Command, Run };

struct Options {
    Mode mode = Mode::Run;
    std::string board = "./board";
    bool time = false;                  // decode: add the milliseconds column
    bool record = false;                // decode: add the symbol record column
    bool first = false;                 // decode: stop at the first label, as a scan does
    std::string engineView;             // decode: where the older matrix engine's view goes
    std::vector<std::string> arguments; // images, or command texts
};

enum class Parse { Ok, Help, Misuse };

// On misuse, problem says what was wrong.
Parse parseOptions(int argc, char const* const* argv, Options& options, std::string& problem);

char const* usageText();
char const* modeName(Mode mode);

} // namespace scanner_sim
