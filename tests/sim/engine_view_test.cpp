// scanner-sim decode --engine-view: the older matrix engine's view of each image
// written beside the decode.
#include "sim/decode_mode.h"
#include "sim/options.h"

#include "config/common_property_reference.h"
#include "config/key_tree.h"
#include "tests/support/image_file.h"
#include "tests/support/symbol_renderer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;

std::string contents(fs::path const& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(SimEngineView, EachImageGetsTheEnginesOverlayAndLog)
{
    auto& read = ivra_configuration::CommonPropertyReference::RootHandle().read;
    bool const maxi = read.maxi_code.Value();
    read.maxi_code.Set(true);
    char pattern[] = "/tmp/sim-engine-view-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    fs::path const directory = pattern;
    std::string const image = (directory / "maxi.png").string();
    ASSERT_TRUE(support::writePng(
        image, support::render({.symbology = BARCODE_MAXICODE, .data = "VIEW ROAD 42"}, {.moduleSize = 6, .angle = 20}).frame,
        support::FileDepth::Bits8));
    fs::path const view = directory / "view";
    fs::create_directory(view);

    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    ASSERT_TRUE(out != nullptr && err != nullptr);
    EXPECT_EQ(scanner_sim::decodeImages({image}, false, out, err, false, false, view.string()), 0);
    std::string const pgm = contents(view / "1-maxi.pgm");
    std::string const header = "P5\n640 480\n1023\n";
    ASSERT_EQ(pgm.size(), header.size() + 640u * 480u * 2u);
    EXPECT_EQ(pgm.substr(0, header.size()), header);
    // The symbol's outline is black; the frame under it at most half bright.
    int black = 0;
    for (std::size_t i = header.size(); i + 1 < pgm.size(); i += 2) {
        black += pgm[i] == 0 && pgm[i + 1] == 0;
    }
    EXPECT_GT(black, 100);
    std::string const log = contents(view / "1-maxi.log");
    EXPECT_EQ(log.rfind("image 640 x 480\nline 1 ", 0), 0u) << log.substr(0, 200);
    EXPECT_NE(log.find("result 23"), std::string::npos) << log.substr(0, 400);

    // A directory that is not there is refused before any decode.
    std::fclose(out);
    std::fclose(err);
    out = std::tmpfile();
    err = std::tmpfile();
    EXPECT_EQ(scanner_sim::decodeImages({image}, false, out, err, false, false, (directory / "none").string()), 1);
    std::rewind(err);
    char line[200] = {};
    ASSERT_NE(std::fgets(line, sizeof line, err), nullptr);
    EXPECT_NE(std::string(line).find("not a directory"), std::string::npos) << line;
    std::fclose(out);
    std::fclose(err);
    read.maxi_code.Set(maxi);
    fs::remove_all(directory);

    // The option takes a directory.
    char const* args[] = {"scanner-sim", "decode", "--engine-view", "/tmp/v", "a.png"};
    scanner_sim::Options options;
    std::string problem;
    EXPECT_EQ(scanner_sim::parseOptions(5, args, options, problem), scanner_sim::Parse::Ok);
    EXPECT_EQ(options.engineView, "/tmp/v");
    EXPECT_EQ(scanner_sim::parseOptions(3, args, options, problem), scanner_sim::Parse::Misuse);
    EXPECT_EQ(problem, "--engine-view needs a directory");
}

} // namespace
