// Several QR symbols in one frame through scanner-sim decode with the factory
// settings: three in an L, four in a 2 x 2 grid and four in a row each give
// their own label.
#include "sim/decode_mode.h"

#include "tests/sim/sim_program_fixture.h"

#include "tests/support/image_file.h"
#include "tests/support/symbol_renderer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

using sim_test::Hex;

// The data of each label scanner-sim decode prints for the frame.
std::vector<std::string> Decode(support::Frame const& frame)
{
    char pattern[] = "/tmp/qr-grid-road-XXXXXX";
    if (::mkdtemp(pattern) == nullptr) {
        ADD_FAILURE() << "no temporary folder";
        return {};
    }
    fs::path const directory = pattern;
    std::string const path = (directory / "grid.png").string();
    EXPECT_TRUE(support::writePng(path, frame, support::FileDepth::Bits8));
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    if (out == nullptr || err == nullptr) {
        ADD_FAILURE() << "no temporary file";
        if (out != nullptr) {
            std::fclose(out);
        }
        if (err != nullptr) {
            std::fclose(err);
        }
        std::error_code ignored;
        fs::remove_all(directory, ignored);
        return {};
    }
    scanner_sim::decodeImages({path}, false, out, err);
    std::rewind(out);
    std::string text;
    for (int c; (c = std::fgetc(out)) != EOF;) {
        text.push_back(static_cast<char>(c));
    }
    std::fclose(out);
    std::fclose(err);
    std::error_code ignored;
    fs::remove_all(directory, ignored);
    // file, symbology, identifier, data in hex
    std::vector<std::string> data;
    for (size_t at = 0; at < text.size();) {
        size_t const end = text.find('\n', at);
        std::string const line = text.substr(at, end - at);
        size_t const last = line.rfind('\t');
        if (line.find("\t]Q") != std::string::npos && last != std::string::npos) {
            data.push_back(line.substr(last + 1));
        }
        at = end == std::string::npos ? text.size() : end + 1;
    }
    return data;
}

TEST(QRGridRoadTest, SymbolsInAnLAndInAGridEachGiveTheirLabel)
{
    struct Layout {
        char const* name;
        std::vector<support::Point> centres;
    };
    Layout const layouts[] = {
        {"three in an L", {{110, 110}, {430, 110}, {110, 370}}},
        {"four in a 2 x 2 grid", {{110, 110}, {430, 110}, {110, 370}, {430, 370}}},
        {"four in a 2 x 2 grid, turned", {{140, 120}, {450, 130}, {130, 360}, {460, 350}}},
        {"four in a row", {{80, 240}, {240, 240}, {400, 240}, {560, 240}}},
    };
    for (Layout const& layout : layouts) {
        support::Frame frame = support::makeFrame(640, 480, 900);
        std::vector<std::string> wanted;
        double const angle = std::string(layout.name).find("turned") != std::string::npos ? 12.0 : 0.0;
        for (size_t i = 0; i < layout.centres.size(); ++i) {
            std::string const data = "SYMBOL " + std::to_string(i);
            wanted.push_back(Hex(data));
            support::SymbolInput input{.symbology = BARCODE_QRCODE, .data = data};
            input.option1 = 2;
            input.option2 = 1;
            support::RenderOptions const options{
                .moduleSize = 4.0, .angle = angle, .centre = layout.centres[i], .quietZone = 4.0};
            ASSERT_TRUE(support::drawSymbol(frame, input, options).ok) << layout.name;
        }
        std::vector<std::string> got = Decode(frame);
        std::sort(got.begin(), got.end());
        EXPECT_EQ(got, wanted) << layout.name;
    }
}

}  // namespace
