// The whole-image search and the region form allocate nothing: all their
// memory is part of the locator's object in the decoder handle.
#include <gtest/gtest.h>

#include <memory>
#include <new>
#include <vector>

#include "tests/decoder/core/allocation_counter.h"
#include "tests/decoder/core/code_searcher_fixture.h"
#include "tests/decoder/core/code_searcher_scenes.h"
#include "decoder/core/location/code_searcher_engine.h"
#include "decoder/core/property/dec2d_property.h"
#include "tests/support/symbol_renderer.h"

namespace searcher_test {
namespace {

using namespace DEC2DIvra;

unsigned labelsSeen = 0;

bool CountLabel(void*, tagDecodedLabel const*)
{
    ++labelsSeen;
    return true;
}

// Counted from the handle's creation with a property table (so every decoder
// is built) through its first frames, without a frame decoded before: an
// allocation in a decoder's constructor or on its first use is caught.
TEST(SearcherAllocationTest, FromTheHandlesCreationThroughItsFirstFramesOnlyTheHandleIsAllocated)
{
    ivra_configuration::ConfigurationManager manager;
    auto& root = manager.Root();
    for (auto* key : {&root.read.qr_code, &root.read.micro_qr, &root.read.aztec_code, &root.read.maxi_code,
                      &root.read.chinese_sensible_code, &root.read.data_matrix, &root.read.pdf417,
                      &root.read.micro_pdf417, &root.read.dot_code}) {
        key->Set(true);
    }
    auto const property = std::make_unique<DEC2DProperty>(root);
    std::vector<support::Frame> frames;
    frames.push_back(searcher_scenes::MakeScene({.name = "", .module = 2.0}, 5).frame);
    for (int symbology : {BARCODE_PDF417, BARCODE_QRCODE, BARCODE_DATAMATRIX, BARCODE_AZTEC, BARCODE_DOTCODE}) {
        support::Rendering const r = support::render({.symbology = symbology, .data = "FIRST FRAMES"},
                                                     {.moduleSize = 3.0});
        ASSERT_TRUE(r.symbol.ok);
        frames.push_back(r.frame);
    }
    frames.push_back(searcher_scenes::MakeScene({.name = "", .module = 1.5, .noise = 10, .clutter = true}, 9).frame);
    frames.push_back(searcher_scenes::MakeEmptyFrame(3));

    labelsSeen = 0;
    allocation_counter::Start();
    TwoDimensionDecoder* handle = new (std::nothrow) TwoDimensionDecoder(property.get());
    if (handle != nullptr) {
        DEC2D_ImplementFormatter(handle, nullptr, nullptr, nullptr, &CountLabel);
        for (support::Frame const& frame : frames) {
            DEC2D_OnTriggerDown(handle);
            DEC2D_Main(handle, frame.width, frame.height, frame.width, frame.pixels.data(), nullptr);
        }
    }
    unsigned long const allocations = allocation_counter::Stop();
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(allocations, 1u) << "the handle itself, nothing more";
    EXPECT_GE(labelsSeen, 1u) << "the linear symbol was read";
    DecoderSet const& set = handle->GetDecoderSet();
    EXPECT_TRUE(set.stackCode != nullptr && set.region[0] != nullptr && set.lPattern != nullptr && set.dot != nullptr);
    delete handle;
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
