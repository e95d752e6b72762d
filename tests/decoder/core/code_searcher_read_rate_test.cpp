// The read rate of the whole-image search (DEC2D_Main, the locator and the
// linear decoders behind it) on zint symbols at every fifth degree round the
// turn, anywhere in the frame, by condition. Each condition must reach its
// floor and no frame may give a label that is not one of its symbols.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <ostream>
#include <string>

#include "tests/decoder/core/code_searcher_fixture.h"
#include "tests/decoder/core/code_searcher_scenes.h"

namespace searcher_test {
namespace {

using searcher_scenes::Condition;

struct Floor {
    int symbology;
    char const* name;
    unsigned percent;
};

void PrintTo(Floor const& floor, std::ostream* out) { *out << floor.name << ", at least " << floor.percent << "%"; }

// Clean symbols of 2 pixels per module and more must read at every angle;
// the rest keep a margin below what they reach.
constexpr Floor kFloors[] = {
    {BARCODE_CODE128, "1.2 px", 90},
    {BARCODE_CODE128, "1.5 px", 95},
    {BARCODE_CODE128, "2 px", 95},
    {BARCODE_CODE128, "3 px", 95},
    {BARCODE_CODE128, "4 px", 95},
    {BARCODE_CODE128, "6 px", 95},
    {BARCODE_CODE128, "2 px, blur 0.8", 95},
    {BARCODE_CODE128, "3 px, blur 1.2", 90},
    {BARCODE_CODE128, "2 px, noise 20", 95},
    {BARCODE_CODE128, "3 px, noise 40", 90},
    {BARCODE_CODE128, "2 px, contrast 200", 95},
    {BARCODE_CODE128, "3 px, contrast 80", 90},
    {BARCODE_CODE128, "2 px, uneven lighting 0.8", 95},
    {BARCODE_CODE128, "2 px, light on dark", 95},
    {BARCODE_CODE128, "2 px, clutter", 95},
    {BARCODE_CODE128, "2 px, two symbols", 95},
    {BARCODE_CODE128, "2 px, blur 0.8, noise 20, contrast 200", 90},
    {BARCODE_CODE128, "1.5 px, light on dark, clutter, noise 10", 90},
    {BARCODE_EANX, "1.2 px", 90},
    {BARCODE_EANX, "1.5 px", 95},
    {BARCODE_EANX, "2 px", 95},
    {BARCODE_EANX, "3 px", 95},
    {BARCODE_EANX, "4 px", 95},
    {BARCODE_EANX, "2 px, blur 0.8", 95},
    {BARCODE_EANX, "3 px, blur 1.2", 90},
    {BARCODE_EANX, "2 px, noise 20", 95},
    {BARCODE_EANX, "3 px, noise 40", 90},
    {BARCODE_EANX, "2 px, contrast 200", 95},
    {BARCODE_EANX, "3 px, contrast 80", 90},
    {BARCODE_EANX, "2 px, uneven lighting 0.8", 95},
    {BARCODE_EANX, "2 px, light on dark", 95},
    {BARCODE_EANX, "2 px, clutter", 95},
    {BARCODE_EANX, "2 px, two symbols", 95},
    {BARCODE_EANX, "2 px, blur 0.8, noise 20, contrast 200", 90},
    {BARCODE_EANX, "1.5 px, light on dark, clutter, noise 10", 90},
};

class ReadRateTest : public ::testing::TestWithParam<Floor> {
};

TEST_P(ReadRateTest, ReachesItsFloorWithoutMisreads)
{
    Floor const floor = GetParam();
    Condition condition{};
    bool found = false;
    for (Condition const& c : searcher_scenes::MakeConditions(floor.symbology)) {
        if (std::string(c.name) == floor.name) {
            condition = c;
            found = true;
        }
    }
    ASSERT_TRUE(found) << floor.name;
    SearcherHarness harness;
    ASSERT_TRUE(harness.IsReady());
    unsigned frames = 0;
    unsigned reads = 0;
    for (unsigned i = 0; i < searcher_scenes::kAngles; ++i) {
        searcher_scenes::Scene const scene = searcher_scenes::MakeScene(condition, i);
        if (!scene.ok) {
            continue;
        }
        ++frames;
        // The callback takes a label once every symbol of the frame was seen.
        auto const& labels = harness.Read(scene.frame, nullptr, static_cast<unsigned>(scene.expected.size()));
        bool all = true;
        for (std::string const& expected : scene.expected) {
            all = all && std::find(labels.begin(), labels.end(), expected) != labels.end();
        }
        reads += all ? 1 : 0;
        for (std::string const& label : labels) {
            EXPECT_NE(std::find(scene.expected.begin(), scene.expected.end(), label), scene.expected.end())
                << floor.name << " at " << scene.angle << " degrees: misread " << label;
        }
        // Each symbol gives its label once.
        for (std::string const& expected : scene.expected) {
            EXPECT_LE(std::count(labels.begin(), labels.end(), expected), 1) << floor.name << " " << expected;
        }
    }
    char const* const symbology = floor.symbology == BARCODE_EANX ? "EAN-13" : "Code 128";
    std::printf("%-9s %-42s %3u / %3u\n", symbology, floor.name, reads, frames);
    ASSERT_GT(frames, 0u);
    EXPECT_GE(reads * 100, floor.percent * frames) << symbology << " " << floor.name;
}

std::string Name(::testing::TestParamInfo<Floor> const& info)
{
    std::string name = info.param.symbology == BARCODE_EANX ? "Ean13_" : "Code128_";
    for (char const* p = info.param.name; *p != 0; ++p) {
        bool const alnum = (*p >= '0' && *p <= '9') || (*p >= 'a' && *p <= 'z') || (*p >= 'A' && *p <= 'Z');
        name += alnum ? *p : '_';
    }
    return name;
}

INSTANTIATE_TEST_SUITE_P(Conditions, ReadRateTest, ::testing::ValuesIn(kFloors), Name);

TEST(ReadRateTest, EveryMeasuredConditionHasAFloor)
{
    for (int symbology : {BARCODE_CODE128, BARCODE_EANX}) {
        for (Condition const& c : searcher_scenes::MakeConditions(symbology)) {
            bool const listed = std::any_of(std::begin(kFloors), std::end(kFloors), [&](Floor const& f) {
                return f.symbology == symbology && std::string(f.name) == c.name;
            });
            EXPECT_TRUE(listed) << c.name;
        }
    }
}

}  // namespace
}  // namespace searcher_test
