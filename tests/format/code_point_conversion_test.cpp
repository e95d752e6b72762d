#include "format/code_point_conversion.h"

#include <gtest/gtest.h>

#include <iconv.h>
#include <string>
#include <vector>

#include "format/to_iconv_name.h"
#include "tests/format/iconv_oracle.h"

using ivra::ToIconvName;

namespace {

using Bytes = std::vector<unsigned char>;
using CodePoints = std::vector<unsigned int>;

TEST(ToIconvNameTest, EveryNameOpensAConverterToUtf32)
{
    std::vector<std::string> names;
    for (const auto& [value, name] : ToIconvName::ccl_to_name_)
        names.push_back(name);
    for (const auto& [escape, name] : ToIconvName::eci_to_name_)
        names.push_back(name);
    EXPECT_EQ(names.size(), 17u + 29u);
    for (const std::string& name : names) {
        iconv_t cd = iconv_open("UTF-32LE", name.c_str());
        EXPECT_NE(cd, reinterpret_cast<iconv_t>(-1)) << name;
        if (cd != reinterpret_cast<iconv_t>(-1))
            iconv_close(cd);
    }
}

// A character that tells each code page apart, from the published code charts.
struct Sample {
    std::string key; // setting value or escape text
    Bytes bytes;
    CodePoints codePoints;
};

const std::vector<Sample> kSettingSamples = {
    {"0", {0x8A}, {0x160}},         {"1", {0xC0}, {0x410}},          {"2", {0x80}, {0x20AC}},
    {"3", {0xC1}, {0x391}},         {"4", {0xD0}, {0x11E}},          {"5", {0xE0}, {0x5D0}},
    {"6", {0xC7}, {0x627}},         {"7", {0xC0}, {0x104}},          {"8", {0xC3}, {0x102}},
    {"9", {0xA1}, {0xE01}},         {"10", {0x82, 0xA0}, {0x3042}},  {"11", {0xB0, 0xA1}, {0x554A}},
    {"12", {0xB0, 0xA1}, {0xAC00}}, {"13", {0xA4, 0x40}, {0x4E00}},  {"50", {0xE2, 0x82, 0xAC}, {0x20AC}},
    {"51", {0x20, 0xAC}, {0x20AC}}, {"99", {0x80}, {0x20AC}},
};

const std::vector<Sample> kEciSamples = {
    {"\\000000", {0x80}, {0xC7}},         {"\\000001", {0xE9}, {0xE9}},         {"\\000002", {0xB0}, {0x2591}},
    {"\\000003", {0xE9}, {0xE9}},         {"\\000004", {0xA1}, {0x104}},        {"\\000005", {0xA1}, {0x126}},
    {"\\000006", {0xA2}, {0x138}},        {"\\000007", {0xB0}, {0x410}},        {"\\000008", {0xC7}, {0x627}},
    {"\\000009", {0xC1}, {0x391}},        {"\\000010", {0xE0}, {0x5D0}},        {"\\000011", {0xD0}, {0x11E}},
    {"\\000012", {0xA2}, {0x112}},        {"\\000013", {0xA1}, {0xE01}},        {"\\000015", {0xA1}, {0x201D}},
    {"\\000016", {0xA1}, {0x1E02}},       {"\\000017", {0xA4}, {0x20AC}},       {"\\000018", {0xA2}, {0x105}},
    {"\\000020", {0x82, 0xA0}, {0x3042}}, {"\\000021", {0x8A}, {0x160}},        {"\\000022", {0xC0}, {0x410}},
    {"\\000023", {0x80}, {0x20AC}},       {"\\000024", {0xC7}, {0x627}},        {"\\000025", {0x30, 0x42}, {0x3042}},
    {"\\000026", {0xE3, 0x81, 0x82}, {0x3042}}, {"\\000027", {0x41}, {0x41}},   {"\\000028", {0xA4, 0x40}, {0x4E00}},
    {"\\000029", {0x81, 0x30, 0x81, 0x30}, {0x80}}, {"\\000030", {0xB0, 0xA1}, {0xAC00}},
};

TEST(CodePointConversionTest, EveryCodePageConvertsAsItsChartAndIconvSay)
{
    EXPECT_EQ(kSettingSamples.size(), ToIconvName::ccl_to_name_.size());
    EXPECT_EQ(kEciSamples.size(), ToIconvName::eci_to_name_.size());
    auto check = [](const Sample& s, const std::string& eci, unsigned ccl) {
        SCOPED_TRACE(s.key);
        CodePoints out;
        ASSERT_EQ(ivra::ConvertToCodePoints(eci, ccl, s.bytes, out), 1);
        EXPECT_EQ(out, s.codePoints);
        EXPECT_EQ(iconv_oracle::Decode(ToIconvName::SourceName(eci, ccl), s.bytes), out);
    };
    for (const Sample& s : kSettingSamples) {
        ASSERT_TRUE(ToIconvName::ccl_to_name_.count(std::stoul(s.key))) << s.key;
        check(s, "", static_cast<unsigned>(std::stoul(s.key)));
    }
    for (const Sample& s : kEciSamples) {
        ASSERT_TRUE(ToIconvName::eci_to_name_.count(s.key)) << s.key;
        check(s, s.key, 0);
    }
}

TEST(CodePointConversionTest, SampleTextsComeBackFromEveryCodePage)
{
    // Latin, Greek, Cyrillic, Hebrew, Arabic, Thai, kana, Han, Hangul: each code
    // page keeps the characters it has. A Hebrew letter last checks that
    // converters which hold a character back give it up at the end.
    const std::vector<std::uint32_t> candidates = {
        'S', 'c', 'a', 'n', ' ', '0', '9', '~', 0xE9, 0xC7, 0xDF, 0x104, 0x160, 0x17D, 0x11E, 0x131, 0x1E02, 0x20AC,
        0x391, 0x3C9, 0x410, 0x44F, 0x627, 0xE01, 0x3042, 0x30AB, 0x4E00, 0x554A, 0x6F22, 0xAC00, 0xD55C, 0x5D0};
    std::vector<std::string> names;
    for (const auto& [value, name] : ToIconvName::ccl_to_name_)
        names.push_back(name);
    for (const auto& [escape, name] : ToIconvName::eci_to_name_)
        names.push_back(name);
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        std::vector<std::uint32_t> text;
        Bytes bytes;
        for (std::uint32_t cp : candidates) {
            if (auto encoded = iconv_oracle::Encode(name, cp)) {
                text.push_back(cp);
                bytes.insert(bytes.end(), encoded->begin(), encoded->end());
            }
        }
        ASSERT_GE(text.size(), 8u);
        CodePoints out;
        ASSERT_EQ(ivra::ConvertBytesToCodePoints(name, bytes, out), 1);
        EXPECT_EQ(out, iconv_oracle::Decode(name, bytes));
        // Every character comes back, though not always as the one encoded
        // (Shift JIS reads 0x7E as OVERLINE).
        EXPECT_EQ(out.size(), text.size());
    }
}

TEST(CodePointConversionTest, UnknownSettingsAndEscapesTakeTheDefaultCodePage)
{
    EXPECT_EQ(ToIconvName::FromCclSource(14), "WINDOWS-1252");
    EXPECT_EQ(ToIconvName::FromEci("\\000014"), "WINDOWS-1252");
    EXPECT_EQ(ToIconvName::FromEci("\\0000200"), "WINDOWS-1252");
    CodePoints out;
    ASSERT_EQ(ivra::ConvertToCodePoints("\\000014", 1, {0x80}, out), 1);
    EXPECT_EQ(out, CodePoints{0x20AC});
    ASSERT_EQ(ivra::ConvertToCodePoints("", 1000, {0x80}, out), 1);
    EXPECT_EQ(out, CodePoints{0x20AC});
}

TEST(CodePointConversionTest, OutputGrowsUntilTheWholeTextFits)
{
    const Bytes text = {'A', 0xE3, 0x81, 0x82, 'B', 'C', 0xF0, 0x9F, 0x98, 0x80};
    for (std::size_t room : {0u, 1u, 3u}) {
        CodePoints out;
        ASSERT_EQ(ivra::ConvertBytesToCodePoints("UTF-8", text, out, room), 1);
        EXPECT_EQ(out, (CodePoints{'A', 0x3042, 'B', 'C', 0x1F600}));
    }
}

TEST(CodePointConversionTest, MalformedTextAndUnknownNames)
{
    struct Row {
        std::string name;
        Bytes bytes;
        int result;
        CodePoints out;
    };
    const Row rows[] = {
        {"UTF-8", {'A', 0xFF, 'B'}, 1, {'A', 'B'}},          // bytes that are no character are dropped
        {"SHIFT_JIS", {0x82, 0xA0, 0xA0, 'Z'}, 1, {0x3042, 'Z'}},
        {"US-ASCII", {'A', 0x80}, 1, {'A'}},
        {"UTF-8", {'A', 0xE3, 0x81}, 0, {}},                 // ends inside a character
        {"UTF-16BE", {0x00, 0x41, 0x00}, 0, {}},
        {"Shift JIS", {'A'}, 0, {}},                         // not a name iconv knows
        {"UTF-8", {}, 1, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CodePoints out = {1, 2, 3}; // replaced, never appended to
        EXPECT_EQ(ivra::ConvertBytesToCodePoints(row.name, row.bytes, out), row.result);
        EXPECT_EQ(out, row.out);
    }
}

} // namespace
