// The common finder search on rendered symbols: a MaxiCode bull's-eye is
// handed to the MaxiCode check with its centre; upright bar codes are passed
// over before any check.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "config/common_property_reference.h"
#include "config/key_tree.h"
#include "decoder/core/dec2d_entry.h"
#include "decoder/core/property/dec2d_property.h"
#include "decoder/legacy/engine/legacy_common_finder.h"
#include "decoder/legacy/engine/legacy_driver.h"
#include "decoder/legacy/engine/legacy_geometry.h"
#include "decoder/legacy/engine/legacy_result.h"
#include "decoder/legacy/engine/legacy_scan_line.h"
#include "tests/support/symbol_renderer.h"

namespace {

void Attach(support::Frame const& frame)
{
    decode_image_info = DECODE_IMAGE_INFO_st{};
    decode_image_info.pixels = decode_image_info.samplePixels = frame.pixels.data();
    decode_image_info.width = decode_image_info.sampleWidth = frame.width;
    decode_image_info.height = decode_image_info.sampleHeight = frame.height;
    decode_image_info.currentMaxValue = 1000;
    COM_set_screen_size(frame.width, frame.height);
    current_region_id = 3;
    calc_decode_regions();
    reset_MULTI_runlength_param();
}

support::Rendering RenderMaxiCode(char const* data, double module, double angle)
{
    support::SymbolInput input;
    input.symbology = BARCODE_MAXICODE;
    input.data = data;
    support::RenderOptions options;
    options.moduleSize = module;
    options.angle = angle;
    return support::render(input, options);
}

// The bull's-eye sits at the middle of the symbol.
support::Point BullsEyeCentre(support::Rendering const& r)
{
    return r.symbol.toFrame({r.symbol.widthModules / 2.0, r.symbol.heightModules / 2.0});
}

struct SearchOutcome {
    int answer = kLegacyNothing;  // the first answer other than 129
    int candidates = 0;            // handed to a symbology's check
    double nearest = 1e9;          // distance of the nearest candidate to the centre
    COM_FINDER_CANDIDATE_st best{};
};

// Horizontal segments as the code searcher lays them across a bull's-eye:
// through the centre and one module above and below.
SearchOutcome SearchRows(support::Frame const& frame, int cx, int cy, int module, int mode)
{
    Attach(frame);
    COM_clear_candidates();
    DECODE_EXEC_STATUS_st enables{};
    enables.flag[kLegacyFlagMaxi] = 1;
    enables.flag[kLegacyFlagHanXin] = 1;
    SearchOutcome out;
    int const half = module * 9;
    for (int dy : {0, -module, module}) {
        int const y = cy + dy;
        POINT_st start{cx - half < 0 ? 0 : cx - half, y};
        POINT_st end{cx + half >= frame.width ? frame.width - 1 : cx + half, y};
        int m = mode;
        int const before = COM_get_candidate_count();
        int const r = COM_search_finder(&enables, &start, &end, &m);
        for (int i = before; i < COM_get_candidate_count(); ++i) {
            COM_FINDER_CANDIDATE_st const* c = COM_get_candidate(i);
            if (c != nullptr && std::hypot(c->centre.x - cx, c->centre.y - cy) < out.nearest) {
                out.nearest = std::hypot(c->centre.x - cx, c->centre.y - cy);
                out.best = *c;
            }
        }
        if (r != kLegacyNothing && out.answer == kLegacyNothing) {
            out.answer = r;
        }
        EXPECT_EQ(m, mode) << "the mode comes back as it was";
    }
    out.candidates = COM_get_candidate_count();
    return out;
}

TEST(LegacyCommonFinderTest, MaxiCodeBullsEyesReachTheMaxiCodeCheckAtTheirCentre)
{
    struct Case {
        double module;
        double angle;
    } const cases[] = {{3.0, 0}, {4.0, 0}, {4.0, 30}, {5.0, 75}, {6.0, 10}};
    // Han Xin reading off, as the engine starts: its finder search would
    // otherwise claim sightings about the bull's-eye first.
    struct HanXinOff {
        bool const kept = Key().Value();
        HanXinOff() { Take(false); }
        ~HanXinOff() { Take(kept); }
        // Set, and taken as a frame would take it.
        static void Take(bool on)
        {
            Key().Set(on);
            DEC2DIvra::DEC2DProperty const* p = DEC2D_GetDec2DProperty(DEC2D_GetSingletonDecoderHandle());
            if (p != nullptr) {
                p->TakeSettings();
            }
        }
        static ivra_configuration::ValueHandle<bool> const& Key()
        {
            return ivra_configuration::CommonPropertyReference::RootHandle().read.chinese_sensible_code;
        }
    } const hanXinOff;
    for (Case const& c : cases) {
        auto const r = RenderMaxiCode("LEGACY FINDER 0123456789", c.module, c.angle);
        ASSERT_TRUE(r.symbol.ok) << r.symbol.error;
        support::Point const centre = BullsEyeCentre(r);
        int const module = static_cast<int>(std::lround(c.module));
        for (int mode : {1, 2}) {
            SearchOutcome const out = SearchRows(r.frame, static_cast<int>(centre.x), static_cast<int>(centre.y),
                                                 module, mode);
            // The MaxiCode reader's own check may refuse; the search must have
            // offered it the bull's-eye.
            ASSERT_GT(out.candidates, 0) << "module " << c.module << " angle " << c.angle << " mode " << mode;
            COM_FINDER_CANDIDATE_st const& candidate = out.best;
            EXPECT_EQ(candidate.symbology, kLegacyMaxiCode);
            EXPECT_LT(out.nearest, 1.5 * c.module) << c.module << " " << c.angle << " at " << candidate.centre.x
                                                    << "," << candidate.centre.y;
            EXPECT_TRUE(candidate.count >= 3 && candidate.count <= 11 && candidate.count % 2 == 1);
            EXPECT_TRUE(out.answer == kLegacyNothing || out.answer == kLegacyMaxiCode) << out.answer;
        }
    }
}

TEST(LegacyCommonFinderTest, UprightBarCodesNeverReachACheck)
{
    struct Case {
        int symbology;
        char const* data;
        double module;
        double angle;
    } const cases[] = {
        // The three lines cross the same bars alike: screened out.
        {BARCODE_CODE128, "LEGACY-0123456789", 2.0, 0},
        {BARCODE_CODE128, "ABCDEFabcdef", 3.0, 0},
        {BARCODE_EANX, "501234567890", 2.5, 0},
        {BARCODE_CODE39, "FINDER39", 2.0, 0},
    };
    for (Case const& c : cases) {
        support::SymbolInput input;
        input.symbology = c.symbology;
        input.data = c.data;
        support::RenderOptions options;
        options.moduleSize = c.module;
        options.angle = c.angle;
        auto const r = support::render(input, options);
        ASSERT_TRUE(r.symbol.ok) << r.symbol.error;
        int candidates = 0;
        for (int y = 20; y < r.frame.height - 20; y += 6) {
            SearchOutcome const out = SearchRows(r.frame, r.frame.width / 2, y, 4, 2);
            EXPECT_EQ(out.answer, kLegacyNothing) << c.data << " row " << y;
            candidates += out.candidates;
        }
        EXPECT_EQ(candidates, 0) << c.data;
    }
}

TEST(LegacyCommonFinderTest, SegmentsWhoseCopiesLeaveTheImageAreRefused)
{
    support::Frame const frame = support::makeFrame(64, 48, 900);
    Attach(frame);
    DECODE_EXEC_STATUS_st enables{};
    enables.flag[kLegacyFlagMaxi] = 1;
    struct Case {
        int y;
        int answer;
    } const cases[] = {{39, kLegacyNothing}, {40, kLegacyNothing}, {47, kLegacyNothing}};
    for (Case const& c : cases) {
        POINT_st start{0, c.y};
        POINT_st end{63, c.y};
        int mode = 2;
        EXPECT_EQ(COM_search_finder(&enables, &start, &end, &mode), c.answer);
    }
    // Nothing enabled: no search at all.
    DECODE_EXEC_STATUS_st none{};
    POINT_st start{0, 10};
    POINT_st end{63, 10};
    int mode = 2;
    EXPECT_EQ(COM_search_finder(&none, &start, &end, &mode), kLegacyNothing);
}

}  // namespace

namespace {

// Through the process's decoder handle as the application runs it: the
// symbol locator sights the bull's-eye and hands the engine its segments,
// and the engine's finder search offers the MaxiCode check the bull's-eye.
TEST(LegacyCommonFinderTest, TheHandlesSegmentsBringTheBullsEyeToTheMaxiCodeCheck)
{
    static DEC2DIvra::DEC2DProperty property;
    DEC2D_SetDec2DProperty(&property);
    DEC2D_HANDLE const handle = DEC2D_GetSingletonDecoderHandle();
    ASSERT_NE(handle, nullptr);
    auto& root = ivra_configuration::CommonPropertyReference::RootHandle();
    root.read.maxi_code.Set(true);
    static std::vector<std::string> labels;
    DEC2D_ImplementFormatter(handle, nullptr, nullptr, nullptr, [](void*, tagDecodedLabel const* label) {
        labels.emplace_back(label->data, label->length);
        return true;
    });
    struct Case {
        double module;
        double angle;
    } const cases[] = {{4.0, 0}, {5.0, 40}};
    char const* const data = "THROUGH THE HANDLE 42";
    for (Case const& c : cases) {
        auto const r = RenderMaxiCode(data, c.module, c.angle);
        ASSERT_TRUE(r.symbol.ok) << r.symbol.error;
        COM_clear_candidates();
        labels.clear();
        DEC2D_OnTriggerDown(handle);
        DEC2D_Main(handle, r.frame.width, r.frame.height, r.frame.width, r.frame.pixels.data(), nullptr);
        // The check stops the search at the first candidate it accepts: the
        // read itself shows the bull's-eye reached it.
        EXPECT_FALSE(labels.empty()) << c.module << " " << c.angle;
        for (std::string const& label : labels) {
            EXPECT_EQ(label, data);
        }
    }
    root.read.maxi_code.Set(false);
}

}  // namespace
