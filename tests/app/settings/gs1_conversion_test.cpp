// GS1 conversion settings: the commands and their parameter results, the
// program 5 they install, the legacy engine's switch bits, and the JSON
// section read back by a separate reader and from outside text.
#include "app/settings/gs1_conversion.h"

#include "app/settings/ride_zodoz_for_command_system.h"
#include "config/memory_stream.h"
#include "decoder/legacy/engine/legacy_switch.h"

#include <gtest/gtest.h>
#include <rapidjson/document.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <cstring>
#include <string>

namespace {

namespace cfg = ivra_configuration;

constexpr unsigned Code(char c) { return 0x582F00u | static_cast<unsigned char>(c); }

class Gs1ConversionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        gs1.SetDefault();
        Command('1'); // the AI table and its index back to a known state
        gs1.SetDefault();
    }

    int Command(char c) { return gs1.ExecuteCommand(Code(c), {}, in, out); }
    int Parameter(char c, std::string const& text)
    {
        return gs1.SetParameter(Code(c), text.data(), static_cast<unsigned>(text.size()), in, out);
    }
    std::string Program() const
    {
        std::string pattern, format;
        RideZodozForCommandSystem<DecodeDataByte>::getInstance().Engine().Texts(5, pattern, format);
        return pattern + " | " + format;
    }
    std::string Json() const
    {
        rapidjson::Document d;
        gs1.Serialize(d);
        rapidjson::StringBuffer buffer;
        rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
        d.Accept(writer);
        return buffer.GetString();
    }
    bool Load(std::string const& text)
    {
        rapidjson::Document d;
        d.Parse(text.c_str());
        return gs1.Deserialize(static_cast<rapidjson::Document const&>(d));
    }

    GS1Conversion& gs1 = GS1Conversion::getInstance();
    cfg::MemoryInputStream in{std::string()};
    cfg::StringOutputStream out;
};

TEST_F(Gs1ConversionTest, AFreshObjectWritesOnlyTheFnc1ReplacementAndTheAiTable)
{
    EXPECT_EQ(Json(), "{\"fn1conv\":[29,255],\"aiindex\":0,\"aisettings\":[{\"ai\":[255,255,255,255,255],"
                      "\"header1\":[255,255],\"header2\":[255,255],\"terminator1\":[255,255],\"terminator2\":[255,255]}]}");
}

TEST_F(Gs1ConversionTest, CommandsSetTheSettingsAndInstallTheProgramAtOnce)
{
    EXPECT_EQ(Command('2'), ParameterObject::kDone);
    std::string const shown = gs1.ExecuteShowSetting();
    EXPECT_NE(shown.find("CheckAI             = 1\r  RemoveDay)          = 0\r  AimIdOutput         = 0\r"
                         "  AiOutput            = 1\r  ParenthesesAI       = 1\r  DecimalPoint        = 0\r"
                         "  NoAIOutputSeparator = 0\r"),
              std::string::npos)
        << shown;
    EXPECT_EQ(Command('K'), ParameterObject::kDone);
    EXPECT_EQ(Command('O'), ParameterObject::kDone);
    EXPECT_NE(Program().find("\\d20"), std::string::npos) << Program();
    // Separator parameters reach the program without waiting for another command.
    EXPECT_EQ(Command('X'), ParameterObject::kDoneTakesParameters);
    EXPECT_EQ(Parameter('X', "1M"), ParameterObject::kParameterTaken);
    EXPECT_NE(Program().find("\"\\x0D\\d20\""), std::string::npos) << Program();
    EXPECT_EQ(Parameter('X', "7H"), ParameterObject::kParameterTaken); // a direct key
    EXPECT_NE(Program().find("\\kB1"), std::string::npos) << Program();
    EXPECT_EQ(Parameter('X', "0A"), GS1Conversion::kSeparatorFull);
    EXPECT_EQ(Command('W'), ParameterObject::kDoneTakesParameters);
    EXPECT_EQ(Parameter('W', "999"), GS1Conversion::kSeparatorTooLarge);
    EXPECT_EQ(Parameter('W', "??"), GS1Conversion::kParameterRefused);
    EXPECT_EQ(Parameter('A', "0A"), GS1Conversion::kNoParameters);
}

TEST_F(Gs1ConversionTest, TheLegacyEngineFollowsTheGs1128Handling)
{
    EXPECT_EQ(Command('A'), ParameterObject::kDone);
    EXPECT_EQ(GetXSW(63) >> 2 & 3, 1);
    EXPECT_EQ(Command('B'), ParameterObject::kDone);
    EXPECT_EQ(GetXSW(63) >> 2 & 3, 2);
    gs1.SetDefault();
    EXPECT_EQ(GetXSW(63) >> 2 & 3, 0);
    // A restart with handling on brings the bits back with the settings.
    EXPECT_TRUE(Load("{\"gs1conversion\":{\"decodemodec128\":1,\"aiindex\":0}}"));
    EXPECT_EQ(GetXSW(63) >> 2 & 3, 1);
}

TEST_F(Gs1ConversionTest, AiTableTakesGroupsOfFiveUntilItIsFull)
{
    EXPECT_EQ(Command('1'), ParameterObject::kDoneTakesParameters);
    EXPECT_EQ(Parameter('1', "FF"), GS1Conversion::kParameterRefused); // no AI digit
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(Parameter('1', i % 2 == 0 ? "17" : "3103"), ParameterObject::kParameterTaken) << i;
        EXPECT_EQ(Parameter('1', "256"), GS1Conversion::kParameterRefused);
        for (char const* p : {"0A", "1M", "8T", "255"})
            EXPECT_EQ(Parameter('1', p), ParameterObject::kParameterTaken) << p;
    }
    EXPECT_EQ(Parameter('1', "10"), GS1Conversion::kParameterRefused);
    EXPECT_EQ(gs1.Values().aiindex, 9);
    // Characters 0xF0-0xFE are characters, not "none" (8T is the direct key 241).
    EXPECT_NE(Program().find("\\kF1"), std::string::npos) << Program();
}

TEST_F(Gs1ConversionTest, SavedSectionComesBackAsItWas)
{
    EXPECT_EQ(Command('1'), ParameterObject::kDoneTakesParameters);
    for (char const* p : {"01", "7H", "255", "1M", "255", "17", "0A", "0B", "0C", "0D", "10", "5A", "255", "8J", "255"})
        ASSERT_EQ(Parameter('1', p), ParameterObject::kParameterTaken) << p;
    EXPECT_EQ(Command('Y'), ParameterObject::kDoneTakesParameters);
    EXPECT_EQ(Parameter('Y', "VQ"), ParameterObject::kParameterTaken);
    std::string const saved = Json();
    std::string const program = Program();
    Gs1ConversionValues const before = gs1.Values();
    gs1.SetDefault();
    ASSERT_TRUE(Load("{\"gs1conversion\":" + saved + "}"));
    EXPECT_EQ(Json(), saved);
    EXPECT_EQ(Program(), program);
    EXPECT_TRUE(gs1.Values().fn1conv == before.fn1conv);
    EXPECT_EQ(std::memcmp(gs1.Values().aisettings, before.aisettings, sizeof before.aisettings), 0);
    EXPECT_EQ(gs1.Values().aiindex, 2);
}

TEST_F(Gs1ConversionTest, OutsideSectionsAreReadWithinTheirFields)
{
    std::string const program = Program();
    // No section: nothing changes.
    EXPECT_FALSE(Load("{\"other\":{}}"));
    EXPECT_EQ(Program(), program);
    // A flag given as a number is off; numbers keep their low byte.
    ASSERT_TRUE(Load("{\"gs1conversion\":{\"checkai\":1,\"delayvalue\":300,\"removeday\":true}}"));
    EXPECT_EQ(gs1.Values().checkai, 0);
    EXPECT_EQ(gs1.Values().delayvalue, 44);
    EXPECT_EQ(gs1.Values().removeday, 1);
    // An index past the table and too many entries and bytes stay within the table.
    std::string entries;
    for (int i = 0; i < 14; ++i)
        entries += std::string(i ? "," : "") + "{\"ai\":[49,55,255,255,255,1,2,3],\"header1\":[52,49,9,9,9]}";
    ASSERT_TRUE(Load("{\"gs1conversion\":{\"gs1outputmode\":1,\"decodemodec128\":2,\"aiindex\":4000,"
                     "\"aisettings\":[" + entries + ",7,\"x\"]}}"));
    EXPECT_EQ(gs1.Values().aiindex, 9);
    EXPECT_EQ(gs1.Values().aisettings[9][0], '1');
    EXPECT_EQ(gs1.Values().aisettings[9][5], '4');
    EXPECT_EQ(gs1.Values().aisettings[9][7], 0); // its key flag, not a stray byte
    // Wrong types are passed over.
    EXPECT_TRUE(Load("{\"gs1conversion\":{\"aiindex\":1.5,\"dataseparator\":7,\"fn1conv\":[\"a\",65]}}"));
    EXPECT_EQ(gs1.Values().fn1conv.c[1], 65);
    // A mode the program cannot be made for is loaded but reported.
    EXPECT_FALSE(Load("{\"gs1conversion\":{\"gs1outputmode\":5}}"));
}

TEST(Gs1CharacterNotation, FormsOfAParameter)
{
    struct Row {
        char const* text;
        bool ok;
        unsigned value;
        bool key;
    };
    Row const rows[] = {
        {"$A", true, 'a', false}, {"$1", true, 173, false}, {"$8", true, 223, false}, {"0Z", true, 'Z', false},
        {"1M", true, 13, false},  {"5A", true, ' ', false}, {"5P", true, '/', false}, {"6G", true, '@', false},
        {"7F", true, '`', false}, {"9A", true, 27, false},  {"9F", true, 127, false}, {"9W", true, '~', false},
        {"Q7", true, '7', false}, {"7L", true, 243, true},  {"VS", true, 187, true},  {"DDY", true, 168, false},
        {"29", true, 29, false},  {"$1D", true, 29, false}, {"$FFF", true, 256, false}, {"5Q", false, 0, false},
        {"ZZ", false, 0, false},  {"$G", true, 'g', false}, {"$GG", false, 0, false},
    };
    for (Row const& r : rows) {
        unsigned value = 0;
        bool key = false;
        EXPECT_EQ(ParseGs1Character(r.text, static_cast<unsigned>(std::strlen(r.text)), value, key), r.ok) << r.text;
        if (r.ok) {
            EXPECT_EQ(value, r.value) << r.text;
            EXPECT_EQ(key, r.key) << r.text;
        }
    }
}

} // namespace
