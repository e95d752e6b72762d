// The program GS1 conversion generates, run on GS1 labels: each output mode
// with separators, delays, AI headers and terminators.

#include <gtest/gtest.h>

#include <cstring>

#include "format/data_edit/gs1_conversion_program.h"
#include "tests/format/data_edit/data_edit_test_support.h"

namespace {

using data_edit_test::Engine;
using data_edit_test::LabelText;

std::string Convert(const Gs1ConversionValues& values, const char* data, const char* aim = "]C1", char id = 'T')
{
    std::string pattern, format;
    if (!BuildGs1ConversionProgram(values, pattern, format))
        return "refused";
    Engine engine;
    const int r = engine.Set(5, pattern, format);
    if (r != 0)
        return "compile " + std::to_string(r) + ": " + pattern + " | " + format;
    LabelText label;
    label.data = data;
    label.aim = aim;
    label.identifier = id;
    label.gs1 = aim[1] != 'C' || aim[2] == '1';
    return engine.Scan(label);
}

Gs1ConversionValues Mode(unsigned mode)
{
    Gs1ConversionValues v;
    v.gs1outputmode = static_cast<unsigned char>(mode);
    v.decodemodec128 = 2;
    v.fn1conv.c[0] = 29;
    v.outaimfirstfnc1 = 0;
    return v;
}

constexpr const char* kLabel = "0109501101530003" "3103001250" "10AB\x1D" "17250700";

TEST(Gs1ConversionProgram, OutputModes)
{
    Gs1ConversionValues two = Mode(2);
    EXPECT_EQ(Convert(two, kLabel), "<E10080>(01)09501101530003(3103)001250(10)AB(17)250700");
    two.decimalpoint = 1;
    two.removeday = 1;
    two.elementseparator.c[0] = '/';
    EXPECT_EQ(Convert(two, kLabel), "<E10080>(01)09501101530003/(3103)001.250/(10)AB/(17)2507");
    Gs1ConversionValues three = Mode(3);
    three.elementseparator.c[0] = 0x0D;
    three.delayvalue = 20;
    three.delaymultiple = 16;
    EXPECT_EQ(Convert(three, kLabel), "<E10080>09501101530003<D><E00120>001250<D><E00120>AB<D><E00120>250700");
    Gs1ConversionValues four = Mode(4);
    EXPECT_EQ(Convert(four, kLabel), "<E10080>0109501101530003310300125010AB<1D>17250700");
    four.fn1conv.c[0] = '*';
    four.fn1conv.key[1] = 1;
    four.fn1conv.c[1] = 0x0D;
    EXPECT_EQ(Convert(four, kLabel), "<E10080>0109501101530003310300125010AB*<E003E00D>17250700");
    // The AIM text first when asked for.
    four.outaimfirstfnc1 = 1;
    EXPECT_EQ(Convert(four, "10AB\x1D" "21X", "]C1"), "]C1<E10080>10AB*<E003E00D>21X");
}

TEST(Gs1ConversionProgram, ModeOneSendsTheListedElementsWithHeadersAndTerminators)
{
    Gs1ConversionValues one = Mode(1);
    one.outaimfirstfnc1 = 0;
    one.decimalpoint = 1;
    // Entry 0: AI 17 with header '<' and terminator CR as a direct key; entry 1: AI 3103.
    const unsigned char entry0[17] = {'1', '7', 255, 255, 255, '3', 'C', 0, 'F', 'F', 0, '0', 'D', 1, 'F', 'F', 0};
    const unsigned char entry1[17] = {'3', '1', '0', '3', 255, 'F', '0', 0, 'F', 'F', 0, 255, 255, 0, 255, 255, 0};
    std::memcpy(one.aisettings[0], entry0, 17);
    std::memcpy(one.aisettings[1], entry1, 17);
    one.aiindex = 1;
    // 0xF0 as a header is a character, not "none".
    EXPECT_EQ(Convert(one, kLabel), "<250700<E003E00D><F0>001.250");
    one.outaimfirstfnc1 = 1;
    EXPECT_EQ(Convert(one, kLabel), "]C1<250700<E003E00D><F0>001.250");
    // A label without AI 17 leaves that entry out.
    EXPECT_EQ(Convert(one, "0109501101530003"), "]C1");
}

TEST(Gs1ConversionProgram, OffAndOutOfRangeModes)
{
    std::string pattern, format;
    Gs1ConversionValues off = Mode(0);
    EXPECT_TRUE(BuildGs1ConversionProgram(off, pattern, format));
    EXPECT_TRUE(pattern.empty() && format.empty());
    Gs1ConversionValues noCode128 = Mode(2);
    noCode128.decodemodec128 = 0;
    EXPECT_TRUE(BuildGs1ConversionProgram(noCode128, pattern, format));
    EXPECT_TRUE(pattern.empty() && format.empty());
    EXPECT_FALSE(BuildGs1ConversionProgram(Mode(5), pattern, format));
}

TEST(Gs1ConversionProgram, PlainCode128PassesWhenHandlingIsOn)
{
    Gs1ConversionValues v = Mode(2);
    v.decodemodec128 = 1;
    EXPECT_EQ(Convert(v, "PLAIN", "]C0", 'T'), "PLAIN");
    EXPECT_EQ(Convert(v, "10AB", "]C1", 'T'), "<E10080>(10)AB");
}

} // namespace
