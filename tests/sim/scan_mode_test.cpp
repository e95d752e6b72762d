// scanner-sim command and scan as an integrator runs them: settings sent over USB serial
// and saved, then zint-made labels at any angle and place shown to the camera.
#include "tests/sim/sim_program_fixture.h"
#include "tests/support/image_file.h"
#include "tests/support/symbol_renderer.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

class SimScan : public sim_test::SimProgramTest {
protected:
    std::string image(std::string const& name, support::Frame const& frame)
    {
        std::string const path = (directory_ / name).string();
        EXPECT_TRUE(support::writePng(path, frame, support::FileDepth::Bits8));
        return path;
    }

    std::string symbol(std::string const& name, int symbology, std::string const& data, support::RenderOptions options)
    {
        auto rendering = support::render({.symbology = symbology, .data = data}, options);
        EXPECT_TRUE(rendering.symbol.ok) << rendering.symbol.error;
        return image(name, rendering.frame);
    }

};

TEST_F(SimScan, PrintsTheEncodedDataWithTheConfiguredPrefixAndSuffixAtAnyAngleAndPlace)
{
    EXPECT_EQ(run("command", {"set string/common_prefix:\"<\"", "set string/common_suffix:\">\\r\"", "save"}),
              std::pair(std::string("<ACK>\n<ACK>\n<ACK>\n"), 0));
    std::vector<std::string> const images = {
        symbol("flat.png", BARCODE_CODE128, "SCANNER-0001", {.moduleSize = 2.0}),
        symbol("tilted.png", BARCODE_CODE128, "Tilt 37", {.moduleSize = 2.5, .angle = 37, .centre = support::Point{250, 300}}),
        symbol("upright.png", BARCODE_CODE128, "up-90", {.moduleSize = 2.5, .angle = 90, .centre = support::Point{420, 240}}),
        symbol("ean.png", BARCODE_EANX, "400638133393", {.moduleSize = 2.5, .angle = 200, .centre = support::Point{360, 200}}),
    };
    EXPECT_EQ(run("scan", images),
              std::pair(std::string("<SCANNER-0001><CR>\n<Tilt 37><CR>\n<up-90><CR>\n<4006381333931><CR>\n"), 0));
}

TEST_F(SimScan, ABlankOrUnreadableImageEndsInTheNoReadTextAndFails)
{
    EXPECT_EQ(run("command", {"set string/error_message/no_label:\"NO READ\"", "set trigger/manual/extended_read_time/time:3", "save"}),
              std::pair(std::string("<ACK>\n<ACK>\n<ACK>\n"), 0));
    std::string const broken = (directory_ / "broken.png").string();
    std::FILE* file = std::fopen(broken.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fputs("\x89PNG\r\n\x1a\nnot really", file);
    std::fclose(file);
    std::vector<std::string> const images = {image("blank.png", support::makeFrame()), broken,
                                             symbol("label.png", BARCODE_CODE128, "AFTER", {})};
    EXPECT_EQ(run("scan", images), std::pair(std::string("NO READ\n\nAFTER\n"), 1));
}

// An image that takes long to load (here: a pipe whose writer waits) is read from its own
// frames, not from those of the image before it that the camera took meanwhile.
TEST_F(SimScan, AnImageSlowToLoadIsReadFromItsOwnFrames)
{
    using namespace std::chrono_literals;
    std::string const first = symbol("first.png", BARCODE_CODE128, "FIRST", {});
    std::string const second = symbol("second.png", BARCODE_CODE128, "SECOND", {});
    std::ifstream file(second, std::ios::binary);
    std::string const bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    ASSERT_FALSE(bytes.empty());
    std::string const slow = (directory_ / "slow.png").string();
    ASSERT_EQ(::mkfifo(slow.c_str(), 0600), 0);
    std::thread writer([&] {
        // Opened for writing once the program opens it to read, which is after the first image.
        int fd = -1;
        for (auto const until = std::chrono::steady_clock::now() + 60s; fd < 0;) {
            fd = ::open(slow.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
            if (fd < 0 && (errno != ENXIO || std::chrono::steady_clock::now() >= until)) {
                ADD_FAILURE() << "the program never opened the image";
                return;
            }
            if (fd < 0) {
                std::this_thread::sleep_for(5ms);
            }
        }
        ::fcntl(fd, F_SETFL, 0);
        std::this_thread::sleep_for(1s); // the camera goes on taking the first image
        for (std::size_t done = 0; done < bytes.size();) {
            ssize_t const n = ::write(fd, bytes.data() + done, bytes.size() - done);
            if (n <= 0) {
                ADD_FAILURE() << "the program stopped reading the image";
                break;
            }
            done += static_cast<std::size_t>(n);
        }
        ::close(fd);
    });
    auto const scanned = run("scan", {first, slow});
    writer.join();
    EXPECT_EQ(scanned, std::pair(std::string("FIRST\nSECOND\n"), 0));
}

TEST_F(SimScan, DecodeStartsFromTheSettingsSavedOnTheBoard)
{
    std::string const dark = symbol("dark.png", BARCODE_CODE128, "Negative", {.moduleSize = 2.5, .inverted = true});
    std::string const turned = symbol("turned.png", BARCODE_CODE128, "Turned", {.moduleSize = 2.5, .angle = 90});
    std::string const flat = symbol("flat.png", BARCODE_CODE128, "Flat", {.moduleSize = 2.5});
    auto const read = [&](std::string const& image) {
        auto const [out, status] = run("decode", {image});
        return out.substr(out.find('\t') + 1);
    };
    // Factory settings: positive labels only, searched at any angle.
    EXPECT_EQ(read(dark), "-\n");
    EXPECT_EQ(read(turned), "4\t]C0\t5475726E6564\n");

    ASSERT_EQ(run("command", {"set readable_medium/positive_and_negative_codes/all_1d_and_composite_codes:"
                              "\"POSITIVE_AND_NEGATIVE\"",
                              "set detail_of_decoder/code_search_mode:\"FIX_MOUNT\"", "save"}),
              std::pair(std::string("<ACK>\n<ACK>\n<ACK>\n"), 0));
    EXPECT_EQ(read(dark), "4\t]C0\t4E65676174697665\n");
    EXPECT_EQ(read(turned), "-\n"); // the fixed band lies across the frame
    EXPECT_EQ(read(flat), "4\t]C0\t466C6174\n");
}

TEST_F(SimScan, DecodeTimesFramesWithoutALabelToo)
{
    auto const [out, status] = run("decode", {"--time", image("blank.png", support::makeFrame())});
    EXPECT_EQ(status, 1);
    EXPECT_NE(out.find("blank.png\t-\t"), std::string::npos) << out;
    EXPECT_GE(std::stod(out.substr(out.rfind('\t') + 1)), 0.0) << out;
}

TEST_F(SimScan, DecodeReadsLabelsSeenAtASlantAndLabelsThatTouch)
{
    // Perspective fans the bars out: no one direction holds them all.
    std::vector<std::string> images;
    for (int angle : {0, 30, 60, 90, 210, 300}) {
        images.push_back(symbol("slant" + std::to_string(angle) + ".png", BARCODE_CODE128, "Slant-42",
                                {.moduleSize = 2.0, .angle = static_cast<double>(angle), .perspectiveX = 0.1,
                                 .perspectiveY = 0.1}));
    }
    auto const [out, status] = run("decode", images);
    EXPECT_EQ(status, 0) << out;
    for (std::string const& image : images) {
        EXPECT_NE(out.find(image + "\t4\t]C0\t536C616E742D3432\n"), std::string::npos) << image << "\n" << out;
    }

    // Two labels whose quiet zones meet, at directions 10 degrees apart: both are listed.
    support::Frame frame = support::makeFrame();
    support::drawSymbol(frame, {.data = "LEFT"}, {.moduleSize = 1.5, .angle = 20, .centre = support::Point{250, 200}});
    support::drawSymbol(frame, {.data = "RIGHT"}, {.moduleSize = 1.5, .angle = 30, .centre = support::Point{385, 250}});
    std::string const pair = image("pair.png", frame);
    auto const [listed, pairStatus] = run("decode", {pair});
    EXPECT_NE(listed.find("\t4C454654\n"), std::string::npos) << listed;
    EXPECT_NE(listed.find("\t5249474854\n"), std::string::npos) << listed;
}

TEST_F(SimScan, DecodeListsAQRAndAnAztecSymbolSharingAFrame)
{
    // The QR finders and the bull's-eyes are each swept for once per frame:
    // each symbol is read, whichever the search meets first.
    struct Case {
        double module;
        double angle;
        double blur;
    };
    Case const cases[] = {{3.0, 0, 0}, {2.5, 25, 0}, {3.0, 60, 0.9}};
    for (Case const& c : cases) {
        SCOPED_TRACE(c.angle);
        support::Frame frame = support::makeFrame();
        support::RenderOptions options{.moduleSize = c.module, .angle = c.angle, .centre = support::Point{170, 240},
                                       .quietZone = 4.0};
        ASSERT_TRUE(support::drawSymbol(frame, {.symbology = BARCODE_QRCODE, .data = "QR BESIDE"}, options).ok);
        options.centre = support::Point{450, 240};
        ASSERT_TRUE(support::drawSymbol(frame, {.symbology = BARCODE_AZTEC, .data = "Aztec beside"}, options).ok);
        support::finishFrame(frame, {.blur = c.blur});
        auto const [out, status] = run("decode", {image("pair" + std::to_string(static_cast<int>(c.angle)) + ".png", frame)});
        EXPECT_EQ(status, 0) << out;
        EXPECT_NE(out.find("\t515220424553494445\n"), std::string::npos) << out;
        EXPECT_NE(out.find("\t417A74656320626573696465\n"), std::string::npos) << out;
    }
}

} // namespace
