// scanner-sim: the firmware on the simulated board.
#include "platform/sim/board.h"
#include "sim/modes.h"
#include "sim/options.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

int dispatch(scanner_sim::Options const& options)
{
    using scanner_sim::Mode;
    switch (options.mode) {
    case Mode::Scan:
        return scanner_sim::scanMode(options);
    case Mode::Decode:
        return scanner_sim::decodeMode(options);
    case Mode::Command:
        return scanner_sim::commandMode(options);
    case Mode::Run:
        return scanner_sim::runMode(options);
    }
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    scanner_sim::Options options;
    std::string problem;
    switch (scanner_sim::parseOptions(argc, argv, options, problem)) {
    case scanner_sim::Parse::Help:
        std::fputs(scanner_sim::usageText(), stdout);
        return 0;
    case scanner_sim::Parse::Misuse:
        std::fprintf(stderr, "scanner-sim: %s\n%s", problem.c_str(), scanner_sim::usageText());
        return 2;
    case scanner_sim::Parse::Ok:
        break;
    }
    if (!plat::sim::board().setBoardDirectory(options.board)) {
        std::fprintf(stderr, "scanner-sim: cannot use board directory %s: %s\n", options.board.c_str(),
                     std::strerror(errno));
        return 1;
    }
    return dispatch(options);
}
