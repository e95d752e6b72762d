// DotCode read from rendered frames through the decoder handle, as the
// symbol locator hands the dots over.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/decoder/matrix/dot_code_fixture.h"

namespace {

using dot_code_test::DotCodeHarness;
using dot_code_test::DotCodeInput;

TEST(DotCodeReadScan, DISABLED_Survey)
{
    DotCodeHarness harness;
    ASSERT_TRUE(harness.IsReady());
    char const* text = std::getenv("DOTTEXT") ? std::getenv("DOTTEXT") : "DotCode 1234";
    for (double size : {2.5, 3.5, 5.0}) {
        for (int angle = 0; angle < 360; angle += 15) {
            if (std::getenv("DOTANGLE") && (std::atoi(std::getenv("DOTANGLE")) != angle || std::atof(std::getenv("DOTSIZE")) != size)) {
                continue;
            }
            support::RenderOptions o;
            o.moduleSize = size;
            o.angle = angle;
            support::Rendering const r = support::render(DotCodeInput(text), o);
            auto const& labels = harness.Read(r.frame);
            bool ok = !labels.empty() && labels[0].data == text;
            if (!ok) {
                std::printf("FAIL size %.1f angle %d (%dx%d) %s\n", size, angle, r.symbol.columns, r.symbol.rows,
                            labels.empty() ? "-" : labels[0].data.c_str());
            }
        }
    }
}

}  // namespace
