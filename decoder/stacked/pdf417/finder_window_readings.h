#pragma once

namespace DEC2DIvra {

// Which ways a window of the finder search is read, from the search's
// flags and the colour of the run at which the window begins (true light).
// With notFromSegment clear (a line laid along the reading direction) every
// window is read forward and only a run of an accepted polarity begins one;
// with it set a window is read the way that gives an accepted polarity, or
// both ways when both are accepted.
struct FinderWindowReadings {
    bool refused = false;
    bool both = false;           // forward, then backward
    bool firstReversed = false;  // the way of the one (or the first) reading

    static FinderWindowReadings Decide(bool notFromSegment, bool acceptNormal, bool acceptReversed, bool light)
    {
        FinderWindowReadings r;
        if (!notFromSegment) {
            r.refused = (light && !acceptReversed) || (!light && !acceptNormal);
            return r;
        }
        if (acceptNormal && acceptReversed) {
            r.both = true;
            return r;
        }
        if (!acceptNormal && !acceptReversed) {
            r.refused = true;
            return r;
        }
        // One polarity: a window that begins with a bar of that polarity is
        // read forward, one that begins with a space backward.
        r.firstReversed = acceptNormal ? light : !light;
        return r;
    }
};

}  // namespace DEC2DIvra
