// The engine's line road as the decoder handle wires it (OnNewImage, then
// line segments across the frame): real MaxiCode and Han Xin symbols read,
// with the engine's view attached, which must then show the lines, run edges
// and outline of what was read; the full-frame scan; the guards of the view's
// fixed buffers.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "config/common_property_reference.h"
#include "config/key_tree.h"
#include "decoder/core/dec2d_entry.h"
#include "decoder/core/decoded_label.h"
#include "decoder/core/geometry/line_segment.h"
#include "decoder/core/gray_image.h"
#include "decoder/core/property/dec2d_property.h"
#include "decoder/legacy/engine/legacy_debug_view.h"
#include "decoder/legacy/engine/legacy_driver.h"
#include "decoder/legacy/engine/legacy_engine_gray_image.h"
#include "decoder/legacy/engine/legacy_full_frame.h"
#include "decoder/legacy/engine/legacy_geometry.h"
#include "decoder/legacy/engine/legacy_result.h"
#include "decoder/legacy/engine/legacy_scan_line.h"
#include "decoder/legacy/engine/old_matrix_decoder.h"
#include "tests/support/symbol_renderer.h"

namespace {

using DEC2DIvra::OldMatrixDecoder;

void UseSettings(bool maxi, bool hanXin)
{
    static DEC2DIvra::DEC2DProperty property;
    DEC2D_SetDec2DProperty(&property);
    auto& root = ivra_configuration::CommonPropertyReference::RootHandle();
    root.read.maxi_code.Set(maxi);
    root.read.chinese_sensible_code.Set(hanXin);
}

support::Rendering Render(int symbology, std::string const& data, double module)
{
    support::SymbolInput input;
    input.symbology = symbology;
    input.data = data;
    if (symbology == BARCODE_HANXIN) {
        input.inputMode = UNICODE_MODE;
    }
    support::RenderOptions options;
    options.moduleSize = module;
    options.angle = 10;
    return support::render(input, options);
}

struct Read {
    int answer = 0;
    std::string text;
    std::string aim;
    int status = 0;
    int row = -1;
};

// Rows across the frame, two pixels apart, until a read, as the code
// searcher hands them.
Read ReadRows(OldMatrixDecoder& engine, support::Frame const& frame)
{
    DEC2DIvra::GrayImage const image(frame.width, frame.height, frame.width, frame.pixels.data());
    engine.OnNewImage(image);
    Read read;
    for (int y = 2; y < frame.height - 2 && read.answer == 0; y += 2) {
        DEC2DIvra::DecodedLabel label;
        read.answer = engine.Start(image, DEC2DIvra::LineSegment{{0, y}, {frame.width - 1, y}}, label);
        read.status = engine.GetStatus();
        if (read.answer != 0) {
            read.row = y;
            for (unsigned i = 0; i < label.data.GetCount(); ++i) {
                read.text += label.data[i];
            }
            char aim[8] = {};
            label.identifier.GetAIMIdentifier(aim, sizeof aim);
            read.aim = aim;
        }
    }
    return read;
}

int Count(std::string const& text, std::string const& word)
{
    int n = 0;
    for (std::size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) {
        ++n;
    }
    return n;
}

TEST(LegacyDriverRoad, SymbolsReadWithTheViewShowingWhatTheEngineDid)
{
    UseSettings(true, true);
    struct Case {
        int symbology;
        char const* data;
        double module;
        char const* aimStart;
        int firstRow;  // the Han Xin reader searches the whole frame at its first line
    } const cases[] = {
        {BARCODE_MAXICODE, "ENGINE VIEW 0123456789", 6.0, "]U", 0},
        {BARCODE_HANXIN, "Han Xin on the engine's line road", 4.0, "]X", 2},
    };
    for (Case const& c : cases) {
        support::Rendering const r = Render(c.symbology, c.data, c.module);
        support::Frame const& frame = r.frame;
        std::vector<unsigned short> overlay(static_cast<std::size_t>(frame.width) * frame.height, 77);
        std::vector<char> log(1 << 20, 'x');
        LegacyDebugView view{};
        view.overlay = overlay.data();
        view.width = frame.width;
        view.height = frame.height;
        view.log = log.data();
        view.logCapacity = static_cast<int>(log.size());
        SimulationC_AttachView(&view);
        OldMatrixDecoder engine;
        Read const read = ReadRows(engine, frame);
        SimulationC_AttachView(nullptr);

        ASSERT_EQ(read.answer, 1) << c.data;
        EXPECT_EQ(read.status, OldMatrixDecoder::kLabelWritten);
        EXPECT_EQ(read.text, c.data);
        EXPECT_EQ(read.aim.substr(0, 2), c.aimStart);

        // The log: the image, one line and one finder search per row offered.
        std::string const text(log.data(), static_cast<std::size_t>(view.logLength));
        EXPECT_EQ(text.rfind("image ", 0), 0u) << text.substr(0, 80);
        int const rows = (read.row - 2) / 2 + 1;
        EXPECT_EQ(Count(text, "\nline "), rows);
        EXPECT_EQ(Count(text, "\nfinders "), rows);
        EXPECT_EQ(view.dropped, 0);
        // The overlay: the frame laid under at half brightness, the last row
        // marked, the symbol's outline in black at its corners.
        EXPECT_EQ(view.backgroundLaid, 1);
        MULTIPLE_LABEL_st const& entry = multiple_label[multiple_label_count - 1];
        for (int k = 0; k < 4; ++k) {
            int const x = std::clamp(entry.cornerX[k], 0, frame.width - 1);
            int const y = std::clamp(entry.cornerY[k], 0, frame.height - 1);
            EXPECT_EQ(overlay[static_cast<std::size_t>(y) * frame.width + x], kDebugMarkRead) << c.data << k;
        }
        EXPECT_EQ(c.firstRow == 0 ? read.row > 2 : read.row == c.firstRow, true) << c.data << read.row;
        if (c.firstRow != 0) {
            continue;
        }
        int edges = 0;
        int line = 0;
        for (int x = 0; x < frame.width; ++x) {
            unsigned short const v = overlay[static_cast<std::size_t>(read.row) * frame.width + x];
            edges += v == kDebugMarkEdge || v == kDebugMarkSharpEdge;
            line += v == kDebugMarkLine;
        }
        int count = 0;
        GetRunLengthPlot(0, &count);
        EXPECT_GT(edges, 10) << c.data;
        EXPECT_GT(line, frame.width / 4) << c.data;
        EXPECT_GT(count, 10) << c.data;
        // Untouched background: half the frame's grey.
        EXPECT_EQ(overlay[0], std::min<int>(frame.pixels[0], 1023) / 2);
    }
}

TEST(LegacyDriverRoad, WithoutAViewTheHooksDoNothing)
{
    SimulationC_AttachView(nullptr);
    SimulationC_InitializeTimer();
    EXPECT_EQ(SimulationC_GetTimeCount(), 0);
    EXPECT_EQ(SimulationC_GetClockCount(), 0);
    EXPECT_EQ(SimulationC_GetTimeMilliSeconds(), 0);
    EXPECT_EQ(SimulationC_GetClockMilliSeconds(), 0);
    SimulationC_PutFormatStringToLog("nothing %d", 1);
    SimulationC_DrawLine(0, 0, 10, 10, 0);
}

// Marks that leave the overlay and log lines that would overrun the log are
// dropped; nothing is written past either buffer.
TEST(LegacyDriverRoad, TheViewsBuffersAreNeverOverrun)
{
    constexpr int kW = 40, kH = 30;
    std::vector<unsigned short> overlay(kW * kH + 8, 500);
    std::vector<char> log(32 + 8, '#');
    LegacyDebugView view{};
    view.overlay = overlay.data();
    view.width = kW;
    view.height = kH;
    view.log = log.data();
    view.logCapacity = 32;
    SimulationC_AttachView(&view);
    EXPECT_EQ(overlay[0], 0);  // cleared on attaching
    std::fill(overlay.begin(), overlay.begin() + kW * kH, 500);
    SimulationC_DrawLine(-100, -20, 200, 80, 9);
    int const xs[4] = {-5, 60, 60, -5};
    int const ys[4] = {-5, -5, 40, 40};
    SimulationC_DrawRectA(xs, ys, 9);
    SimulationC_DrawPoint(kW, 0, 9);
    SimulationC_DrawPoint(-1, 5, 9);
    POINT_st const fine{10 * 32 + 20, 5 * 32};
    SimulationC_DrawPointAF(&fine, 3);
    EXPECT_EQ(overlay[5 * kW + 11], 3);  // 10.6 pixels rounds to 11
    EXPECT_EQ(overlay[0 * kW + 0], 500);  // the rectangle runs outside the overlay
    int marked = 0;
    for (int i = 0; i < kW * kH; ++i) {
        marked += overlay[i] == 9;
    }
    EXPECT_GT(marked, 10);  // the part of the line inside
    for (int i = kW * kH; i < kW * kH + 8; ++i) {
        EXPECT_EQ(overlay[i], 500);
    }

    SimulationC_PutFormatStringToLog("%s", "0123456789");
    SimulationC_PutFormatStringToLog("%s", "0123456789abcdefghijklmnopqrstuvwxyz");
    SimulationC_PutFormatStringToLog("%d", 42);
    SimulationC_AttachView(nullptr);
    EXPECT_EQ(std::string(log.data()), "0123456789\n42\n");
    EXPECT_EQ(view.logLength, 14);
    EXPECT_EQ(view.dropped, 1);
    for (int i = 32; i < 40; ++i) {
        EXPECT_EQ(log[i], '#');
    }
}

// The region road lays its lines for families without a reader here: it
// reads nothing, even over a symbol, and empties the label.
TEST(LegacyDriverRoad, TheRegionRoadReadsNothing)
{
    UseSettings(true, true);
    support::Rendering const r = Render(BARCODE_MAXICODE, "REGION ROAD", 6.0);
    DEC2DIvra::GrayImage const image(r.frame.width, r.frame.height, r.frame.width, r.frame.pixels.data());
    OldMatrixDecoder engine;
    engine.OnNewImage(image);
    DEC2DIvra::Region region{};
    region[0] = {0, 0};
    region[1] = {r.frame.width - 1, 0};
    region[2] = {r.frame.width - 1, r.frame.height - 1};
    region[3] = {0, r.frame.height - 1};
    DEC2DIvra::DecodedLabel label;
    label.data.Push('z');
    EXPECT_EQ(engine.Start(image, region, 0u, label), 0);
    EXPECT_EQ(engine.GetStatus(), OldMatrixDecoder::kNothingFound);
    EXPECT_EQ(label.data.GetCount(), 0u);
    EXPECT_EQ(multiple_label_count, 0);
}

TEST(LegacyDriverRoad, FullFrameScanOverTheLinesOfItsIndex)
{
    calc_line_index_SXGA();
    EXPECT_EQ(full_frame_line_index.row[0], 4);
    EXPECT_EQ(full_frame_line_index.row[1], 12);
    EXPECT_EQ(full_frame_line_index.column[1], 48);
    EXPECT_EQ(full_frame_line_index.diagonal[0], 24);
    EXPECT_EQ(full_frame_line_index.diagonal[1], 72);

    // Only MaxiCode on: its four records lead.
    UseSettings(true, false);
    auto& read = ivra_configuration::CommonPropertyReference::RootHandle().read;
    bool const qr = read.qr_code.Value();
    bool const microQr = read.micro_qr.Value();
    bool const aztec = read.aztec_code.Value();
    bool const runes = read.aztec_runes.Value();
    read.qr_code.Set(false);
    read.micro_qr.Set(false);
    read.aztec_code.Set(false);
    read.aztec_runes.Set(false);
    init_new_decode_info_SXGA();
    read.qr_code.Set(qr);
    read.micro_qr.Set(microQr);
    read.aztec_code.Set(aztec);
    read.aztec_runes.Set(runes);
    sort_new_decode_info_SXGA();
    ASSERT_EQ(new_decode_info_SXGA_live, 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(new_decode_info_SXGA[i].enables.flag[kLegacyFlagMaxi], 1);
        EXPECT_EQ(new_decode_info_SXGA[i].lineKind, i);
    }

    // With no image the scan reads nothing; over a frame it finds the symbol.
    OldMatrixDecoder engine;
    EXPECT_EQ(dec_multi_SXGA(), kLegacyNothing);
    support::Rendering const r = Render(BARCODE_MAXICODE, "FULL FRAME", 6.0);
    DEC2DIvra::GrayImage const image(r.frame.width, r.frame.height, r.frame.width, r.frame.pixels.data());
    engine.OnNewImage(image);
    NEW_DECODE_INFO_st info;
    DECODE_EXEC_STATUS_st handled{};
    tagGrayImage_t* record = nullptr;
    InitializeGrayImage(&record, const_cast<unsigned short*>(r.frame.pixels.data()),
                        static_cast<unsigned>(r.frame.width), static_cast<unsigned>(r.frame.height),
                        static_cast<unsigned>(r.frame.width), &info, &handled, 5);
    EXPECT_EQ(dec_multi_SXGA(), kLegacyMaxiCode);
    ASSERT_EQ(multiple_label_count, 1);
    EXPECT_EQ(std::string(reinterpret_cast<char const*>(multiple_label[0].data),
                          static_cast<std::size_t>(multiple_label[0].dataLength)),
              "FULL FRAME");
    EXPECT_EQ(record->decodeInfo, &info);  // the call's records are given back
}

// After a failed read the error entries of status 3 or 4 get their centres
// cached; one inside the smallest central region answers 1.
TEST(LegacyDriverRoad, AlmostDecodedLooksAtTheCentresOfFailedReads)
{
    std::vector<unsigned short> pixels(640 * 480, 800);
    DEC2DIvra::GrayImage const image(640, 480, 640, pixels.data());
    OldMatrixDecoder engine;
    engine.OnNewImage(image);
    calc_decode_regions();
    EXPECT_EQ(is_almost_decoded(), 0);
    MULTIPLE_LABEL_st e{};
    int const far[4] = {10, 50, 50, 10};
    int const nearX[4] = {300, 340, 340, 300};
    int const nearY[4] = {220, 220, 260, 260};
    std::copy(far, far + 4, e.cornerX);
    std::copy(far, far + 4, e.cornerY);
    e.status = 3;
    error_multiple_label[0] = e;
    std::copy(nearX, nearX + 4, e.cornerX);
    std::copy(nearY, nearY + 4, e.cornerY);
    e.status = 2;  // a plain failure is not looked at
    error_multiple_label[1] = e;
    error_multiple_label_count = 2;
    EXPECT_EQ(is_almost_decoded(), 0);
    EXPECT_EQ(error_multiple_label[0].geometry[6], 30);
    EXPECT_EQ(error_multiple_label[0].geometry[7], 30);
    error_multiple_label[1].status = 4;
    EXPECT_EQ(is_almost_decoded(), 1);
    EXPECT_EQ(error_multiple_label[1].geometry[6], 320);
    engine.OnNewImage(image);
    EXPECT_EQ(error_multiple_label_count, 0);
}

// A new image starts without the runs of the last line of the one before.
TEST(LegacyDriverRoad, ANewImageLeavesNoRunsOfTheLastOne)
{
    UseSettings(true, true);
    support::Rendering const r = Render(BARCODE_MAXICODE, "STALE RUNS", 6.0);
    DEC2DIvra::GrayImage const image(r.frame.width, r.frame.height, r.frame.width, r.frame.pixels.data());
    OldMatrixDecoder engine;
    engine.OnNewImage(image);
    DEC2DIvra::DecodedLabel label;
    int const y = r.frame.height / 2;
    engine.Start(image, DEC2DIvra::LineSegment{{0, y}, {r.frame.width - 1, y}}, label);
    EXPECT_GT(num_gry_runlen, 0);
    // The call's records are gone with the call; the image record keeps none.
    EXPECT_EQ(GetGrayImage()->decodeInfo, nullptr);
    EXPECT_EQ(GetGrayImage()->handled, nullptr);
    engine.OnNewImage(image);
    EXPECT_EQ(num_gry_runlen, 0);
    EXPECT_EQ(MULTI_RunlenA.count, 0);
    EXPECT_EQ(MULTI_PicLineInfo.count, 0);
}

}  // namespace

namespace {

// Segments and regions far outside any frame read nothing and leave the
// label empty.
TEST(LegacyDriverRoad, FarOutCoordinatesReadNothing)
{
    UseSettings(true, true);
    std::vector<unsigned short> pixels(64 * 48, 800);
    DEC2DIvra::GrayImage const image(64, 48, 64, pixels.data());
    OldMatrixDecoder engine;
    engine.OnNewImage(image);
    DEC2DIvra::DecodedLabel label;
    int const far = 2147483647;
    EXPECT_EQ(engine.Start(image, DEC2DIvra::LineSegment{{-far - 1, 3}, {far, 3}}, label), 0);
    EXPECT_EQ(engine.GetStatus(), OldMatrixDecoder::kNothingFound);
    DEC2DIvra::Region region{};
    region[0] = {-far, -far};
    region[2] = {far, far};
    EXPECT_EQ(engine.Start(image, region, 0u, label), 0);
    EXPECT_EQ(engine.GetStatus(), OldMatrixDecoder::kNothingFound);
}

}  // namespace
