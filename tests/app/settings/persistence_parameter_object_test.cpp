// Parameter objects: command tables and parameter counts, the registry, and the common
// JSON document on the parameter partition, read back by a separate JSON reader.
#include "app/settings/parameter_object.h"

#include "app/settings/flash_partition.h"
#include "config/memory_stream.h"
#include "tests/platform/board_fixture.h"

#include <rapidjson/document.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <array>
#include <cstdint>
#include <memory>
#include <numeric>
#include <string>
#include <vector>

namespace {

using platform_test::BoardTest;

constexpr std::uint32_t Code(char const* text)
{
    std::uint32_t value = 0;
    for (; *text != '\0'; ++text) {
        value = value << 8 | static_cast<unsigned char>(*text);
    }
    return value;
}

std::vector<char> Params(std::string const& text) { return {text.begin(), text.end()}; }

// Registers nothing of its own: stands in every slot so that a test sees only the
// objects it builds, whatever the rest of the program registered.
class SilentObject final : public ParameterObject {
public:
    explicit SilentObject(ParameterIdentifier id) : ParameterObject("silent", id, nullptr) {}
};

class QuietRegistry {
public:
    QuietRegistry()
    {
        for (int i = 0; i < kParameterIdentifierCount; ++i) {
            silent_[i] = std::make_unique<SilentObject>(static_cast<ParameterIdentifier>(i));
        }
    }

private:
    std::array<std::unique_ptr<SilentObject>, kParameterIdentifierCount> silent_;
};

constexpr MenuCommandItem kTable[] = {
    {Code("AB"), 2, 2, {0, 0}},
    {Code("ED8"), 0, 0, {0, 0}},
    {Code("S:"), 0, 99, {0, 0}},
    {Code("T3"), 3, 3, {0, 0}},
    {kProgramTokenCode, 8, 8, {0, 0}},
    {0, 0, 0, {0, 0}},
};

// Executes what its table lists and keeps a value and a text in its JSON section.
class RecordingObject : public ParameterObject {
public:
    RecordingObject(std::string name, ParameterIdentifier id, MenuCommandItem const* table = kTable)
        : ParameterObject(std::move(name), id, table)
    {
    }

    int ExecuteCommand(unsigned code, std::vector<char> params, ivra_configuration::InputStream&,
                       ivra_configuration::OutputStream&) override
    {
        executed.push_back(code);
        lastParams = std::move(params);
        return kDone;
    }

    int SetParameter(unsigned, char const* text, unsigned length, ivra_configuration::InputStream&,
                     ivra_configuration::OutputStream&) override
    {
        taken.assign(text, length);
        return kParameterTaken;
    }

    void SetDefault() override
    {
        value = 0;
        text.clear();
        ++defaults;
    }

    void Serialize(rapidjson::Document& document) const override
    {
        auto& allocator = document.GetAllocator();
        document.SetObject();
        if (value != 0) {
            document.AddMember("value", value, allocator);
        }
        if (!text.empty()) {
            document.AddMember("text", rapidjson::Value(text.c_str(), allocator), allocator);
        }
    }

    bool Deserialize(rapidjson::Value const& section) override
    {
        if (!section.IsObject()) {
            return false;
        }
        auto const v = section.FindMember("value");
        if (v != section.MemberEnd() && v->value.IsInt()) {
            value = v->value.GetInt();
        }
        auto const t = section.FindMember("text");
        if (t != section.MemberEnd() && t->value.IsString()) {
            text = t->value.GetString();
        }
        return true;
    }

    bool Deserialize(rapidjson::Document const& document) override
    {
        auto const section = document.IsObject() ? document.FindMember(name().c_str()) : document.MemberEnd();
        return document.IsObject() && section != document.MemberEnd() && Deserialize(section->value);
    }

    std::vector<unsigned> executed;
    std::vector<char> lastParams;
    std::string taken;
    int value = 0;
    std::string text;
    int defaults = 0;
};

// An object with a table but no executors of its own.
class TableOnlyObject final : public ParameterObject {
public:
    explicit TableOnlyObject(ParameterIdentifier id) : ParameterObject("tableonly", id, kTable) {}
};

struct ParseCase {
    char const* code;
    char const* params;
    int result;
};

void PrintTo(ParseCase const& c, std::ostream* os) { *os << c.code << " " << c.params; }

class ParseTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseTest, CountsParametersAgainstTheTable)
{
    QuietRegistry quiet;
    RecordingObject object("recording", ParameterIdentifier::Unused);
    ivra_configuration::MemoryInputStream in("");
    ivra_configuration::StringOutputStream out;
    auto const& c = GetParam();
    std::uint32_t const code = std::string(c.code) == "token" ? kProgramTokenCode : Code(c.code);
    EXPECT_EQ(object.Parse(code, Params(c.params), in, out), c.result);
    EXPECT_EQ(object.executed.size(), c.result == ParameterObject::kDone ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ParseTest,
    ::testing::Values(ParseCase{"AB", "Q1Q2", ParameterObject::kDone}, ParseCase{"AB", "Q1", ParameterObject::kNeedParameters},
                      ParseCase{"AB", "Q1Q2Q3", ParameterObject::kNeedParameters},
                      ParseCase{"AB", "'ab'", ParameterObject::kDone},
                      ParseCase{"AB", "'abcd'", ParameterObject::kNeedParameters},
                      ParseCase{"T3", "'abcde'", ParameterObject::kDone}, // 7 bytes count as 3
                      ParseCase{"ED8", "", ParameterObject::kDone}, ParseCase{"ED8", "Q1", ParameterObject::kNeedParameters},
                      ParseCase{"S:", "'abcde'", ParameterObject::kDone}, ParseCase{"ZZ", "", ParameterObject::kNotMine},
                      ParseCase{"token", "0123456789ABCDEF", ParameterObject::kDone},
                      ParseCase{"token", "0123456789ABCDE", ParameterObject::kNeedParameters},
                      ParseCase{"", "", ParameterObject::kNotMine}));

TEST(ParameterObjectTest, WithoutExecutorsNothingIsMine)
{
    QuietRegistry quiet;
    TableOnlyObject tableOnly(ParameterIdentifier::Unused);
    SilentObject noTable(ParameterIdentifier::SingleMenuCmd);
    ivra_configuration::MemoryInputStream in("");
    ivra_configuration::StringOutputStream out;
    EXPECT_EQ(tableOnly.Parse(Code("ED8"), {}, in, out), ParameterObject::kNotMine);
    EXPECT_EQ(tableOnly.Parse(Code("AB"), Params("Q1"), in, out), ParameterObject::kNeedParameters);
    EXPECT_EQ(noTable.Parse(Code("ED8"), {}, in, out), ParameterObject::kNotMine);
}

TEST(ParameterObjectTest, ParseAllTakesTheFirstThatKnowsTheCode)
{
    QuietRegistry quiet;
    RecordingObject first("first", ParameterIdentifier::ImageCapture);
    RecordingObject second("second", ParameterIdentifier::SingleMenuCmd);
    ivra_configuration::MemoryInputStream in("");
    ivra_configuration::StringOutputStream out;

    int index = -1;
    EXPECT_EQ(ParameterObject::ParseAll(Code("ZZ"), {}, in, out, index), ParameterObject::kNotMine);
    EXPECT_EQ(index, -1);

    // A count outside the range stops the search at the first object, which waits.
    EXPECT_EQ(ParameterObject::ParseAll(Code("AB"), Params("Q1"), in, out, index), ParameterObject::kNeedParameters);
    EXPECT_EQ(index, 1);
    EXPECT_EQ(ParameterObject::ParseAll(Code("AB"), Params("Q1Q2"), in, out, index), ParameterObject::kDone);
    EXPECT_EQ(first.executed, (std::vector<unsigned>{Code("AB")}));
    EXPECT_EQ(first.lastParams, Params("Q1Q2"));
    EXPECT_TRUE(second.executed.empty());

    EXPECT_EQ(ParameterObject::SetParameterAll(8, Code("AB"), "xy", 2, in, out), ParameterObject::kParameterTaken);
    EXPECT_EQ(second.taken, "xy");
    EXPECT_EQ(ParameterObject::SetParameterAll(0, Code("AB"), "xy", 2, in, out), -1); // base object
    EXPECT_EQ(ParameterObject::SetParameterAll(-1, Code("AB"), "xy", 2, in, out), -1);
    EXPECT_EQ(ParameterObject::SetParameterAll(9, Code("AB"), "xy", 2, in, out), -1);
}

TEST(ParameterObjectTest, RegistryOutlivesNoObjectAndReachesEveryOne)
{
    QuietRegistry quiet;
    RecordingObject outer("outer", ParameterIdentifier::Unused);
    RecordingObject other("other", ParameterIdentifier::ScannerInfo);
    {
        RecordingObject inner("inner", ParameterIdentifier::Unused);
        EXPECT_EQ(ParameterObject::registered(ParameterIdentifier::Unused), &inner);
    }
    EXPECT_EQ(ParameterObject::registered(ParameterIdentifier::Unused), &outer);
    EXPECT_EQ(ParameterObject::registered(static_cast<ParameterIdentifier>(9)), nullptr);

    outer.value = 4;
    ParameterObject::SetDefaults();
    EXPECT_EQ(outer.value, 0);
    EXPECT_EQ(outer.defaults, 1);
    EXPECT_EQ(other.defaults, 1);
}

struct QValueCase {
    char const* params;
    int digits;
    int value;
};

void PrintTo(QValueCase const& c, std::ostream* os) { *os << c.params << " " << c.digits; }

class QValueTest : public ::testing::TestWithParam<QValueCase> {};

TEST_P(QValueTest, ReadsDecimalDigits)
{
    EXPECT_EQ(ParameterObject::getQValue(Params(GetParam().params), GetParam().digits), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(Digits, QValueTest,
                         ::testing::Values(QValueCase{"Q1Q2", 2, 12}, QValueCase{"Q1Q2Q3", 2, 12},
                                           QValueCase{"", 3, 0}, QValueCase{"Q9", 5, 9}, QValueCase{"Q0Q5", 2, 5},
                                           // more digits than an int holds stop short of overflowing
                                           QValueCase{"Q9Q9Q9Q9Q9Q9Q9Q9Q9Q9Q9Q9", 12, 999999999}));

// Compact text as a writer of the parsed document makes it: no white space, same order.
std::string Compact(rapidjson::Document const& document)
{
    rapidjson::StringBuffer buffer;
    rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
    document.Accept(writer);
    return {buffer.GetString(), buffer.GetSize()};
}

TEST(ParameterObjectTest, DocumentHoldsOneCompactSectionPerObject)
{
    QuietRegistry quiet;
    RecordingObject a("alpha", ParameterIdentifier::ImageCapture);
    RecordingObject b("beta", ParameterIdentifier::GS1Conversion);
    RecordingObject c("gamma", ParameterIdentifier::SingleMenuCmd); // nothing to store
    a.value = 7;
    b.text = "two words";

    std::string text;
    ASSERT_TRUE(ParameterObject::SerializeToString(text));
    rapidjson::Document parsed;
    ASSERT_FALSE(parsed.Parse(text.c_str()).HasParseError()) << text;
    EXPECT_EQ(Compact(parsed), text);
    ASSERT_TRUE(parsed.IsObject());
    EXPECT_EQ(parsed.MemberCount(), 2u);
    EXPECT_EQ(parsed["alpha"]["value"].GetInt(), 7);
    EXPECT_STREQ(parsed["beta"]["text"].GetString(), "two words");
    EXPECT_STREQ(parsed.MemberBegin()->name.GetString(), "alpha"); // identifier order

    a.value = 0;
    b.text.clear();
    ASSERT_TRUE(ParameterObject::SerializeToString(text));
    EXPECT_TRUE(text.empty());
}

TEST(ParameterObjectTest, TextRestoresEveryObject)
{
    QuietRegistry quiet;
    RecordingObject a("alpha", ParameterIdentifier::ImageCapture);
    RecordingObject b("beta", ParameterIdentifier::GS1Conversion);
    ASSERT_TRUE(ParameterObject::DeserializeFromString(" {\"beta\":{\"text\":\"x\"},\"alpha\":{\"value\":3}}\r\n"));
    EXPECT_EQ(a.value, 3);
    EXPECT_EQ(b.text, "x");
    // Valid text without an object's section leaves that object alone.
    ASSERT_TRUE(ParameterObject::DeserializeFromString("{\"other\":1}"));
    EXPECT_EQ(a.value, 3);
}

class MalformedTextTest : public ::testing::TestWithParam<std::string> {};

TEST_P(MalformedTextTest, IsRefusedAndChangesNothing)
{
    QuietRegistry quiet;
    RecordingObject a("alpha", ParameterIdentifier::ImageCapture);
    a.value = 1;
    a.text = "kept";
    EXPECT_FALSE(ParameterObject::DeserializeFromString(GetParam()));
    EXPECT_EQ(a.value, 1);
    EXPECT_EQ(a.text, "kept");
}

INSTANTIATE_TEST_SUITE_P(
    Texts, MalformedTextTest,
    ::testing::Values(std::string(""), std::string(" \r\n"), std::string("{\"alpha\":{\"value\":5}"),
                      std::string("{\"alpha\":{\"value\":5}} x"), std::string("{\"alpha\":{\"value\":5}}{}"),
                      std::string("{\"alpha\":{\"value\":5}}\0garbage", 26),
                      std::string("{\"alpha\":{\"text\":\"\xC3\x28\"}}"), std::string("\x89PNG\r\n\x1a\n"),
                      std::string("{\"alpha\":{\"value\":5},}"), std::string(100000, '[')));

class RawPartitionTest : public BoardTest {
protected:
    unsigned erases()
    {
        auto const counts = board().flashEraseCounts(ParameterObject::RAW_WRITE_PARTITION);
        return std::accumulate(counts.begin(), counts.end(), 0u);
    }
};

TEST_F(RawPartitionTest, UnchangedTextIsNotWrittenAgain)
{
    QuietRegistry quiet;
    RecordingObject a("alpha", ParameterIdentifier::ImageCapture);
    a.value = 12;
    ASSERT_TRUE(ParameterObject::SerializeToRawPartition());
    unsigned const afterFirst = erases();
    EXPECT_GT(afterFirst, 0u);
    ASSERT_TRUE(ParameterObject::SerializeToRawPartition());
    EXPECT_EQ(erases(), afterFirst);

    std::string stored;
    ASSERT_EQ(ReadPartitionText(ParameterObject::RAW_READ_PARTITION, stored), PartitionRead::Text);
    EXPECT_EQ(stored, "{\"alpha\":{\"value\":12}}");

    a.value = 0;
    ASSERT_TRUE(ParameterObject::DeserializeFromRawPartition());
    EXPECT_EQ(a.value, 12);

    // Nothing to store: the partition is emptied once, then left alone.
    a.value = 0;
    ASSERT_TRUE(ParameterObject::SerializeToRawPartition());
    EXPECT_GT(erases(), afterFirst);
    unsigned const emptied = erases();
    ASSERT_TRUE(ParameterObject::SerializeToRawPartition());
    EXPECT_EQ(erases(), emptied);
    EXPECT_FALSE(ParameterObject::DeserializeFromRawPartition());
}

} // namespace
