// scanner-sim decode: the decoder alone over image files, one line per label.
#include "sim/decode_mode.h"

#include "tests/support/image_file.h"
#include "tests/support/symbol_renderer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <string>

namespace {

namespace fs = std::filesystem;

std::string text(std::FILE* file)
{
    std::rewind(file);
    std::string read;
    for (int c; (c = std::fgetc(file)) != EOF;) {
        read.push_back(static_cast<char>(c));
    }
    std::fclose(file);
    return read;
}

TEST(SimDecode, ListsEachLabelWithSymbologyAimIdentifierHexDataAndTime)
{
    char pattern[] = "/tmp/sim-decode-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    fs::path const directory = pattern;
    auto const save = [&](std::string const& name, support::Frame const& frame) {
        std::string const path = (directory / name).string();
        EXPECT_TRUE(support::writePng(path, frame, support::FileDepth::Bits8));
        return path;
    };
    std::string const code128 =
        save("c128.png", support::render({.symbology = BARCODE_CODE128, .data = "Ab\x7f"}, {.angle = 15}).frame);
    std::string const ean = save("ean.png", support::render({.symbology = BARCODE_EANX, .data = "400638133393"}).frame);
    std::string const blank = save("blank.png", support::makeFrame());
    std::string const missing = (directory / "missing.png").string();

    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    ASSERT_TRUE(out != nullptr && err != nullptr);
    EXPECT_EQ(scanner_sim::decodeImages({code128, ean}, false, out, err), 0);
    EXPECT_EQ(text(out), code128 + "\t4\t]C0\t41627F\n" + ean + "\t13\t]E0\t34303036333831333333393331\n");
    text(err);

    out = std::tmpfile();
    err = std::tmpfile();
    EXPECT_EQ(scanner_sim::decodeImages({blank, missing, code128}, true, out, err), 1);
    std::string const lines = text(out);
    EXPECT_TRUE(std::regex_match(lines, std::regex(blank + "\t-\t[0-9]+\\.[0-9]{3}\n" + missing + "\t-\n" + code128
                                                   + "\t4\t\\]C0\t41627F\t[0-9]+\\.[0-9]{3}\n")))
        << lines;
    EXPECT_NE(text(err).find("missing.png"), std::string::npos);

    // Two symbols in a frame: both listed, or with `first` the search ends at
    // the first label.
    support::Frame pair = support::makeFrame();
    support::drawSymbol(pair, {.data = "LEFT"}, {.moduleSize = 2, .centre = support::Point{200, 240}});
    support::drawSymbol(pair, {.data = "RIGHT"}, {.moduleSize = 2, .centre = support::Point{450, 240}});
    std::string const two = save("pair.png", pair);
    for (bool const first : {false, true}) {
        out = std::tmpfile();
        err = std::tmpfile();
        ASSERT_TRUE(out != nullptr && err != nullptr);
        EXPECT_EQ(scanner_sim::decodeImages({two}, false, out, err, false, first), 0);
        std::string const listed = text(out);
        EXPECT_EQ(std::count(listed.begin(), listed.end(), '\n'), first ? 1 : 2) << listed;
        text(err);
    }
    std::error_code ignored;
    fs::remove_all(directory, ignored);
}

} // namespace
