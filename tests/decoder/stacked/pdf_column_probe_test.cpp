// The key under which the row reader keeps a column's row-indicator answer:
// a column met again a pixel or two off along the same lines is the same
// one; a column seen at another module size, way, side or polarity is not,
// even where its ends lie where the last one's did.
#include <gtest/gtest.h>

#include "decoder/stacked/pdf_row_reader.h"

namespace {

using DEC2DIvra::PDFRowReader;
using Probe = PDFRowReader::ColumnProbe;

Probe Base() { return Probe{{100.0f, 50.0f}, {104.0f, 250.0f}, 2.0f, 1.0f, 0.0f, true, false}; }

TEST(PdfColumnProbe, SameColumnWithinTheMovedReach)
{
    struct Case {
        char const* name;
        void (*change)(Probe&);
        bool same;
    };
    constexpr float step = PDFRowReader::kColumnMoved;
    Case const cases[] = {
        {"unchanged", [](Probe&) {}, true},
        {"ends a pixel off", [](Probe& p) { p.top[0] += 1.0f, p.bottom[1] -= 1.0f; }, true},
        {"top at the reach", [](Probe& p) { p.top[1] += step; }, true},
        {"top past the reach", [](Probe& p) { p.top[1] += step + 0.5f; }, false},
        {"bottom past the reach", [](Probe& p) { p.bottom[0] -= step + 0.5f; }, false},
        // A character (17 modules) a pixel wider: the probes reach as far.
        {"module a little wider", [](Probe& p) { p.module += 1.0f / 17.0f; }, true},
        {"module a little narrower", [](Probe& p) { p.module -= 1.0f / 17.0f; }, true},
        // The ends where they were, the modules half as wide again: the
        // probes lie over other modules and must be read again.
        {"module half as wide again", [](Probe& p) { p.module *= 1.5f; }, false},
        {"module a third narrower", [](Probe& p) { p.module *= 2.0f / 3.0f; }, false},
        {"other way", [](Probe& p) { p.ux = -p.ux; }, false},
        {"turned lines", [](Probe& p) { p.ux = 0.8f, p.uy = 0.6f; }, false},
        {"stop column", [](Probe& p) { p.start = false; }, false},
        {"other polarity", [](Probe& p) { p.inverted = true; }, false},
    };
    for (Case const& c : cases) {
        Probe asked = Base();
        c.change(asked);
        EXPECT_EQ(Base().SameAs(asked), c.same) << c.name;
        EXPECT_EQ(asked.SameAs(Base()), c.same) << c.name << " (asked first)";
    }
}

}  // namespace
