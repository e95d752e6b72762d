#pragma once
// The product road for read-rate benchmarks: `scanner-sim` itself, run as a user runs it,
// on a board of its own that `set` commands configured and saved.

#include <string>
#include <vector>

namespace bench_support {

// scanner-sim, built beside the folder of the benchmark binaries.
std::string ScannerSimPath();

class ProductRoad {
public:
    // A new board; the commands are sent with `scanner-sim command`, then "save".
    explicit ProductRoad(std::vector<std::string> const& setCommands);
    ~ProductRoad();
    ProductRoad(ProductRoad const&) = delete;
    ProductRoad& operator=(ProductRoad const&) = delete;

    // False when the board could not be made or a command was refused; why() says which.
    bool ready() const { return ready_; }
    std::string const& why() const { return why_; }
    std::string const& board() const { return board_; }

    struct Read {
        std::vector<std::string> labels; // the data bytes of every label, once each
        double ms = -1;                  // until the first label, or the whole decode; -1 unread
    };
    // `scanner-sim decode --time` over the files, `repeats` times: one Read per
    // file, in their order, its labels from the first pass that reported it and its time the
    // least of the passes' (the outside readers are timed as the best of a few
    // reads too, so that neither side's figure carries the other's noise).
    std::vector<Read> Decode(std::vector<std::string> const& files, unsigned repeats = 1) const;

private:
    std::string board_;
    std::string why_;
    bool ready_ = false;
};

} // namespace bench_support
