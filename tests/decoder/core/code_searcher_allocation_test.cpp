// The whole-image search and the region form allocate nothing: all their
// memory is part of the locator's object in the decoder handle.
#include <gtest/gtest.h>

#include <vector>

#include "allocation_counter.h"
#include "code_searcher_fixture.h"
#include "code_searcher_scenes.h"
#include "decoder/core/code_searcher_engine.h"

namespace searcher_test {
namespace {

using namespace DEC2DIvra;

TEST(SearcherAllocationTest, DecodingWholeFramesAllocatesNothing)
{
    SearcherHarness harness;
    ASSERT_TRUE(harness.IsReady());
    std::vector<support::Frame> frames;
    frames.push_back(searcher_scenes::MakeScene({.name = "", .module = 2.0}, 5).frame);
    frames.push_back(searcher_scenes::MakeScene({.name = "", .module = 1.5, .noise = 10, .clutter = true}, 9).frame);
    frames.push_back(searcher_scenes::MakeScene({.name = "", .symbology = BARCODE_EANX, .module = 2.0,
                                                 .twoSymbols = true},
                                                13)
                         .frame);
    frames.push_back(searcher_scenes::MakeEmptyFrame(3));
    frames.push_back(support::makeFrame());
    // Warm up once, so that nothing first-time is counted.
    harness.Read(frames[0], nullptr, 0);
    for (support::Frame const& frame : frames) {
        allocation_counter::Start();
        DEC2D_OnTriggerDown(&harness.Handle());
        DEC2D_Main(&harness.Handle(), frame.width, frame.height, frame.width, frame.pixels.data(), nullptr);
        EXPECT_EQ(allocation_counter::Stop(), 0u);
    }
}

TEST(SearcherAllocationTest, TheRegionFormAllocatesNothing)
{
    ivra_configuration::ConfigurationManager manager;
    DEC2DProperty const property(manager.Root());
    std::unique_ptr<CodeSearcherEngine> engine{new (std::nothrow) CodeSearcherEngine(property)};
    ASSERT_NE(engine, nullptr);
    support::RenderOptions o;
    o.moduleSize = 2.0;
    support::Rendering const r =
        support::render({.symbology = BARCODE_CODABLOCKF, .data = "ROWS OF A STACKED SYMBOL 0123456789"}, o);
    ASSERT_TRUE(r.symbol.ok);
    GrayImage const image(r.frame.width, r.frame.height, r.frame.width, r.frame.pixels.data());
    Region region;
    for (unsigned i = 0; i < 4; ++i) {
        region.corner[i] = Point{static_cast<int>(r.symbol.corners[i].x), static_cast<int>(r.symbol.corners[i].y)};
    }
    Region buffer[16];
    StackInterface<Region> located(buffer, 16);
    allocation_counter::Start();
    engine->Start(image, region, located);
    EXPECT_EQ(allocation_counter::Stop(), 0u);
    EXPECT_GT(located.GetCount(), 0u);
}

}  // namespace
}  // namespace searcher_test
