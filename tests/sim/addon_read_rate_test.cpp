// UPC/EAN add-ons through scanner-sim decode, as a user meets them: a board
// prepared with set commands, zint labels at every 15 degrees, 1.5 to 3 pixels
// a module, clean, blurred and noisy. A symbol with its add-on must read about
// as often as the same symbol without one, and only whole.
#include "tests/sim/sim_program_fixture.h"
#include "tests/support/image_file.h"
#include "tests/support/symbol_renderer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

struct Form {
    char const* name;
    int symbology;
    char const* main;   // zint input without the add-on
    char const* addon;  // digits after '+'
    char const* text;   // the label's text without the add-on
};

// Each symbol with and without its add-on. UPC-A and UPC-E labels carry the
// check digit; UPC-E also its number system digit.
std::vector<Form> const kForms = {
    {"EAN-13+2", BARCODE_EANX, "590123412345", "12", "5901234123457"},
    {"EAN-13+5", BARCODE_EANX, "978316148410", "51999", "9783161484100"},
    {"UPC-A+2", BARCODE_UPCA, "03600029145", "07", "036000291452"},
    {"UPC-A+5", BARCODE_UPCA, "03600029145", "90000", "036000291452"},
    {"UPC-E+2", BARCODE_UPCE, "0425261", "24", "04252614"},
    {"UPC-E+5", BARCODE_UPCE, "0123465", "54321", "01234657"},
    {"EAN-8+2", BARCODE_EANX, "9638507", "33", "96385074"},
    {"EAN-8+5", BARCODE_EANX, "9638507", "12345", "96385074"},
};

// Every add-on key on: the plain symbols stay readable as they are by default.
std::vector<std::string> AddonKeys()
{
    std::vector<std::string> keys;
    for (char const* group : {"ean13", "upc_a", "upc_e", "upc_e1", "ean8"}) {
        for (char const* size : {"addon2", "addon5"}) {
            keys.push_back(std::string("set read/") + group + "_" + size + ":true");
        }
    }
    return keys;
}

struct Condition {
    char const* name;
    double blur;
    double noise;
    bool inverted = false;
};

std::vector<Condition> const kConditions = {{"clean", 0.0, 0.0}, {"blurred", 0.8, 0.0}, {"noisy", 0.0, 30.0}};
std::vector<Condition> const kLightOnDark = {{"light on dark", 0.0, 0.0, true}};

std::vector<double> const kModules = {1.5, 2.0, 2.5, 3.0};

class AddonReadRate : public sim_test::SimProgramTest {
public:
    void Prepare(std::string const& board, std::vector<std::string> commands)
    {
        commands.push_back("save");
        std::string expected;
        for (size_t i = 0; i < commands.size(); ++i) {
            expected += "<ACK>\n";
        }
        ASSERT_EQ(run("command", commands, board).first, expected);
    }

    // One image: its file and the texts a whole read and a main-only read give.
    struct Shot {
        std::string file;
        std::string whole;
        std::string main;
        bool addon;
        std::string row;  // the table row it counts in
    };

    // Writes the image unless the label with ten modules of quiet zone either
    // side leaves the frame (the camera would be moved back for it).
    bool Shoot(Form const& form, bool addon, int gap, Condition const& c, double module, double angle,
               std::vector<Shot>& shots)
    {
        support::SymbolInput input;
        input.symbology = form.symbology;
        input.data = std::string(form.main) + (addon ? std::string("+") + form.addon : std::string());
        input.option2 = addon ? gap : 0;
        input.height = 30.0f;
        support::RenderOptions o;
        o.moduleSize = module;
        o.angle = angle;
        o.blur = c.blur;
        o.noise = c.noise;
        o.inverted = c.inverted;
        o.seed = shots.size() + 1;
        support::Rendering const r = support::render(input, o);
        EXPECT_TRUE(r.symbol.ok) << input.data << ": " << r.symbol.error;
        double const w = r.symbol.widthModules;
        double const h = r.symbol.heightModules;
        for (support::Point const p : {support::Point{-10, 0}, support::Point{w + 10, 0}, support::Point{-10, h},
                                       support::Point{w + 10, h}}) {
            support::Point const f = r.symbol.toFrame(p);
            if (f.x < 0 || f.y < 0 || f.x > r.frame.width - 1 || f.y > r.frame.height - 1) {
                return false;
            }
        }
        // The name tells what the image shows, for a look at a miss.
        char name[96];
        std::snprintf(name, sizeof name, "%zu-%s-%s-%g-deg-%g-px-gap-%d.png", shots.size(), addon ? "addon" : "plain",
                      c.name, angle, module, addon ? gap : 0);
        std::string const file = (directory_ / name).string();
        EXPECT_TRUE(support::writePng(file, r.frame, support::FileDepth::Bits8));
        std::string const main = form.text;
        shots.push_back({file, main + (addon ? form.addon : ""), main, addon, ""});
        return true;
    }

    // The texts decode gave per file.
    std::map<std::string, std::vector<std::string>> Decode(std::string const& board, std::vector<Shot> const& shots)
    {
        // A few hundred files a run: the shell takes a command line of at most 128 KiB.
        std::string out;
        for (size_t first = 0; first < shots.size(); first += kFilesPerRun) {
            std::vector<std::string> files;
            for (size_t i = first; i < shots.size() && i < first + kFilesPerRun; ++i) {
                files.push_back(shots[i].file);
            }
            out += run("decode", files, board).first;
        }
        std::map<std::string, std::vector<std::string>> labels;
        size_t at = 0;
        while (at < out.size()) {
            size_t const end = out.find('\n', at);
            std::string const line = out.substr(at, end - at);
            at = end == std::string::npos ? out.size() : end + 1;
            std::vector<std::string> fields;
            for (size_t p = 0;;) {
                size_t const tab = line.find('\t', p);
                fields.push_back(line.substr(p, tab - p));
                if (tab == std::string::npos) {
                    break;
                }
                p = tab + 1;
            }
            if (fields.size() >= 4) {
                std::string text;
                for (size_t i = 0; i + 1 < fields[3].size(); i += 2) {
                    text.push_back(static_cast<char>(std::stoi(fields[3].substr(i, 2), nullptr, 16)));
                }
                labels[fields[0]].push_back(text);
            }
        }
        return labels;
    }

    static constexpr size_t kFilesPerRun = 500;
};

struct Tally {
    unsigned tried = 0;
    unsigned whole = 0;
    unsigned mainOnly = 0;
    unsigned wrong = 0;
};

// The same labels with and without add-on, under every condition, at the
// given angles. With everySize each angle is shown at every module size;
// otherwise at one, the sizes taken in turn (and shifted from one symbol and
// condition to the next), so that each size meets every quarter turn.
void Collect(AddonReadRate& test, std::vector<Condition> const& conditions, std::vector<double> const& angles,
             bool everySize, std::vector<AddonReadRate::Shot>& shots)
{
    for (size_t f = 0; f < kForms.size(); ++f) {
        Form const& form = kForms[f];
        for (size_t k = 0; k < conditions.size(); ++k) {
            Condition const& c = conditions[k];
            for (size_t a = 0; a < angles.size(); ++a) {
                for (size_t m = 0; m < kModules.size(); ++m) {
                    if (!everySize && m != (a + k + f) % kModules.size()) {
                        continue;
                    }
                    // The add-on gap goes through every width a printer may leave.
                    int const gap = static_cast<int>(7 + (a / 4 + m + f + k) % 6);
                    size_t const before = shots.size();
                    if (!test.Shoot(form, true, gap, c, kModules[m], angles[a], shots)) {
                        continue;
                    }
                    if (!test.Shoot(form, false, gap, c, kModules[m], angles[a], shots)) {
                        shots.resize(before);
                        continue;
                    }
                    std::string const row = std::string(form.name) + ", " + c.name;
                    shots[before].row = row;
                    shots[before + 1].row = row;
                }
            }
        }
    }
}

// Prints the rates per row and returns them per row: [0] with add-on, [1] without.
std::map<std::string, Tally[2]> Score(std::vector<AddonReadRate::Shot> const& shots,
                                      std::map<std::string, std::vector<std::string>> const& labels)
{
    std::map<std::string, Tally[2]> rows;
    for (AddonReadRate::Shot const& s : shots) {
        Tally& t = rows[s.row][s.addon ? 0 : 1];
        ++t.tried;
        auto const found = labels.find(s.file);
        bool whole = false;
        bool mainOnly = false;
        bool other = false;
        if (found != labels.end()) {
            for (std::string const& text : found->second) {
                whole = whole || text == s.whole;
                mainOnly = mainOnly || (s.addon && text == s.main);
                other = other || (text != s.whole && !(s.addon && text == s.main));
            }
        }
        t.whole += whole ? 1 : 0;
        t.mainOnly += mainOnly ? 1 : 0;
        t.wrong += other ? 1 : 0;
    }
    return rows;
}

double Rate(Tally const& t) { return t.tried == 0 ? 0.0 : 100.0 * t.whole / t.tried; }

void Add(Tally& sum, Tally const& t)
{
    sum.tried += t.tried;
    sum.whole += t.whole;
    sum.mainOnly += t.mainOnly;
    sum.wrong += t.wrong;
}

// Rows of a few images each are printed; the rates are judged per symbol (its
// conditions together) and over all.
void Compare(std::map<std::string, Tally[2]> const& rows, char const* title)
{
    std::printf("\n%s\n%-24s %14s %14s %10s\n", title, "symbol, condition", "with add-on", "without", "main only");
    Tally all[2];
    std::map<std::string, Tally[2]> symbols;
    for (auto const& [row, t] : rows) {
        std::printf("%-24s %4u/%-4u %4.0f%% %4u/%-4u %4.0f%% %10u\n", row.c_str(), t[0].whole, t[0].tried, Rate(t[0]),
                    t[1].whole, t[1].tried, Rate(t[1]), t[0].mainOnly);
        EXPECT_EQ(t[0].wrong + t[1].wrong, 0u) << row;
        Tally* symbol = symbols[row.substr(0, row.find(','))];
        for (int k = 0; k < 2; ++k) {
            Add(all[k], t[k]);
            Add(symbol[k], t[k]);
        }
    }
    std::printf("%-24s %4u/%-4u %4.0f%% %4u/%-4u %4.0f%% %10u\n", "all", all[0].whole, all[0].tried, Rate(all[0]),
                all[1].whole, all[1].tried, Rate(all[1]), all[0].mainOnly);
    for (auto const& [symbol, t] : symbols) {
        EXPECT_GE(Rate(t[0]) + 10.0, Rate(t[1])) << symbol;
    }
    EXPECT_GE(Rate(all[0]) + 5.0, Rate(all[1]));
    // The plain symbols themselves read: the comparison is not between two failures.
    EXPECT_GE(Rate(all[1]), 80.0);
}

// Every 30 degrees from `first`: two tests starting 15 degrees apart meet
// every 15 degrees between them at half the frames each.
std::vector<double> EveryThirtyDegreesFrom(int first)
{
    std::vector<double> angles;
    for (int a = first; a < 360; a += 30) {
        angles.push_back(a);
    }
    return angles;
}

TEST_F(AddonReadRate, CodeSearcherReadsAddonsAsOftenAsThePlainSymbols)
{
    Prepare("board", AddonKeys());
    std::vector<Shot> shots;
    Collect(*this, kConditions, EveryThirtyDegreesFrom(0), false, shots);
    Compare(Score(shots, Decode("board", shots)), "code searcher (HANDY), add-on keys on");
}

TEST_F(AddonReadRate, FixedBandReadsAddonsAsOftenAsThePlainSymbols)
{
    std::vector<std::string> commands = AddonKeys();
    commands.push_back("set detail_of_decoder/code_search_mode:\"FIX_MOUNT\"");
    Prepare("board", commands);
    std::vector<Shot> shots;
    Collect(*this, kConditions, {0.0, 180.0}, true, shots);
    Compare(Score(shots, Decode("board", shots)), "fixed band (FIX_MOUNT), add-on keys on");
}

// With the plain forms off, an add-on is required: a symbol without one, or
// whose add-on was missed, gives nothing.
TEST_F(AddonReadRate, RequiredAddonsNeverGiveTheMainSymbolAlone)
{
    std::vector<std::string> commands = AddonKeys();
    for (char const* key : {"ean13", "upc_a", "upc_e", "upc_e1", "ean8"}) {
        commands.push_back(std::string("set read/") + key + ":false");
    }
    Prepare("board", commands);
    std::vector<Shot> shots;
    Collect(*this, kConditions, EveryThirtyDegreesFrom(15), false, shots);
    auto const labels = Decode("board", shots);
    unsigned whole = 0;
    unsigned tried = 0;
    for (Shot const& s : shots) {
        auto const found = labels.find(s.file);
        std::vector<std::string> const none;
        std::vector<std::string> const& texts = found == labels.end() ? none : found->second;
        for (std::string const& text : texts) {
            EXPECT_TRUE(s.addon && text == s.whole) << s.row << ": '" << text << "' from " << s.file;
        }
        if (s.addon) {
            ++tried;
            whole += texts.size() == 1 && texts[0] == s.whole ? 1 : 0;
        }
    }
    std::printf("\nadd-on required: %u/%u read whole\n", whole, tried);
    // About as often as where the add-on is optional (96% when last measured).
    EXPECT_GE(100 * whole, 90 * tried);
}

// Light-on-dark labels read whole where the polarity setting allows them,
// and not at all where it does not.
TEST_F(AddonReadRate, LightOnDarkAddonsReadWhereThePolaritySettingAllowsThem)
{
    std::vector<std::string> commands = AddonKeys();
    Prepare("positive", commands);
    commands.push_back(
        "set readable_medium/positive_and_negative_codes/all_1d_and_composite_codes:\"POSITIVE_AND_NEGATIVE\"");
    Prepare("both", commands);
    std::vector<Shot> shots;
    Collect(*this, kLightOnDark, {0.0, 60.0, 135.0, 200.0, 270.0, 315.0}, false, shots);
    Compare(Score(shots, Decode("both", shots)), "light on dark, both polarities on");
    for (auto const& [file, texts] : Decode("positive", shots)) {
        ADD_FAILURE() << file << " read with light-on-dark labels off: " << texts.front();
    }
}

}  // namespace
