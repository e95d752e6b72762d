// The place where data-editing programs plug into the label road: what they
// are shown, which of their outputs is taken, and which prefix and suffix go
// with it.

#include <map>
#include <set>
#include <string>
#include <vector>

#include "decoder/core/identifiers/code128_identifier.h"
#include "decoder/core/identifiers/code39_identifiers.h"
#include "format/data_edit/ride_zodoz.h"
#include "tests/format/formatter_test_fixture.h"

namespace formatter_test {
namespace {

using DEC2DIvra::Code128Identifier;
using DEC2DIvra::Code39Identifier;
using DEC2DIvra::CommonSymbologyIdentifier;

class RecordingPrograms : public DataEditPrograms {
public:
    std::set<unsigned> installed;
    std::map<unsigned, int> matchResult; // by program; kNotMatched when absent
    std::set<unsigned> possible;
    int outputResult = 0;
    bool collectorHasRoom = true;
    unsigned gs1Mode = 0;

    std::vector<std::vector<std::uint32_t>> collected;
    std::vector<std::string> aims;
    std::vector<DecodeDataByte> identifiers;
    std::vector<unsigned> matched;
    int emptied = 0;
    std::vector<std::pair<std::string, std::string>> configs;
    std::vector<unsigned> cleared;

    bool IsInstalled(unsigned program) const override { return installed.count(program) != 0; }
    bool Collect(const DataEditLabel& label) override
    {
        collected.emplace_back();
        for (unsigned i = 0; i < label.count; ++i)
            collected.back().push_back(label.cells[i].GetValue());
        aims.emplace_back(reinterpret_cast<const char*>(label.aim), label.aimLength);
        identifiers.push_back(label.identifier);
        return collectorHasRoom;
    }
    void EmptyCollector() override { ++emptied; }
    int Matches(unsigned program, const DataEditLabel&) override
    {
        matched.push_back(program);
        const auto found = matchResult.find(program);
        return found != matchResult.end() ? found->second : kNotMatched;
    }
    bool IsPossibleToOutput(unsigned program) const override { return possible.count(program) != 0; }
    // The program's number, then a pause and a key, as cells.
    int Output(unsigned program, DecodeDataByte* cells, unsigned room, unsigned& count) override
    {
        const std::uint32_t out[] = {'0' + program, 0x00E00103, 0xE003E0B0};
        count = 0;
        for (std::uint32_t v : out) {
            if (count < room)
                cells[count++] = DecodeDataByte::NewCharacter(static_cast<unsigned long>(v));
        }
        return outputResult;
    }
    int SetConfig(unsigned program, const unsigned char* pattern, const unsigned char* format) override
    {
        configs.emplace_back(reinterpret_cast<const char*>(pattern), reinterpret_cast<const char*>(format));
        return program == kGs1Program && pattern[0] == '!' ? 2 : 0;
    }
    void ClearProgram(unsigned program) override { cleared.push_back(program); }
    unsigned Gs1OutputMode() const override { return gs1Mode; }
};

std::vector<std::uint32_t> PlainCells(const std::string& text)
{
    return std::vector<std::uint32_t>(reinterpret_cast<const unsigned char*>(text.data()),
                                      reinterpret_cast<const unsigned char*>(text.data()) + text.size());
}

class DataEditTest : public FormatterTest {
protected:
    RecordingPrograms programs;

    void SetUp() override
    {
        FormatterTest::SetUp();
        formatter.SetDataEditPrograms(&programs);
        Set("string/common_prefix:\"P\"");
        Set("string/code128/prefix:\"<\"");
        Set("string/gs1_128/prefix:\"<\"");
    }
    void Install(unsigned program, bool possible = true)
    {
        programs.installed.insert(program);
        programs.matchResult[program] = DataEditPrograms::kMatched;
        if (possible)
            programs.possible.insert(program);
    }
};

TEST_F(DataEditTest, ProgramsSeeGs1SeparatorsAsFnc1CellsAndTheirOutputGoesOut)
{
    Install(1);
    ASSERT_EQ(Read(Code128Identifier(1), "0112\x1d"
                                         "10A"),
              1);
    ASSERT_EQ(programs.collected.size(), 1u);
    const std::uint32_t fnc1 = DecodeDataByte::kFnc1;
    EXPECT_EQ(programs.collected[0], (std::vector<std::uint32_t>{fnc1, '0', '1', '1', '2', fnc1, '1', '0', 'A'}));
    EXPECT_EQ(programs.aims[0], "]C1");
    EXPECT_EQ(programs.identifiers[0].GetValue(), static_cast<std::uint32_t>('T'));
    // A data-editing program brings the common prefix but not the symbology's.
    EXPECT_EQ(host.pushed, (Units{Bytes("P"), Bytes("1"), OutputBufferData{OutputBufferData::Pause, {}, {3}},
                                  CodePoints({0xE0B0}), GoodRead()}));
    EXPECT_EQ(programs.emptied, 1);

    programs.collected.clear();
    ASSERT_EQ(Read(Code128Identifier(0), "AB\x1d"), 1);
    EXPECT_EQ(programs.collected[0], PlainCells("AB\x1d"));
}

TEST_F(DataEditTest, Gs1ProgramBringsTheSymbologyAffixesOnlyInAnOutputMode)
{
    Install(5);
    ASSERT_EQ(Read(Code128Identifier(1), "01"), 1);
    EXPECT_EQ(host.pushed.at(1), Bytes("5"));
    host.Clear();
    programs.gs1Mode = 4;
    ASSERT_EQ(Read(Code128Identifier(1), "01"), 1);
    EXPECT_EQ(host.pushed.at(1), Bytes("<"));
    EXPECT_EQ(host.pushed.at(2), Bytes("5"));
}

TEST_F(DataEditTest, LowestMatchedProgramThatCanOutputIsTaken)
{
    Install(2, false);
    Install(4);
    Install(5);
    programs.installed.insert(3); // installed, not matching
    ASSERT_EQ(Read(Code39Identifier(0), "X"), 1);
    EXPECT_EQ(programs.matched, (std::vector<unsigned>{2, 3, 4, 5}));
    EXPECT_EQ(host.pushed.at(1), Bytes("4"));
}

TEST_F(DataEditTest, LabelsThatGiveNoProgramOutputGiveNoOutputAtAll)
{
    struct Case {
        const char* name;
        void (*arrange)(RecordingPrograms&);
        int emptied;
    };
    const Case cases[] = {
        {"MatchedButWaitingForMoreLabels", [](RecordingPrograms& p) { p.possible.clear(); }, 0},
        {"MatchError", [](RecordingPrograms& p) { p.matchResult[1] = 3; }, 1},
        {"CollectorFull", [](RecordingPrograms& p) { p.collectorHasRoom = false; }, 1},
        {"OutputRefused", [](RecordingPrograms& p) { p.outputResult = 2; }, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        programs = RecordingPrograms{};
        Install(1);
        c.arrange(programs);
        host.Clear();
        EXPECT_EQ(Read(Code39Identifier(0), "X"), 0);
        EXPECT_TRUE(host.pushed.empty());
        EXPECT_TRUE(host.leds.empty());
        EXPECT_EQ(programs.emptied, c.emptied);
    }
}

TEST_F(DataEditTest, SymbologyWithoutDefaultOutputGoesOutOnlyThroughAProgram)
{
    const CommonSymbologyIdentifier y(static_cast<tagSymbology>(51));
    EXPECT_EQ(Read(y, "OCR"), 0);
    EXPECT_TRUE(host.pushed.empty());
    Install(2);
    EXPECT_EQ(Read(y, "OCR"), 1);
    EXPECT_EQ(host.pushed.at(1), Bytes("2"));
}

TEST_F(DataEditTest, Gs1LabelTheProgramsCannotReadTakesTheDefaultPath)
{
    Install(1);
    ASSERT_EQ(Read(Code128Identifier(1), "01\xC3\xA9"), 1);
    EXPECT_TRUE(programs.collected.empty());
    EXPECT_EQ(host.pushed, (Units{Bytes("P"), Bytes("<"), Bytes("01\xC3\xA9"), GoodRead()}));
}

TEST_F(DataEditTest, Gs1ProgramIsInstalledThroughTheEngine)
{
    unsigned char pattern[] = "\\s80(?:<\\s80>\"\\x1D\"|[^\\s80])+$";
    unsigned char format[] = "[0]";
    EXPECT_EQ(formatter.SetGS1DataString(pattern, format), 0);
    unsigned char bad[] = "!";
    EXPECT_EQ(formatter.SetGS1DataString(bad, format), -1);
    unsigned char empty[] = "";
    EXPECT_EQ(formatter.SetGS1DataString(empty, empty), 0);
    ASSERT_EQ(programs.configs.size(), 3u);
    EXPECT_EQ(programs.configs[0].first, reinterpret_cast<const char*>(pattern));
    EXPECT_EQ(programs.cleared, (std::vector<unsigned>{5}));

    // With no engine plugged in, only removing the program succeeds.
    formatter.SetDataEditPrograms(nullptr);
    EXPECT_EQ(formatter.SetGS1DataString(pattern, format), -1);
    EXPECT_EQ(formatter.SetGS1DataString(empty, nullptr), 0);
}

// A program's $SIGNAL{NG} turns the label's good-read beep and LED into the
// error ones (its output still goes), and $IS_TRIGGER_UP follows the trigger key.
TEST_F(FormatterTest, ProgramSignalsAndTheTriggerKeyReachTheDevices)
{
    auto engine = std::make_unique<RideZodoz<DecodeDataByte>>();
    formatter.SetDataEditPrograms(engine.get());
    bool held = true;
    FormatterOutlets outlets = host.Outlets();
    outlets.triggerHeld = [&held] { return held; };
    formatter.SetOutlets(outlets);
    const auto text = [](const char* t) { return reinterpret_cast<const unsigned char*>(t); };
    ASSERT_EQ(engine->SetConfig(1, text("^OK(.*)"), text("[0,1]$SIGNAL{OK}")), 0);
    ASSERT_EQ(engine->SetConfig(2, text("^NG(.*)"), text("[0,1]$SIGNAL{NG}")), 0);
    ASSERT_EQ(engine->SetConfig(3, text("^T(.*)"), text("($IS_TRIGGER_UP{up}|down)[0,1]")), 0);
    const unsigned ledTime = ivra_configuration::Root().indicator.led.good_read.time.Value();
    const std::pair<unsigned, unsigned> errorLed{Formatter::kErrorLed, ledTime};
    const std::pair<unsigned, unsigned> goodReadLed{Formatter::kGoodReadLed, ledTime};
    const std::pair<unsigned, unsigned> errorBeep{Formatter::kErrorBuzzerType, Formatter::kErrorBuzzerVolume};

    ASSERT_EQ(Read(Code128Identifier(0), "NG42"), 1);
    EXPECT_EQ(host.pushed, (Units{Bytes("42")}));
    EXPECT_EQ(host.leds.front(), errorLed);
    EXPECT_EQ(host.beeps, (std::vector<std::pair<unsigned, unsigned>>{errorBeep}));

    // The signal is the label's own: the next one gives the good read again.
    for (const char* label : {"OK42", "42"}) {
        host.Clear();
        ASSERT_EQ(Read(Code128Identifier(0), label), 1) << label;
        EXPECT_EQ(host.pushed, (Units{Bytes("42"), GoodRead()})) << label;
        EXPECT_EQ(host.leds.front(), goodReadLed) << label;
        EXPECT_TRUE(host.beeps.empty()) << label;
    }

    host.Clear();
    ASSERT_EQ(Read(Code128Identifier(0), "TA"), 1);
    held = false;
    ASSERT_EQ(Read(Code128Identifier(0), "TB"), 1);
    EXPECT_EQ(host.pushed, (Units{Bytes("downA"), GoodRead(), Bytes("upB"), GoodRead()}));
    formatter.SetDataEditPrograms(nullptr);
}

} // namespace
} // namespace formatter_test
