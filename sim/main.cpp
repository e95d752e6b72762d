// scanner-sim: the firmware on the simulated board.
#include <cstdio>
#include <cstring>
#include <string>

namespace {

int usage()
{
    std::fprintf(stderr,
                 "usage: scanner-sim scan    [--board DIR] IMAGE...\n"
                 "       scanner-sim decode  [--board DIR] [--time] IMAGE...\n"
                 "       scanner-sim command [--board DIR] TEXT...\n"
                 "       scanner-sim run     [--board DIR]\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        return usage();
    }
    std::string const mode = argv[1];
    if (mode != "scan" && mode != "decode" && mode != "command" && mode != "run") {
        return usage();
    }
    std::fprintf(stderr, "scanner-sim %s: this mode is not available in this build\n", mode.c_str());
    return 1;
}
