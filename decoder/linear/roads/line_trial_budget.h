#pragma once

namespace DEC2DIvra {

// The trial decodes the linear decoders may run over one image: each offer of
// a run to one symbology decoder spends one. The bound is counted in trials,
// not in time, so that a frame reads the same on every run and every board.
// The locator hands its regions best first, so the bound is spent from the
// most bar-like region down; one region may take no more than its share, so
// that a region of texture that reads nothing leaves the next region trials
// of its own. Outside an image (a caller that never opens one) nothing is
// bounded.
class LineTrialBudget {
public:
    static constexpr unsigned kUnbounded = 0xFFFFFFFFu;

    // A new image: `bound` trials from now on, at most `share` of them in
    // one region.
    void Open(unsigned bound, unsigned share = kUnbounded)
    {
        bound_ = bound;
        share_ = share;
        spent_ = 0;
        regionLimit_ = kUnbounded;
    }
    // The image is done: later trials are not bounded.
    void Close()
    {
        bound_ = kUnbounded;
        regionLimit_ = kUnbounded;
    }
    // The next region of the image: its share counts from here.
    void OpenRegion()
    {
        regionLimit_ = share_ == kUnbounded || spent_ > kUnbounded - 1 - share_ ? kUnbounded : spent_ + share_;
    }

    // Takes one trial; false (and nothing taken) once the image's bound or
    // the region's share is reached.
    bool Spend()
    {
        if (IsSpent()) {
            return false;
        }
        spent_ = spent_ != kUnbounded ? spent_ + 1 : spent_;
        return true;
    }
    bool IsSpent() const
    {
        return bound_ != kUnbounded && (spent_ >= bound_ || (regionLimit_ != kUnbounded && spent_ >= regionLimit_));
    }
    unsigned GetSpent() const { return spent_; }

private:
    unsigned bound_ = kUnbounded;
    unsigned share_ = kUnbounded;
    unsigned spent_ = 0;
    unsigned regionLimit_ = kUnbounded;
};

}  // namespace DEC2DIvra
