#include "sim/options.h"

#include <string_view>

namespace scanner_sim {
namespace {

struct ModeName {
    std::string_view name;
    Mode mode;
};

constexpr ModeName kModes[] = {
    {"scan", Mode::Scan},
    {"decode", Mode::Decode},
    {"command", Mode::Command},
    {"run", Mode::Run},
};

bool findMode(std::string_view name, Mode& mode)
{
    for (auto const& entry : kModes) {
        if (entry.name == name) {
            mode = entry.mode;
            return true;
        }
    }
    return false;
}

} // namespace

char const* usageText()
{
    return "usage: scanner-sim scan    [--board DIR] IMAGE...\n"
           "       scanner-sim decode  [--board DIR] [--time] [--record] [--first] [--engine-view DIR] IMAGE...\n"
           "       scanner-sim command [--board DIR] TEXT...\n"
           "       scanner-sim run     [--board DIR]\n"
           "The board directory (default ./board) holds the flash images; a new one starts erased.\n";
}

char const* modeName(Mode mode)
{
    for (auto const& entry : kModes) {
        if (entry.mode == mode) {
            return entry.name.data();
        }
    }
    return "?";
}

Parse parseOptions(int argc, char const* const* argv, Options& options, std::string& problem)
{
    options = Options{};
    if (argc < 2) {
        problem = "no mode given";
        return Parse::Misuse;
    }
    std::string_view const first = argv[1];
    if (first == "-h" || first == "--help") {
        return Parse::Help;
    }
    if (!findMode(first, options.mode)) {
        problem = "unknown mode '" + std::string(first) + "'";
        return Parse::Misuse;
    }
    bool boardGiven = false;
    bool optionsEnded = false;
    for (int i = 2; i < argc; ++i) {
        std::string_view const arg = argv[i];
        if (optionsEnded || !arg.starts_with("-") || arg == "-") {
            options.arguments.emplace_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "-h" || arg == "--help") {
            return Parse::Help;
        } else if (arg == "--board" || arg.starts_with("--board=")) {
            std::string_view value;
            if (arg == "--board") {
                if (i + 1 >= argc) {
                    problem = "--board needs a directory";
                    return Parse::Misuse;
                }
                value = argv[++i];
            } else {
                value = arg.substr(8);
            }
            if (value.empty()) {
                problem = "--board needs a directory";
                return Parse::Misuse;
            }
            if (boardGiven) {
                problem = "--board given twice";
                return Parse::Misuse;
            }
            boardGiven = true;
            options.board = value;
        } else if (arg == "--time" && options.mode == Mode::Decode) {
            options.time = true;
        } else if (arg == "--record" && options.mode == Mode::Decode) {
            options.record = true;
        } else if (arg == "--first" && options.mode == Mode::Decode) {
            options.first = true;
        } else if (arg == "--engine-view" && options.mode == Mode::Decode) {
            if (i + 1 >= argc || std::string_view(argv[i + 1]).empty()) {
                problem = "--engine-view needs a directory";
                return Parse::Misuse;
            }
            options.engineView = argv[++i];
        } else {
            problem = "unknown option '" + std::string(arg) + "' for " + modeName(options.mode);
            return Parse::Misuse;
        }
    }
    switch (options.mode) {
    case Mode::Scan:
    case Mode::Decode:
        if (options.arguments.empty()) {
            problem = std::string(modeName(options.mode)) + " needs at least one image";
            return Parse::Misuse;
        }
        break;
    case Mode::Command:
        if (options.arguments.empty()) {
            problem = "command needs at least one command text";
            return Parse::Misuse;
        }
        break;
    case Mode::Run:
        if (!options.arguments.empty()) {
            problem = "run takes no arguments";
            return Parse::Misuse;
        }
        break;
    }
    return Parse::Ok;
}

} // namespace scanner_sim
