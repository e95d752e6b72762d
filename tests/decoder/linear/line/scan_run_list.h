#pragma once
// Hand-written run lists for the window tests: each run is a colour, its
// extreme grey and its width; runs follow each other from coordinate 0.

#include <initializer_list>
#include <vector>

#include "decoder/core/containers/array_iterator.h"
#include "decoder/linear/line/scan_element.h"

namespace scan_test {

struct Run {
    char colour;  // 'L' light, 'D' dark
    int grey;
    int width;
};

struct RunList {
    std::vector<DEC2DIvra::ScanElement> runs;

    RunList(std::initializer_list<Run> list) : RunList(std::vector<Run>(list)) {}
    explicit RunList(std::vector<Run> const& list)
    {
        int at = 0;
        for (Run const& r : list) {
            DEC2DIvra::ScanElement e;
            e.colour = r.colour == 'L' ? DEC2DIvra::kLightRun : DEC2DIvra::kDarkRun;
            e.grey = r.grey;
            e.begin = at;
            e.end = at + r.width;
            e.samples = r.width;
            runs.push_back(e);
            at += r.width;
        }
    }
    explicit RunList(std::vector<DEC2DIvra::ScanElement> r) : runs(std::move(r)) {}
    RunList() = default;

    // Left-to-right walk starting at run i.
    DEC2DIvra::ArrayIterator<DEC2DIvra::ScanElement const> At(int i) const
    {
        return DEC2DIvra::ArrayIterator<DEC2DIvra::ScanElement const>(runs.data(), static_cast<unsigned>(runs.size()), i, 1);
    }
    // Right-to-left walk starting at run i.
    DEC2DIvra::ArrayIterator<DEC2DIvra::ScanElement const> ReverceAt(int i) const
    {
        return DEC2DIvra::ArrayIterator<DEC2DIvra::ScanElement const>(runs.data(), static_cast<unsigned>(runs.size()), i, -1);
    }
    int Length() const { return runs.empty() ? 0 : runs.back().end; }

    // The same line seen from its other end: coordinates x become L - x.
    RunList Mirror() const
    {
        std::vector<DEC2DIvra::ScanElement> m;
        int const length = Length();
        for (auto it = runs.rbegin(); it != runs.rend(); ++it) {
            DEC2DIvra::ScanElement e = *it;
            e.begin = length - it->end;
            e.end = length - it->begin;
            m.push_back(e);
        }
        return RunList(m);
    }
};

}  // namespace scan_test
