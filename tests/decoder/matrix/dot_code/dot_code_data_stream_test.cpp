// The DotCode data stream from hand-built codewords: the rules a symbol can
// break (each refused, no label) and the escapes after an ECI.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "decoder/matrix/dot_code/dot_code_data_stream_conversion.h"

namespace {

using DEC2DIvra::DataStreamConversionForDotCode;
using DEC2DIvra::DecodedLabel;

struct Result {
    bool ok = false;
    std::string data;
    std::string aim;
    tagStructuredAppend structuredAppend{};
};

// words: the data codewords after the mask word.
Result Convert(std::vector<unsigned short> words, bool suppress = false)
{
    words.insert(words.begin(), 0);
    DataStreamConversionForDotCode conversion;
    DataStreamConversionForDotCode::Options options;
    options.suppressEscapes = suppress;
    auto label = std::make_unique<DecodedLabel>();
    Result r;
    r.ok = conversion.Start(words.data(), static_cast<unsigned>(words.size()), options, *label);
    r.data.assign(label->data.GetFirst(), label->data.GetCount());
    char aim[8] = {};
    label->identifier.GetAIMIdentifier(aim, sizeof(aim));
    r.aim = aim;
    r.structuredAppend = label->structuredAppend;
    return r;
}

// Code set B values of text.
std::vector<unsigned short> B(std::string const& text)
{
    std::vector<unsigned short> words;
    for (char c : text) {
        words.push_back(static_cast<unsigned short>(static_cast<unsigned char>(c) - 32));
    }
    return words;
}

std::vector<unsigned short> Join(std::initializer_list<std::vector<unsigned short>> parts)
{
    std::vector<unsigned short> all;
    for (auto const& p : parts) {
        all.insert(all.end(), p.begin(), p.end());
    }
    return all;
}

TEST(DotCodeDataStream, BrokenStreamsAreRefused)
{
    struct Case {
        char const* name;
        std::vector<unsigned short> words;
    } const cases[] = {
        {"upper shift A below 64", {106, 110, 10}},
        {"upper shift A above 95", {106, 110, 96}},
        {"upper shift B above 95", {106, 111, 96}},
        {"latch during a shift", {106, 101, 102, 33}},
        {"ECI number past the end", {106, 33, 108, 50, 7}},
        {"ECI value missing", {106, 33, 108}},
        {"binary ECI number past the end", {112, 0, 0, 0, 0, 2, 50}},
        {"AI 17 broken by a latch", {100, 25, 106, 33}},
        {"AI 17 after FNC1 first", {107, 100, 25, 1, 1}},
        {"structured append count 1", Join({{106}, B("AB11"), {108}})},
        {"structured append position 0", Join({{106}, B("AB02"), {108}})},
    };
    for (auto const& c : cases) {
        Result const r = Convert(c.words);
        EXPECT_FALSE(r.ok) << c.name << ": " << r.data;
    }
}

TEST(DotCodeDataStream, EscapesAndModifiers)
{
    struct Case {
        char const* name;
        std::vector<unsigned short> words;
        bool suppress;
        std::string data;
        char const* aim;
    } const cases[] = {
        // A backslash written before the first ECI is doubled with it.
        {"eci doubles earlier backslash", Join({{106}, B("a\\"), {108, 3}, B("b\\")}), false,
         "a\\\\\\000003b\\\\", "]J3"},
        {"eci suppressed", Join({{106}, B("a\\"), {108, 3}, B("b\\")}), true, "a\\b\\", "]J3"},
        {"eci three words", Join({{106}, {108, 41, 2, 3}, B("x")}), false, "\\013038x", "]J3"},
        // Data after a leading ECI that starts with two digits is GS1: the
        // test looks past the escape.
        {"gs1 after leading eci", {108, 3, 1, 23, 45}, false, "\\000003012345", "]J4"},
        {"no gs1 after leading eci", Join({{108, 3, 106}, B("AB12")}), false, "\\000003AB12", "]J3"},
        {"gs1 after suppressed eci", {108, 3, 1, 23, 45}, true, "012345", "]J4"},
        // A backslash in binary data after an escape is doubled too.
        {"binary backslash after eci", {108, 3, 112, 0, 92}, false,
         "\\000003\\\\", "]J3"},
        {"fnc1 second", Join({{106}, B("A"), {107}, B("BC")}), false, "ABC", "]J2"},
        {"fnc1 first is no gs1", {107, 12, 34, 56}, false, "123456", "]J0"},
        {"ai 17 and 10", {100, 25, 1, 31, 11, 22}, false, "1725013110" "1122", "]J1"},
        {"macro 05", Join({{106, 97}, B("AB")}), false, "[)>\x1e" "05\x1d" "AB\x1e\x04", "]J0"},
        {"macro without number", Join({{106, 100}, B("AB")}), false, "[)>\x1e" "AB\x04", "]J0"},
        {"fnc3 ends the data", Join({{106}, B("AB"), {109}, B("CD")}), false, "AB", "]J0"},
    };
    for (auto const& c : cases) {
        Result const r = Convert(c.words, c.suppress);
        ASSERT_TRUE(r.ok) << c.name;
        EXPECT_EQ(r.data, c.data) << c.name;
        EXPECT_EQ(r.aim, c.aim) << c.name;
    }
}

TEST(DotCodeDataStream, StructuredAppendTrailerBecomesTheRecord)
{
    Result const r = Convert(Join({{106}, B("Hello3Z"), {108}}));
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.data, "Hello");
    EXPECT_EQ(r.structuredAppend.mode, 1u);
    EXPECT_EQ(r.structuredAppend.value1, 1u);
    EXPECT_EQ(r.structuredAppend.value2, 35u);
    EXPECT_EQ(r.structuredAppend.value3, 3u);
}

TEST(DotCodeDataStream, DataBeyondTheLabelBufferIsRefused)
{
    // Each ECI escape writes seven bytes for three codewords.
    std::vector<unsigned short> words = {106};
    while (words.size() < 4000) {
        words.insert(words.end(), {108, 3});
    }
    Result const r = Convert(words);
    EXPECT_FALSE(r.ok);
    EXPECT_LE(r.data.size(), DecodedLabel::kDataBytes);
}

TEST(DotCodeDataStream, MaskRemoval)
{
    std::vector<unsigned short> words = {2, 7, 7, 7, 0};
    ASSERT_TRUE(DataStreamConversionForDotCode::RemoveMask(words.data(), 5));
    EXPECT_EQ(words, (std::vector<unsigned short>{2, 7, 0, 106, 92}));
    words[0] = 4;
    EXPECT_FALSE(DataStreamConversionForDotCode::RemoveMask(words.data(), 5));
}

}  // namespace
