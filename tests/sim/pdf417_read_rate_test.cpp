// PDF417, MicroPDF417 and EAN-13, EAN-8, GS1-128 and DataBar composites through scanner-sim decode, as a
// user meets them: a board prepared with set commands, zint symbols turned,
// blurred, noisy and light on dark. A small table; the full one is in bench/.
#include "tests/sim/sim_program_fixture.h"
#include "tests/support/image_file.h"
#include "tests/support/symbol_renderer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Case {
    char const* name;
    int symbology;
    char const* data;
    char const* primary;
    int option2;
    char const* text;   // the label's bytes
    char const* alone;  // EAN digits read alone: no linkage flag asks for a 2D part
};

std::vector<Case> const kCases = {
    {"PDF417", BARCODE_PDF417, "PDF417 read through the road 2026", "", 4, "PDF417 read through the road 2026",
     nullptr},
    {"PDF417 wide", BARCODE_PDF417, "0123456789 abcdefghijklmnopqrstuvwxyz", "", 7,
     "0123456789 abcdefghijklmnopqrstuvwxyz", nullptr},
    {"MicroPDF417", BARCODE_MICROPDF417, "MicroPDF417", "", 0, "MicroPDF417", nullptr},
    {"MicroPDF417 4 columns", BARCODE_MICROPDF417, "FOUR COLUMNS 1234567890", "", 4, "FOUR COLUMNS 1234567890",
     nullptr},
    {"EAN-13 + CC-A", BARCODE_EANX_CC, "[99]1234-abcd", "331234567890", 1, "3312345678903\x1c" "991234-abcd",
     "3312345678903"},
    // The 2D part is wider than the bars under it, which reach into the
    // search area below it.
    {"EAN-8 + CC-A", BARCODE_EANX_CC, "[99]1234-abcd", "1234567", 1, "12345670\x1c" "991234-abcd", "12345670"},
    {"GS1-128 + CC-A", BARCODE_GS1_128_CC, "[10]ABC123", "[01]09501101530003", 1,
     "0109501101530003\x1c" "10ABC123", nullptr},
    {"GS1-128 + CC-C", BARCODE_GS1_128_CC, "[99]1234-abcd[21]1234567890", "[01]09501101530003", 3,
     "0109501101530003\x1c" "991234-abcd\x1d" "211234567890", nullptr},
    {"DataBar + CC-A", BARCODE_DBAR_OMN_CC, "[10]ABC123", "0950110153000", 1, "0109501101530003\x1c" "10ABC123",
     nullptr},
    {"DataBar Limited + CC-A", BARCODE_DBAR_LTD_CC, "[10]ABC123", "0950110153000", 1,
     "0109501101530003\x1c" "10ABC123", nullptr},
    {"DataBar Expanded + CC-B", BARCODE_DBAR_EXP_CC, "[10]ABC123[21]XYZ789[99]COMPOSITE",
     "[01]09501101530003[3103]000123", 2,
     "0109501101530003" "3103000123\x1c" "10ABC123\x1d" "21XYZ789\x1d" "99COMPOSITE",
     nullptr},
};

struct Condition {
    char const* name;
    double angle;
    double module;
    double blur;
    double noise;
    bool inverted;
    double perspectiveX = 0;
    double perspectiveY = 0;
};

std::vector<Condition> const kConditions = {
    {"clean", 0, 2.5, 0, 0, false},     {"turned 15", 15, 2.5, 0, 0, false}, {"upside down", 180, 2.5, 0, 0, false},
    {"turned 105", 105, 2.0, 0, 0, false}, {"blurred", 30, 2.5, 0.8, 0, false}, {"noisy", 45, 2.5, 0, 25, false},
    {"light on dark", 60, 2.5, 0, 0, true}, {"small", 0, 1.8, 0, 0, false},
    {"perspective", 10, 2.5, 0, 0, false, 0.2, 0.1},
};

class Pdf417ReadRate : public sim_test::SimProgramTest {
protected:
    struct Pose {
        double angle;
        double module;
    };
    // One frame of `input` per pose, written as 8-bit PNG files named by `stem`.
    std::vector<std::string> WriteFrames(support::SymbolInput const& input, std::vector<Pose> const& poses,
                                         support::RenderOptions options, std::string const& stem)
    {
        std::vector<std::string> files;
        for (Pose const& pose : poses) {
            options.angle = pose.angle;
            options.moduleSize = pose.module;
            support::Rendering const r = support::render(input, options);
            EXPECT_TRUE(r.symbol.ok) << r.symbol.error;
            files.push_back((directory_ / (stem + std::to_string(files.size()) + ".png")).string());
            EXPECT_TRUE(support::writePng(files.back(), r.frame, support::FileDepth::Bits8));
        }
        return files;
    }
    // One frame of `input` drawn with `options`, added to `files` as a 16-bit
    // PGM file named by `stem`; false when it could not be drawn or written.
    // A frame's options as the read-rate bench draws it: module size, angle
    // and the seed of its noise.
    static support::RenderOptions BenchPose(double module, double angle, uint64_t seed)
    {
        support::RenderOptions o;
        o.moduleSize = module;
        o.angle = angle;
        o.seed = seed;
        return o;
    }
    bool AddFrame(support::SymbolInput const& input, support::RenderOptions const& options, std::string const& stem,
                  std::vector<std::string>& files)
    {
        support::Rendering const r = support::render(input, options);
        EXPECT_TRUE(r.symbol.ok) << r.symbol.error;
        if (!r.symbol.ok) {
            return false;
        }
        files.push_back((directory_ / (stem + std::to_string(files.size()) + ".pgm")).string());
        return support::writePgm(files.back(), r.frame, support::FileDepth::Bits16);
    }
    // The files that decode printed the label `hex` (symbology 39, ]e0) for.
    static unsigned CountWhole(std::string const& out, std::vector<std::string> const& files, std::string const& hex)
    {
        unsigned whole = 0;
        for (std::string const& file : files) {
            whole += out.find(file + "\t39\t]e0\t" + hex + "\n") != std::string::npos ? 1u : 0u;
        }
        return whole;
    }
    // The files that decode gave no label for.
    static unsigned CountNone(std::string const& out, std::vector<std::string> const& files)
    {
        unsigned none = 0;
        for (std::string const& file : files) {
            none += out.find(file + "\t-\n") != std::string::npos ? 1u : 0u;
        }
        return none;
    }
    // A composite drawn as the read-rate bench draws it under its strong
    // perspective, and the label it should give: `hex` whole, or `alone`
    // (identifier and data, tab-separated) when its UPC/EAN part may go out
    // without its 2D part.
    struct KeystonedComposite {
        char const* name;
        support::SymbolInput const* input;
        double module;
        double angle;
        uint64_t seed;
        std::string hex;
        std::string alone = "";
    };
    // Reads the cases through `scanner-sim decode`: each gives its whole
    // label, its linear part alone where allowed, or nothing, and all but
    // `misses` at most read whole.
    void ExpectKeystonedReadWhole(std::vector<KeystonedComposite> const& cases, std::string const& stem,
                                  unsigned misses)
    {
        std::vector<std::string> files;
        for (KeystonedComposite const& c : cases) {
            support::RenderOptions o = BenchPose(c.module, c.angle, c.seed);
            o.perspectiveX = 0.2;
            o.perspectiveY = 0.1;
            ASSERT_TRUE(AddFrame(*c.input, o, stem, files)) << c.name;
        }
        std::string const out = run("decode", files).first;
        unsigned whole = 0;
        for (size_t i = 0; i < files.size(); ++i) {
            bool const read = out.find(files[i] + "\t39\t]e0\t" + cases[i].hex + "\n") != std::string::npos;
            bool const none = out.find(files[i] + "\t-\n") != std::string::npos;
            bool const alone = !cases[i].alone.empty() &&
                               out.find(files[i] + "\t" + cases[i].alone + "\n") != std::string::npos;
            EXPECT_TRUE(read || none || alone) << cases[i].name << " " << cases[i].module << " " << cases[i].angle
                                               << "\n" << out;
            whole += read ? 1u : 0u;
        }
        EXPECT_GE(whole + misses, files.size()) << out;
    }
};

support::SymbolInput const kDataBarComposite{.symbology = BARCODE_DBAR_OMN_CC, .data = "[10]ABC123", .option1 = 1,
                                              .inputMode = GS1_MODE, .primary = "0950110153000"};
// The linear part's element string, 0x1C, the 2D part's.
char const* const kDataBarCompositeHex = "303130393530313130313533303030331C3130414243313233";

TEST_F(Pdf417ReadRate, StackedAndCompositeSymbolsReadWholeAndNeverWrong)
{
    std::vector<std::string> commands = {"set read/micro_pdf417:true", "set read/composite_ean:true",
                                         "set read/gs1_composite:true",
                                         "set readable_medium/positive_and_negative_codes/pdf_417:\"POSITIVE_AND_NEGATIVE\"",
                                         "set readable_medium/positive_and_negative_codes/all_1d_and_composite_codes:"
                                         "\"POSITIVE_AND_NEGATIVE\"",
                                         "save"};
    std::string expected;
    for (size_t i = 0; i < commands.size(); ++i) {
        expected += "<ACK>\n";
    }
    ASSERT_EQ(run("command", commands).first, expected);
    std::vector<std::string> files;
    std::vector<std::string> texts;
    for (Case const& c : kCases) {
        for (Condition const& k : kConditions) {
            support::SymbolInput input;
            input.symbology = c.symbology;
            input.data = c.data;
            input.primary = c.primary;
            bool const composite = c.primary[0] != '\0';
            // A composite's option picks its 2D part (1 CC-A, 3 CC-C).
            (composite ? input.option1 : input.option2) = c.option2;
            input.inputMode = composite ? GS1_MODE : DATA_MODE;
            support::RenderOptions o;
            o.angle = k.angle;
            o.moduleSize = k.module;
            o.blur = k.blur;
            o.noise = k.noise;
            o.inverted = k.inverted;
            o.perspectiveX = k.perspectiveX;
            o.perspectiveY = k.perspectiveY;
            o.seed = files.size() + 1;
            support::Rendering const r = support::render(input, o);
            ASSERT_TRUE(r.symbol.ok) << c.name << ": " << r.symbol.error;
            std::string const file = (directory_ / (std::to_string(files.size()) + ".png")).string();
            ASSERT_TRUE(support::writePng(file, r.frame, support::FileDepth::Bits8));
            files.push_back(file);
            texts.push_back(c.text);
        }
    }
    std::string const out = run("decode", files).first;
    unsigned read = 0;
    unsigned dataBarRead = 0;
    unsigned dataBarFrames = 0;
    for (size_t i = 0; i < files.size(); ++i) {
        size_t const at = out.find(files[i] + "\t");
        ASSERT_NE(at, std::string::npos);
        std::string const line = out.substr(at, out.find('\n', at) - at);
        size_t const last = line.rfind('\t');
        std::string const hex = line.substr(last + 1);
        // DataBar composites are held to whole labels and to the clean frame:
        // their read rate is measured in bench/.
        bool const dataBar = std::string(kCases[i / kConditions.size()].name).rfind("DataBar", 0) == 0;
        dataBarFrames += dataBar ? 1 : 0;
        // Upright and clean, every DataBar composite reads whole.
        bool const clean = i % kConditions.size() == 0;
        EXPECT_FALSE(dataBar && clean && hex == "-") << kCases[i / kConditions.size()].name;
        if (hex == "-") {
            std::printf("not read: %s %s\n", kCases[i / kConditions.size()].name, kConditions[i % kConditions.size()].name);
            continue;
        }
        std::string text;
        for (size_t k = 0; k + 1 < hex.size(); k += 2) {
            text.push_back(static_cast<char>(std::stoi(hex.substr(k, 2), nullptr, 16)));
        }
        // Unlinked digits alone are not counted, and are no wrong label either;
        // a linked linear part without its 2D part is.
        char const* alone = kCases[i / kConditions.size()].alone;
        if (alone != nullptr && text == alone) {
            continue;
        }
        EXPECT_EQ(text, texts[i]) << kCases[i / kConditions.size()].name << ", "
                                  << kConditions[i % kConditions.size()].name;
        if (dataBar) {
            dataBarRead += text == texts[i] ? 1 : 0;
            continue;
        }
        read += text == texts[i] ? 1 : 0;
    }
    std::printf("read %u of %zu, DataBar composites %u of %u\n", read, files.size() - dataBarFrames, dataBarRead,
                dataBarFrames);
    EXPECT_GE(read * 10, (files.size() - dataBarFrames) * 9);
}

// A DataBar symbol met square on is crossed by few lines close together: the
// short sides they leave give the bars' direction roughly, still better than
// the edge's slant (these frames gave no label before).
TEST_F(Pdf417ReadRate, DataBarCompositeMetSquareOnReadsWhole)
{
    ASSERT_EQ(run("command", {"set read/gs1_composite:true", "save"}).first, "<ACK>\n<ACK>\n");
    std::vector<std::string> const files = WriteFrames(
        kDataBarComposite, {{0, 1.5}, {90, 1.5}, {270, 1.5}, {90, 2.0}, {180, 2.5}}, {}, "databar");
    std::string const out = run("decode", files).first;
    // Four of the five at least: which frame's short sides are long enough
    // depends on which of the DataBar road's lines read the linear part.
    EXPECT_GE(CountWhole(out, files, kDataBarCompositeHex), 4u) << out;
}

// The short sides of a DataBar label are a few pixels long: the bars'
// direction they give can be several degrees off, and the search lines then
// leave a 3-row CC-A before they cross both its row address columns. The
// search is tried again turned either way (none of these frames gave a label
// before).
TEST_F(Pdf417ReadRate, DataBarCompositeFoundWhenTheSidesMisleadTheRows)
{
    ASSERT_EQ(run("command", {"set read/gs1_composite:true", "save"}).first, "<ACK>\n<ACK>\n");
    std::vector<std::string> const files = WriteFrames(
        kDataBarComposite, {{0, 2.0}, {15, 1.5}, {180, 2.0}, {135, 2.5}, {45, 3.0}, {195, 1.5}}, {}, "tilted");
    std::string const out = run("decode", files).first;
    unsigned const whole = CountWhole(out, files, kDataBarCompositeHex);
    unsigned const none = CountNone(out, files);
    // Five of the six at least (which lines read the linear part moves its
    // sides), and never a linear part sent alone.
    EXPECT_GE(whole, 5u) << out;
    EXPECT_EQ(whole + none, files.size()) << out;
}

// Under perspective the modules at a composite's far side are narrower with
// the square of the scale: the side patterns of one row differed by more
// than the pairing allowed, and the 2D part was never found.
TEST_F(Pdf417ReadRate, CompositeUnderPerspectiveReadsWhole)
{
    ASSERT_EQ(run("command", {"set read/composite_ean:true", "save"}).first, "<ACK>\n<ACK>\n");
    std::vector<std::string> const files =
        WriteFrames({.symbology = BARCODE_EANX_CC, .data = "[99]1234-abcd", .option1 = 1, .inputMode = GS1_MODE,
                     .primary = "331234567890"},
                    {{180, 2.5}, {225, 2.5}, {270, 2.5}}, {.perspectiveX = 0.2, .perspectiveY = 0.1}, "far");
    std::string const out = run("decode", files).first;
    // Two of the three at least: which lines read the EAN-13 moves where
    // its 2D part is sought.
    EXPECT_GE(CountWhole(out, files, "333331323334353637383930331C3939313233342D61626364"), 2u) << out;
}

// Under strong perspective the 2D part's rows lie along neither the lines
// that read the linear part nor square to its bars, and turn on further
// from the bars' ends: the 2D part is sought along the line through those
// ends, turned on as they turn. Drawn as the read-rate bench draws them;
// before, each of these frames gave the linear part alone or nothing.
TEST_F(Pdf417ReadRate, CompositeUnderStrongPerspectiveReadsWhole)
{
    ASSERT_EQ(run("command", {"set read/composite_ean:true", "set read/gs1_composite:true", "save"}).first,
              "<ACK>\n<ACK>\n<ACK>\n");
    support::SymbolInput const ean13{.symbology = BARCODE_EANX_CC, .data = "[99]1234-abcd", .option1 = 1,
                                     .inputMode = GS1_MODE, .primary = "331234567890"};
    support::SymbolInput const gs1128{.symbology = BARCODE_GS1_128_CC, .data = "[10]ABC123", .option1 = 1,
                                      .inputMode = GS1_MODE, .primary = "[01]09501101530003"};
    support::SymbolInput const upcA{.symbology = BARCODE_UPCA_CC, .data = "[10]ABC123[21]XYZ789", .option1 = 2,
                                    .inputMode = GS1_MODE, .primary = "01234567890"};
    std::string const ean = "333331323334353637383930331C3939313233342D61626364";
    std::string const upc = "3031323334353637383930351C31304142433132331D323158595A373839";
    std::string const gs1 = "303130393530313130313533303030331C3130414243313233";
    // All but one at least: which lines read the linear part moves where
    // its bars are followed from.
    ExpectKeystonedReadWhole({
        {"EAN-13 + CC-A", &ean13, 3.0, 105, 80, ean, "13\t]E0\t33333132333435363738393033"},
        {"EAN-13 + CC-A", &ean13, 2.0, 120, 33, ean, "13\t]E0\t33333132333435363738393033"},
        {"EAN-13 + CC-A", &ean13, 2.0, 315, 46, ean, "13\t]E0\t33333132333435363738393033"},
        {"UPC-A + CC-B", &upcA, 3.0, 165, 84, upc, "12\t]E0\t303132333435363738393035"},
        {"UPC-A + CC-B", &upcA, 2.5, 285, 68, upc, "12\t]E0\t303132333435363738393035"},
        {"UPC-A + CC-B", &upcA, 1.5, 45, 4, upc, "12\t]E0\t303132333435363738393035"},
        {"UPC-A + CC-B", &upcA, 2.5, 165, 60, upc, "12\t]E0\t303132333435363738393035"},
        {"GS1-128 + CC-A", &gs1128, 1.5, 90, 7, gs1},
        {"GS1-128 + CC-A", &gs1128, 1.5, 300, 21, gs1},
        {"GS1-128 + CC-A", &gs1128, 1.5, 210, 15, gs1},
        {"GS1-128 + CC-A", &gs1128, 2.0, 345, 48, gs1},
    }, "keystone", 1);
}

// A CC-C seen steeply over its GS1-128: its edge columns are fitted a row
// or two past its rows, and the lines laid there run over the linear bars,
// reading the same chance characters on dozens of lines. Their row
// indicators outvoted the few lines along the rows, named a wrong column
// count, and the 2D part was never read. Poses as the read-rate table draws
// them; none gave a label before.
TEST_F(Pdf417ReadRate, CodeCCompositeSeenSteeplyReadsWhole)
{
    // The read-rate table's board.
    ASSERT_EQ(run("command", {"set readable_medium/positive_and_negative_codes/pdf_417:\"POSITIVE_AND_NEGATIVE\"",
                              "set readable_medium/positive_and_negative_codes/all_1d_and_composite_codes:"
                              "\"POSITIVE_AND_NEGATIVE\"",
                              "set read/composite_ean:true", "set read/gs1_composite:true", "save"})
                  .first,
              "<ACK>\n<ACK>\n<ACK>\n<ACK>\n<ACK>\n");
    support::SymbolInput const input{.symbology = BARCODE_GS1_128_CC, .data = "[99]1234-abcd[21]1234567890",
                                     .option1 = 3, .inputMode = GS1_MODE, .primary = "[01]09501101530003"};
    std::string const hex = "303130393530313130313533303030331C3939313233342D616263641D323131323334353637383930";
    ExpectKeystonedReadWhole({{"CC-C", &input, 1.5, 0, 1, hex},
                              {"CC-C", &input, 1.5, 15, 2, hex},
                              {"CC-C", &input, 1.5, 135, 10, hex},
                              {"CC-C", &input, 1.5, 300, 21, hex},
                              {"CC-C", &input, 2.0, 180, 37, hex},
                              {"CC-C", &input, 2.0, 330, 47, hex}},
                             "steepccc", 0);
}

// Under strong perspective a DataBar label's 2D part lies along neither its
// region's edge nor square to its sides: it is sought along the line
// through its bars' ends, followed from the bars' measured direction. Drawn
// as the read-rate bench draws them; before, each of these frames gave
// nothing.
TEST_F(Pdf417ReadRate, DataBarCompositeUnderStrongPerspectiveReadsWhole)
{
    ASSERT_EQ(run("command", {"set read/gs1_composite:true", "save"}).first, "<ACK>\n<ACK>\n");
    support::SymbolInput const ccB{.symbology = BARCODE_DBAR_OMN_CC, .data = "[10]ABC123[21]XYZ789[99]COMPOSITE",
                                   .option1 = 2, .inputMode = GS1_MODE, .primary = "0950110153000"};
    std::string const ccAHex = kDataBarCompositeHex;
    std::string const ccBHex = "303130393530313130313533303030331C31304142433132331D323158595A3738391D3939434F4D504F53495445";
    // All but one at least: which lines read the linear part moves where
    // its bars are followed from.
    ExpectKeystonedReadWhole({
        {"CC-A", &kDataBarComposite, 1.5, 45, 4, ccAHex},   {"CC-A", &kDataBarComposite, 1.5, 135, 10, ccAHex},
        {"CC-A", &kDataBarComposite, 1.5, 285, 20, ccAHex}, {"CC-A", &kDataBarComposite, 2.0, 180, 37, ccAHex},
        {"CC-A", &kDataBarComposite, 2.5, 15, 50, ccAHex},  {"CC-A", &kDataBarComposite, 3.0, 135, 82, ccAHex},
        {"CC-B", &ccB, 1.5, 165, 12, ccBHex},
    }, "dbkeystone", 1);
}

// A three-column CC-A (over an EAN-8 or a DataBar Limited symbol) has no
// left column: under strong perspective the lines laid between its center
// and right columns cross its rows at a slant, and the row's first
// character, where the modules are widest, lies further out than the mean
// module puts it. Drawn as the read-rate bench draws them; before, each
// gave the linear part alone or nothing.
TEST_F(Pdf417ReadRate, ThreeColumnCcAUnderStrongPerspectiveReadsWhole)
{
    ASSERT_EQ(run("command", {"set read/composite_ean:true", "set read/gs1_composite:true", "save"}).first,
              "<ACK>\n<ACK>\n<ACK>\n");
    support::SymbolInput const ean8{.symbology = BARCODE_EANX_CC, .data = "[99]1234-abcd", .option1 = 1,
                                    .inputMode = GS1_MODE, .primary = "1234567"};
    support::SymbolInput const limited{.symbology = BARCODE_DBAR_LTD_CC, .data = "[10]ABC123", .option1 = 1,
                                       .inputMode = GS1_MODE, .primary = "0950110153000"};
    std::string const ean = "31323334353637301C3939313233342D61626364";
    std::string const gs1 = "303130393530313130313533303030331C3130414243313233";
    std::string const eanAlone = "15\t]E4\t3132333435363730";
    ExpectKeystonedReadWhole({
        {"EAN-8 + CC-A", &ean8, 1.5, 0, 1, ean, eanAlone},     {"EAN-8 + CC-A", &ean8, 1.5, 75, 6, ean, eanAlone},
        {"EAN-8 + CC-A", &ean8, 1.5, 150, 11, ean, eanAlone},  {"EAN-8 + CC-A", &ean8, 2.0, 240, 41, ean, eanAlone},
        {"EAN-8 + CC-A", &ean8, 2.0, 315, 46, ean, eanAlone},  {"Limited + CC-A", &limited, 1.5, 90, 7, gs1},
        {"Limited + CC-A", &limited, 1.5, 240, 17, gs1},       {"Limited + CC-A", &limited, 1.5, 285, 20, gs1},
        {"Limited + CC-A", &limited, 2.0, 195, 38, gs1},
    }, "sheared", 1);
}

// The 2D part over a DataBar Limited symbol shows bars too: the located
// region held both, and lines matched across it turned the scan lines off
// the bars (the linear part went unread), while the label's region, cut
// square to those lines, pointed the 2D part's search astray. None of these
// frames gave a label before.
TEST_F(Pdf417ReadRate, LimitedCompositeReadsWholeWhenTurned)
{
    ASSERT_EQ(run("command", {"set read/gs1_composite:true", "save"}).first, "<ACK>\n<ACK>\n");
    std::vector<std::string> const files =
        WriteFrames({.symbology = BARCODE_DBAR_LTD_CC, .data = "[10]ABC123", .option1 = 1, .inputMode = GS1_MODE,
                     .primary = "0950110153000"},
                    {{15, 1.5}, {60, 2.0}, {75, 2.0}, {105, 1.5}, {165, 1.5}, {15, 2.0}}, {}, "limited");
    std::string const out = run("decode", files).first;
    unsigned const whole = CountWhole(out, files, kDataBarCompositeHex);
    unsigned const none = CountNone(out, files);
    EXPECT_GE(whole, 5u) << out;
    EXPECT_EQ(whole + none, files.size()) << out;
}

// Limited composites turned so that the band the searcher lays over the
// short linear part runs a few degrees off its bars: no line crossed the
// whole symbol, though lines through its middle crossed the check
// character, and a label read along the bars had sides leaning off them.
// Drawn as the read-rate bench draws them (10-bit files, its seeds); none
// of them gave a label before but the last, kept as it was read.
TEST_F(Pdf417ReadRate, LimitedCompositeReadsWholeWhenTheBandLeansOffItsBars)
{
    ASSERT_EQ(run("command", {"set readable_medium/positive_and_negative_codes/all_1d_and_composite_codes:"
                              "\"POSITIVE_AND_NEGATIVE\"",
                              "set read/gs1_composite:true", "save"})
                  .first,
              "<ACK>\n<ACK>\n<ACK>\n");
    support::SymbolInput const limited{.symbology = BARCODE_DBAR_LTD_CC, .data = "[10]ABC123", .option1 = 1,
                                       .inputMode = GS1_MODE, .primary = "0950110153000"};
    struct Case {
        char const* condition;
        double module;
        double angle;
        uint64_t seed;
        double blur = 0;
        int noise = 0;
        bool lowContrast = false;
        bool inverted = false;
    };
    Case const cases[] = {
        {"clean", 1.5, 45, 4},
        {"clean", 1.5, 225, 16},
        {"clean", 1.5, 255, 18},
        {"blurred", 1.5, 150, 11, 0.525},
        {"noisy", 1.5, 0, 1, 0, 25},
        {"noisy", 1.5, 210, 15, 0, 25},
        {"low contrast", 2.0, 105, 32, 0, 0, true},
        {"light on dark", 2.0, 300, 45, 0, 0, false, true},
        {"low contrast", 1.5, 345, 24, 0, 0, true},
    };
    std::vector<std::string> files;
    for (Case const& c : cases) {
        support::RenderOptions o = BenchPose(c.module, c.angle, c.seed);
        o.blur = c.blur;
        o.noise = c.noise;
        o.inverted = c.inverted;
        if (c.lowContrast) {
            o.dark = 380;
            o.light = 620;
        }
        ASSERT_TRUE(AddFrame(limited, o, "leaning", files)) << c.condition;
    }
    std::string const out = run("decode", files).first;
    for (size_t i = 0; i < files.size(); ++i) {
        EXPECT_NE(out.find(files[i] + "\t39\t]e0\t" + kDataBarCompositeHex + "\n"), std::string::npos)
            << cases[i].condition << " " << cases[i].module << " " << cases[i].angle << "\n" << out;
    }
}

// DataBar Expanded Stacked symbols, noisy or light-on-dark, whose bars the
// stacked decoder took for both PDF417 columns: their regions were no longer
// given to the linear decoders, and nothing was read. Drawn as the read-rate
// bench draws them (its seeds).
TEST_F(Pdf417ReadRate, ExpandedStackedTakenForPdf417ColumnsStillReads)
{
    ASSERT_EQ(run("command", {"set readable_medium/positive_and_negative_codes/all_1d_and_composite_codes:"
                              "\"POSITIVE_AND_NEGATIVE\"",
                              "save"})
                  .first,
              "<ACK>\n<ACK>\n");
    struct Case {
        char const* data;
        int columns;
        double module;
        double angle;
        uint64_t seed;
        int noise;
        bool inverted;
        char const* hex;
    };
    Case const cases[] = {
        {"[01]98898765432106[21]ABCDEFGHIJ[10]ABCD", 1, 1.3, 75, 6, 0, true,
         "3031393838393837363534333231303632314142434445464748494A1D313041424344"},
        {"[01]98898765432106[21]ABCDEFGHIJ[10]ABCD", 1, 1.3, 345, 24, 0, true,
         "3031393838393837363534333231303632314142434445464748494A1D313041424344"},
        {"[01]98898765432106[3202]012345[15]991231", 1, 1.3, 345, 24, 25, false,
         "30313938383938373635343332313036333230323031323334353135393931323331"},
        {"[01]98898765432106[3202]012345[15]991231", 1, 2.8, 225, 64, 25, false,
         "30313938383938373635343332313036333230323031323334353135393931323331"},
    };
    std::vector<std::string> files;
    for (Case const& c : cases) {
        support::RenderOptions o = BenchPose(c.module, c.angle, c.seed);
        o.noise = c.noise;
        o.inverted = c.inverted;
        ASSERT_TRUE(AddFrame({.symbology = BARCODE_DBAR_EXPSTK, .data = c.data, .option2 = c.columns,
                              .inputMode = GS1_MODE},
                             o, "expanded_stacked", files));
    }
    std::string const out = run("decode", files).first;
    for (size_t i = 0; i < files.size(); ++i) {
        EXPECT_NE(out.find(files[i] + "\t16\t]e0\t" + cases[i].hex + "\n"), std::string::npos)
            << cases[i].module << " " << cases[i].angle << "\n" << out;
    }
}

// Blurred GS1-128 composites turned near 45 degrees: the runs of the Code
// 128 bars under the search area passed for the 2D part's row patterns,
// and from the heights first tried the 2D part was not found (the linked
// label was withheld). None of them gave a label before.
TEST_F(Pdf417ReadRate, BlurredCode128CompositeReadsWhole)
{
    ASSERT_EQ(run("command", {"set read/gs1_composite:true", "save"}).first, "<ACK>\n<ACK>\n");
    support::SymbolInput const gs1128{.symbology = BARCODE_GS1_128_CC, .data = "[10]ABC123", .option1 = 1,
                                      .inputMode = GS1_MODE, .primary = "[01]09501101530003"};
    struct Case {
        double module;
        double angle;
        uint64_t seed;
    };
    Case const cases[] = {
        {2.5, 315, 58}, {3.0, 45, 64}, {3.0, 135, 70}, {3.0, 225, 76}, {3.0, 315, 82},
    };
    std::vector<std::string> files;
    for (Case const& c : cases) {
        support::RenderOptions o = BenchPose(c.module, c.angle, c.seed);
        o.blur = 0.35 * c.module;
        ASSERT_TRUE(AddFrame(gs1128, o, "blurred", files));
    }
    std::string const out = run("decode", files).first;
    for (size_t i = 0; i < files.size(); ++i) {
        EXPECT_NE(out.find(files[i] + "\t39\t]e0\t" + kDataBarCompositeHex + "\n"), std::string::npos)
            << cases[i].module << " " << cases[i].angle << "\n" << out;
    }
}

// A blurred DataBar Expanded label read on a single line has a region of no
// height: its sides could not meet the 2D part's top edge, and the composite,
// read whole, was dropped.
TEST_F(Pdf417ReadRate, ExpandedCompositeReadOnOneLineKeepsItsLabel)
{
    ASSERT_EQ(run("command", {"set read/gs1_composite:true", "save"}).first, "<ACK>\n<ACK>\n");
    std::vector<std::string> const files =
        WriteFrames({.symbology = BARCODE_DBAR_EXP_CC, .data = "[10]ABC123[21]XYZ789[99]COMPOSITE", .option1 = 2,
                     .inputMode = GS1_MODE, .primary = "[01]09501101530003[3103]000123"},
                    {{0, 1.5}, {15, 1.5}, {30, 1.5}, {45, 1.5}, {180, 1.5}, {225, 1.5}}, {.blur = 0.525}, "expanded");
    std::string const out = run("decode", files).first;
    unsigned const whole = CountWhole(out, files,
                                      "30313039353031313031353330303033333130333030303132331C3130414243313233"
                                      "1D323158595A3738391D3939434F4D504F53495445");
    EXPECT_GE(whole, 5u) << out;
    EXPECT_EQ(whole + CountNone(out, files), files.size()) << out;
}

// Noisy frames of every composite kind that gave no whole label before: noise
// over the plain ground beside the symbol made chance side pattern pairs that
// outvoted the 2D part's own, regions laid along DataBar finder bars used up
// the turns of the pair's own regions, and a misread row address number
// chose a CC-A size. Drawn as the read-rate bench draws
// them (10-bit files, its seeds).
TEST_F(Pdf417ReadRate, NoisyCompositesReadWhole)
{
    ASSERT_EQ(run("command", {"set read/composite_ean:true", "set read/gs1_composite:true", "save"}).first,
              "<ACK>\n<ACK>\n<ACK>\n");
    support::SymbolInput const ean8{.symbology = BARCODE_EANX_CC, .data = "[99]1234-abcd", .option1 = 1,
                                    .inputMode = GS1_MODE, .primary = "1234567"};
    support::SymbolInput const ean13{.symbology = BARCODE_EANX_CC, .data = "[99]1234-abcd", .option1 = 1,
                                     .inputMode = GS1_MODE, .primary = "331234567890"};
    support::SymbolInput const gs1128{.symbology = BARCODE_GS1_128_CC, .data = "[10]ABC123", .option1 = 1,
                                      .inputMode = GS1_MODE, .primary = "[01]09501101530003"};
    support::SymbolInput const upcA{.symbology = BARCODE_UPCA_CC, .data = "[10]ABC123[21]XYZ789", .option1 = 2,
                                    .inputMode = GS1_MODE, .primary = "01234567890"};
    support::SymbolInput const omniB{.symbology = BARCODE_DBAR_OMN_CC, .data = "[10]ABC123[21]XYZ789[99]COMPOSITE",
                                     .option1 = 2, .inputMode = GS1_MODE, .primary = "0950110153000"};
    support::SymbolInput const limited{.symbology = BARCODE_DBAR_LTD_CC, .data = "[10]ABC123", .option1 = 1,
                                       .inputMode = GS1_MODE, .primary = "0950110153000"};
    support::SymbolInput const expanded{.symbology = BARCODE_DBAR_EXP_CC, .data = "[10]ABC123", .option1 = 1,
                                        .inputMode = GS1_MODE, .primary = "[01]09501101530003[3103]000123"};
    std::string const ean = "31323334353637301C3939313233342D61626364";
    std::string const gs1 = "303130393530313130313533303030331C3130414243313233";
    struct Case {
        char const* name;
        support::SymbolInput const* input;
        double module;
        double angle;
        uint64_t seed;
        std::string hex;
        std::string alone = "";  // identifier and data of UPC/EAN digits read alone
    };
    Case const cases[] = {
        {"EAN-8 + CC-A", &ean8, 2.0, 300, 45, ean, "15\t]E4\t3132333435363730"},
        {"EAN-8 + CC-A", &ean8, 1.5, 285, 20, ean, "15\t]E4\t3132333435363730"},
        {"EAN-13 + CC-A", &ean13, 1.5, 255, 18, "333331323334353637383930331C3939313233342D61626364",
         "13\t]E0\t33333132333435363738393033"},
        {"GS1-128 + CC-A", &gs1128, 1.5, 225, 16, gs1},
        {"GS1-128 + CC-A", &gs1128, 1.5, 75, 6, gs1},
        {"UPC-A + CC-B", &upcA, 2.0, 120, 33,
         "3031323334353637383930351C31304142433132331D323158595A373839", "12\t]E0\t303132333435363738393035"},
        {"Omnidirectional + CC-A", &kDataBarComposite, 1.5, 105, 8, kDataBarCompositeHex},
        {"Omnidirectional + CC-A", &kDataBarComposite, 1.5, 0, 1, kDataBarCompositeHex},
        {"Omnidirectional + CC-B", &omniB, 2.0, 240, 41,
         "303130393530313130313533303030331C31304142433132331D323158595A3738391D3939434F4D504F53495445"},
        {"Omnidirectional + CC-B", &omniB, 2.5, 195, 62,
         "303130393530313130313533303030331C31304142433132331D323158595A3738391D3939434F4D504F53495445"},
        {"Limited + CC-A", &limited, 2.0, 90, 31, gs1},
        // One misread row address number let a tall size outvote the
        // 3-column CC-A's own.
        {"Limited + CC-A", &limited, 3.0, 0, 73, gs1},
        {"Expanded + CC-A", &expanded, 1.5, 300, 21,
         "30313039353031313031353330303033333130333030303132331C3130414243313233"},
    };
    std::vector<std::string> files;
    for (Case const& c : cases) {
        support::RenderOptions o = BenchPose(c.module, c.angle, c.seed);
        o.noise = 25;
        ASSERT_TRUE(AddFrame(*c.input, o, "noisy", files)) << c.name;
    }
    std::string const out = run("decode", files).first;
    unsigned whole = 0;
    for (size_t i = 0; i < files.size(); ++i) {
        bool const read = out.find(files[i] + "\t39\t]e0\t" + cases[i].hex + "\n") != std::string::npos;
        bool const none = out.find(files[i] + "\t-\n") != std::string::npos;
        // UPC/EAN digits carry no link flag and may go out alone; a linked
        // linear part never does, nor anything but the symbol's data.
        bool const alone = !cases[i].alone.empty() &&
                           out.find(files[i] + "\t" + cases[i].alone + "\n") != std::string::npos;
        EXPECT_TRUE(read || none || alone) << cases[i].name << " " << cases[i].module << " " << cases[i].angle << "\n" << out;
        whole += read ? 1u : 0u;
    }
    // All but one at least: which lines read the linear part moves where
    // the 2D part is sought.
    EXPECT_GE(whole + 1, files.size()) << out;
}

}  // namespace

// MicroPDF417 row ends are paired first where data was read beside both
// patterns, then (blur) where it was read beside one, and under perspective
// with their modules further apart: each kind of frame reads its label, and
// no frame a wrong one.
TEST_F(Pdf417ReadRate, MicroPDF417BlurredOrUnderPerspectiveReadsWhole)
{
    ASSERT_EQ(run("command", {"set read/micro_pdf417:true", "save"}).first, "<ACK>\n<ACK>\n");
    struct Case {
        char const* name;
        char const* data;
        int columns;
        double angle;
        double module;
        double blur;
        double perspectiveX;
        double perspectiveY;
    };
    Case const cases[] = {
        {"2 columns, blurred", "Two columns 12345", 2, 30, 2.5, 1.0, 0, 0},
        {"2 columns, blurred", "Two columns 12345", 2, 120, 2.0, 0.9, 0, 0},
        {"3 columns, blurred", "THREE COLUMNS 0123456789", 3, 15, 2.5, 1.0, 0, 0},
        {"3 columns, blurred", "THREE COLUMNS 0123456789", 3, 210, 2.0, 0.9, 0, 0},
        // Blurred so that the characters beside one end of most rows read
        // no longer: only the looser pairs find the columns.
        {"4 columns, blurred", "FOUR COLUMNS 1234567890", 4, 100, 2.0, 1.2, 0, 0},
        {"4 columns, blurred", "FOUR COLUMNS 1234567890", 4, 100, 2.5, 1.5, 0, 0},
        {"2 columns, perspective", "Two columns 12345", 2, 10, 2.5, 0, 0.2, 0.1},
        {"2 columns, perspective", "Two columns 12345", 2, 0, 3.0, 0, 0.2, 0.1},
        {"3 columns, perspective", "THREE COLUMNS 0123456789", 3, 240, 2.0, 0, 0.2, 0.1},
        {"3 columns, perspective", "THREE COLUMNS 0123456789", 3, 240, 3.0, 0, 0.2, 0.1},
    };
    std::vector<std::string> files;
    for (Case const& c : cases) {
        support::RenderOptions o;
        o.angle = c.angle;
        o.moduleSize = c.module;
        o.blur = c.blur;
        o.perspectiveX = c.perspectiveX;
        o.perspectiveY = c.perspectiveY;
        o.seed = files.size() + 1;
        support::Rendering const r =
            support::render({.symbology = BARCODE_MICROPDF417, .data = c.data, .option2 = c.columns}, o);
        ASSERT_TRUE(r.symbol.ok) << c.name << ": " << r.symbol.error;
        files.push_back((directory_ / ("micro" + std::to_string(files.size()) + ".png")).string());
        ASSERT_TRUE(support::writePng(files.back(), r.frame, support::FileDepth::Bits8));
    }
    std::string const out = run("decode", files).first;
    for (size_t i = 0; i < files.size(); ++i) {
        size_t const at = out.find(files[i] + "\t");
        ASSERT_NE(at, std::string::npos) << out;
        std::string const line = out.substr(at, out.find('\n', at) - at);
        std::string const hex = line.substr(line.rfind('\t') + 1);
        std::string text;
        for (size_t k = 0; k + 1 < hex.size() && hex != "-"; k += 2) {
            text.push_back(static_cast<char>(std::stoi(hex.substr(k, 2), nullptr, 16)));
        }
        EXPECT_EQ(text, cases[i].data) << cases[i].name << " at " << cases[i].angle << ", module " << cases[i].module;
    }
}
// Keystoned so far that the regions located over the symbol lie at a slant
// to its rows and show neither edge column along themselves: the stacked
// decoder, whose lines meet a start or stop column at any angle, reads them
// before the linear decoders take their time over the rows.
TEST_F(Pdf417ReadRate, StronglyKeystonedSymbolsLocatedInFragmentsRead)
{
    std::string const data = "Read rate of PDF417 at level 3, six columns";
    std::vector<std::string> files;
    for (Pose const pose : {Pose{15, 2.0}, Pose{45, 2.0}, Pose{105, 2.0}, Pose{120, 2.0}, Pose{255, 1.5},
                            Pose{300, 2.0}}) {
        support::RenderOptions o;
        o.angle = pose.angle;
        o.moduleSize = pose.module;
        o.perspectiveX = 0.2;
        o.perspectiveY = 0.1;
        ASSERT_TRUE(AddFrame({.symbology = BARCODE_PDF417, .data = data, .option1 = 3, .option2 = 6}, o, "keystone",
                             files));
    }
    std::string const out = run("decode", files).first;
    std::string hex;
    for (unsigned char const c : data) {
        char byte[3];
        std::snprintf(byte, sizeof byte, "%02X", c);
        hex += byte;
    }
    for (std::string const& file : files) {
        EXPECT_NE(out.find(file + "\t31\t]L2\t" + hex + "\n"), std::string::npos) << file << "\n" << out;
    }
}

// Keystoned so steeply at small modules that the far edge column stands
// short and turned well away from the near one, its modules under a pixel
// wide along the search lines: its pattern reads on a line here and there
// only, and the rows are read once lines laid densely about those sightings
// (or a fan of ray bundles) find the column whole. Poses as the read-rate
// table draws them.
TEST_F(Pdf417ReadRate, FarColumnOfNarrowModulesFoundUnderSteepPerspective)
{
    std::string const data = "Read rate of PDF417 at level 3, six columns";
    struct Case {
        double angle;
        uint64_t seed;
    };
    Case const cases[] = {{45, 4}, {60, 5}, {135, 10}, {150, 11}, {225, 16}, {330, 23}};
    std::vector<std::string> files;
    for (Case const& c : cases) {
        support::RenderOptions o = BenchPose(1.5, c.angle, c.seed);
        o.perspectiveX = 0.2;
        o.perspectiveY = 0.1;
        ASSERT_TRUE(AddFrame({.symbology = BARCODE_PDF417, .data = data, .option1 = 3, .option2 = 6}, o, "farcolumn",
                             files));
    }
    std::string const out = run("decode", files).first;
    std::string hex;
    for (unsigned char const c : data) {
        char byte[3];
        std::snprintf(byte, sizeof byte, "%02X", c);
        hex += byte;
    }
    for (size_t i = 0; i < files.size(); ++i) {
        EXPECT_NE(out.find(files[i] + "\t31\t]L2\t" + hex + "\n"), std::string::npos)
            << "at " << cases[i].angle << "\n" << out;
    }
}

// MicroPDF417 keystoned so steeply that its rows run far off the bars'
// normal and fan apart, as the read-rate table draws it: no search line
// follows a row from one side column to the other, and the symbol is read
// within the outline of its ink. Every size, and no wrong label.
TEST_F(Pdf417ReadRate, MicroPDF417SeenSteeplyReadsWithinItsOutline)
{
    ASSERT_EQ(run("command", {"set read/micro_pdf417:true", "save"}).first, "<ACK>\n<ACK>\n");
    struct Case {
        char const* data;
        int columns;
        double angle;
        double module;
    };
    Case const cases[] = {
        {"MicroPDF417", 1, 30, 2.5},
        {"MicroPDF417", 1, 195, 3.0},
        {"Two columns 12345", 2, 75, 2.5},
        {"THREE COLUMNS 0123456789", 3, 135, 2.5},
        {"FOUR COLUMNS 1234567890", 4, 45, 2.5},
        {"FOUR COLUMNS 1234567890", 4, 150, 3.0},
        {"FOUR COLUMNS 1234567890", 4, 270, 2.5},
        {"FOUR COLUMNS 1234567890", 4, 315, 3.0},
    };
    std::vector<std::string> files;
    for (Case const& c : cases) {
        support::RenderOptions o = BenchPose(c.module, c.angle, files.size() + 1);
        o.perspectiveX = 0.2;
        o.perspectiveY = 0.1;
        ASSERT_TRUE(AddFrame({.symbology = BARCODE_MICROPDF417, .data = c.data, .option2 = c.columns}, o, "steep",
                             files));
    }
    std::string const out = run("decode", files).first;
    for (size_t i = 0; i < files.size(); ++i) {
        std::string hex;
        for (unsigned char const ch : std::string(cases[i].data)) {
            char byte[3];
            std::snprintf(byte, sizeof byte, "%02X", ch);
            hex += byte;
        }
        EXPECT_NE(out.find(files[i] + "\t32\t]L3\t" + hex + "\n"), std::string::npos)
            << cases[i].columns << " columns at " << cases[i].angle << ", module " << cases[i].module << "\n"
            << out;
    }
}
