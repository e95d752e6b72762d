// Patterns and templates on labels: matching with groups, alternatives,
// repetition and backtracking, quoted output, skips, identifier tests, GS1
// element strings, template references and alternatives.

#include <gtest/gtest.h>

#include "tests/format/data_edit/data_edit_test_support.h"

namespace {

using data_edit_test::Engine;
using data_edit_test::LabelText;

struct Case {
    const char* pattern;
    const char* format;
    const char* label;
    const char* expected;
};

LabelText Plain(const char* data)
{
    LabelText l;
    l.data = data;
    return l;
}

// The angle has three digits and the coordinates four with format bit 1;
// a negative value always has its '-', a positive one a '+' with bit 0.
TEST(DataEditPattern, WritesAnglesAndCoordinatesInTheirFormats)
{
    Engine engine;
    ASSERT_EQ(engine.Set(1, "(.*)", "\\Pa[0] \\Pf00\\Pa[0] \\Pf02\\Pa[0] \\Pf01\\P0x[0]"), 0);
    LabelText label = Plain("A");
    label.angle = -5;
    label.x[0] = 1, label.x[1] = 2, label.x[2] = 3, label.x[3] = 5;
    EXPECT_EQ(engine.Scan(label), "-005 -5 -005 +2");
    label.angle = 7;
    EXPECT_EQ(engine.Scan(label), "+007 7 007 +2");
    ASSERT_EQ(engine.Set(1, "(.*)", "\\P0x[0]"), 0);
    EXPECT_EQ(engine.Scan(label), "+0002");
}

TEST(DataEditPattern, MatchesAndRewritesLabels)
{
    const Case cases[] = {
        {"\"X\"(.*)", "[0]", "ABC", "XABC"},
        {"\"X\"(.*)", "[0,1]", "ABC", "ABC"},
        {"<AB>(.*)", "[0]", "ABCD", "CD"},
        {"AB", "[0]", "ABCD", "AB"},          // a prefix match
        {"AB$", "[0]", "ABCD", "-"},
        {"^(a{2,3}?)(a*)$", "[0,1]-[0,2]", "aaaa", "aa-aa"},
        {"(a{2,3})(a*)$", "[0,1]-[0,2]", "aaaa", "aaa-a"},
        {"(a{2,3}?)b", "[0,1]", "aaab", "aaa"},
        {"[^0-9]", "[0]", "5", "-"},
        {"[^0-9]", "[0]", "A", "A"},
        {"[A-C]+", "[0]", "CABD", "CAB"},
        {"(x|xy)z", "[0]", "xyz", "xyz"},
        {"(?:ab|a)(!:b+)c", "[0,1]", "abbbc", "bb"},
        {"\\x41\\x42", "[0]", "AB", "AB"},
        {"A\"\\x2D\\(\\)\"B", "[0]", "AB", "A-()B"},
        {"(.)(.)\"[2][1]\"", "[0]", "AB", "ABBA"},
        {"(..)/(..)", "[0]", "AB", "AB"},
        {"\\ST.*", "[0]", "AB", "AB"},
        {"\\SE.*", "[0]", "AB", "-"},
        {"]C0.*", "[0]", "AB", "AB"},
        {"\\SE]C0\"+\".*", "[0]", "AB", "+AB"},
        {"\"\\Sa\\So\".*", "[0]", "AB", "]C0TAB"},
        {"(?:\"X\"|\"Y\")Q", "[0]", "Q", "XQ"},
        {"(.*)", "(\\x5B[0,2]\\x5D|none)", "AB", "none"},
        {"(.*)", "([0,1]|none)", "AB", "AB"},
        {"(.*)", "\\P0x[0],\\P0y[0] \\Pf00\\P1x[0] \\Pa[0]", "AB", "+0060,+0035 10 0"},
        {"(.*)", "\\k0D\\d05", "AB", "<E003E00D><E00105>"},
        {"(.*)", "$NUMERICSPEC{D4}$DATASIZE{[0]}", "ABC", "0003ABC"},
        {"(.*)", "$GTIN_CHECKDIGIT{[0]}", "629104150021", "6291041500213"},
        {"(.*)", "($GTIN_CHECKDIGIT[01]{[0]}|bad)", "6291041500212", "bad"},
        {"(.*)", "$GTIN_CHECKDIGIT[01]{[0]}", "6291041500213", "6291041500213"},
        {"(.*)", "$CALC_MODULUS_CHECKDIGIT[01]{10,21,[0]}", "7992739871", "79927398713"},
        {"(.*)", "$CALC_DIVIDE_REMAINDER_CHECKDIGIT{7,[0]}", "123", "1234"},
        {"(.*)", "$FILL{8,+0,0,[0]}", "123", "00000123"},
        {"(.*)", "$FILL{8,-0,_,[0]}", "123", "123_____"},
        {"(.*)", "$NUMBER_CONVERSION{0123456789,0123456789ABCDEF,[0]}", "255", "FF"},
        {"(.*)", "$IMAGE_FILE_NAME{d-n-e}", "A", "/home/user-test-.bmp"},
        {"(.*)", "$NUMERICSPEC{X2}$CHECKSUM[01]{[0]}", "AB", "AB03"},
        {"(.*)\"$FILL{5,+0,0,[1]}\"", "[0]", "12", "1200012"},
        {"(.*)", "$SIGNAL{GO}", "A", "!"},
        // '|' in a call's argument chooses within the call only.
        {"(.*)", "<$FILL{5,+0,0,[0,3]|5,+0,0,[0,1]}>", "12", "<00012>"},
        {"(.*)", "<$FILL{5,+0,0,[0,1]}|x>", "12", "<00012"},
        {"(.*)\"<$FILL{5,+0,0,[1]|x}>\"", "[0]", "12", "12<00012>"},
        {"(.*)\"<$FILL{x|5,+0,0,[1]}>\"", "[0]", "12", "12<00012>"},
        {"(.*)\"<$FILL{x|y}>\"", "[0]", "12", "-"},
        {"(.*)", "<$FILL{5,+0,0,[0,1]|x}>", "12", "<00012>"},
        {"(.*)", "A$GTIN_CHECKDIGIT[01]{[0,1]|[0,2]}B", "17", "A17B"},
        {"(.*)", "(A$GTIN_CHECKDIGIT[01]{[0,1]|[0,2]}B|none)", "12", "none"},
    };
    for (const Case& c : cases) {
        Engine engine;
        ASSERT_EQ(engine.Set(1, c.pattern, c.format), 0) << c.pattern << " " << c.format;
        EXPECT_EQ(engine.Scan(Plain(c.label)), c.expected) << c.pattern << " | " << c.format << " on " << c.label;
    }
}

TEST(DataEditPattern, Gs1ElementStrings)
{
    const Case cases[] = {
        {"\\s80(\\Ax)+", "(\\A17[0]\\D1|NONE)", "0109501101530003172507001" "0ABC", "2507"},
        {"\\s80(\\Ax)+", "(\\A17[0]\\D1|NONE)", "0109501101530003", "NONE"},
        {"\\s80\\Ax+", "\\A10[0]\\D1", "10ABC\x1D" "0109501101530003", "ABC"},
        {"\\s80\\Ax+", "\\Df02\\A3103[0]\\D1 \\Df00\\A310D[0]\\D1", "3103001250", "001.250 001250"},
        {"\\s80\\Ax+", "\\Df02\\A3100[0]\\D1", "3100001250", "001250"},
        {"\\s80\\Ax+", "\\Df01\\A17[0]\\D1", "17250700", "2507"},
        {"\\s80\\A01", "[0]", "010950110153000", "-"}, // 13 digits
        {"\\s80(?:<\\Ax>\"\\(\\I\\)\\D1\")+$", "[0]", "0109501101530003\x1D" "10AB", "<E10080>(01)09501101530003(10)AB"},
        {"\\s80(?:<\\s80>\"\\x1D\"|[^\\s80])+$", "[0]", "10AB\x1D" "21C", "<E10080>10AB<1D>21C"},
    };
    for (const Case& c : cases) {
        Engine engine;
        ASSERT_EQ(engine.Set(1, c.pattern, c.format), 0) << c.pattern << " " << c.format;
        LabelText label = Plain(c.label);
        label.gs1 = true;
        label.aim = "]C1";
        EXPECT_EQ(engine.Scan(label), c.expected) << c.pattern << " | " << c.format << " on " << c.label;
    }
}

TEST(DataEditPattern, MalformedProgramsAreRefused)
{
    struct Bad {
        const char* pattern;
        const char* format;
        int code;
    };
    const std::string longPattern(600, 'a');
    const std::string manyStates = std::string(300, '(') + std::string(300, ')');
    const Bad cases[] = {
        {"(x", "", 3},
        {"x)", "", 3},
        {"(?x)", "", 3},
        {"(!x)", "", 3},
        {"a}", "", 3},
        {"a{2", "", 3},
        {"a{3,2}", "", 3},
        {"\\qZZ", "", 3},
        {"\\x4", "", 3},
        {"[a-", "", 3},
        {"a>", "", 3},
        {"(a/b)", "", 3},
        {"*a", "", 3},
        {"\"$NOPE{x}\"", "", 3},
        {"\"$FILL{x\"", "", 3},
        {"\"x}\"", "", 3},
        {"(\"$FILL{\")\"}\"", "", 3},
        {"\\A1", "", 3},
        {longPattern.c_str(), "", 2},
        {manyStates.c_str(), "", 2},
        {"", "(ab", 3},
        {"", "ab)", 3},
        {"", "$FILL{(}", 3},
        {"", "[0", 3},
        {"", "[300]", 2},
        {"", "\\Dz", 3},
        {"", "\\A01", 3},
    };
    for (const Bad& c : cases) {
        Engine engine;
        ASSERT_EQ(engine.Set(1, "(.*)", "<[0]>"), 0);
        EXPECT_EQ(engine.Set(1, c.pattern, c.format), c.code) << c.pattern << " | " << c.format;
        // The working program stays in force.
        EXPECT_EQ(engine.Scan(Plain("AB")), "<AB>") << c.pattern << " | " << c.format;
        std::string pattern, format;
        ASSERT_TRUE(engine.Get().Texts(1, pattern, format));
        EXPECT_EQ(pattern, "(.*)");
    }
    Engine engine;
    const std::string literals(512, 'x');
    EXPECT_EQ(engine.Set(1, "", literals), 2);
    EXPECT_EQ(engine.Set(6, "", ""), 2);
}

TEST(DataEditPattern, ProgramsThatCouldBacktrackWithoutEndAreRefused)
{
    // Each takes the same cells along two ways in every pass of a loop (or
    // passes that take nothing), so a label that fails late costs 2^n steps.
    const char* refused[] = {
        "(a*)*b",
        "(a+)+b",
        "((a|aa)+)+b",
        "(a|aa)+b",
        "(a|a)*b",
        "(a|b|ab)*c",
        "(.*,)*x",
        "(.*a){20}",
        "(a{1,100})*b",
        "([0-9]+[0-9]+)+x",
        "(a?)+b",
        "(a|)*b",
        "(a(?:|\\Ev))*b",
        "(?:x\"A\"|x\"B\")*y",
        "(?:<\\s80>\"\\x1D\"|.)+$",
        "x/(a+)+",
    };
    for (const char* pattern : refused) {
        Engine engine;
        ASSERT_EQ(engine.Set(1, "(.*)", "<[0]>"), 0);
        EXPECT_EQ(engine.Set(1, pattern, "[0]"), 3) << pattern;
        EXPECT_EQ(engine.Scan(Plain("ab")), "<ab>") << pattern;
    }
    // Loops whose passes split the cells one way only stay accepted, and so
    // do polynomial shapes and counted repetitions written out.
    const char* accepted[] = {
        "(.*)",
        "^ID(!:[0-9]+)-(.*)$",
        "([A-Z]+[0-9]+)*",
        "([^,]*,)*(.*)",
        "([0-9]{2})+",
        "([0-9]{1,3},)*[0-9]+",
        "(ab|ac)*",
        "(a{2,3}?)(a*)$",
        "(.*)-(.*)-(.*)",
        "\\s80(\\Ax)+",
        "\\s80(?:<\\Ax>\"\\Ax\\(\\I\\)\\D1(\\D2|)\"(?:$|\";\"))+$",
        "(?:<\\s80>\"\\x1D\"|[^\\s80])+$",
        "(x(y|z)?)*",
    };
    for (const char* pattern : accepted) {
        Engine engine;
        EXPECT_EQ(engine.Set(1, pattern, "[0]"), 0) << pattern;
    }
}

TEST(DataEditPattern, PolynomialBacktrackingEndsInBoundedRuns)
{
    Engine engine;
    ASSERT_EQ(engine.Set(1, ".*.*.*.*.*.*b", "[0]"), 0);
    ASSERT_EQ(engine.Set(3, "(.*)", "ok"), 0);
    const std::string run(2000, 'a');
    // The match gives up at its step limit; the label is refused or taken by
    // the later slot, never hung on.
    const std::string out = engine.Scan(Plain(run.c_str()));
    EXPECT_TRUE(out == "ok" || out == "!") << out;
    EXPECT_EQ(engine.Scan(Plain("aab")), "aab");
}

TEST(DataEditPattern, EmptyPatternNeverMatchesAndLaterSlotsStandIn)
{
    Engine engine;
    ASSERT_EQ(engine.Set(2, "", "x"), 0);
    EXPECT_EQ(engine.Scan(Plain("AB")), "-");
    // Slot 1 matches but needs a group that does not exist; slot 3 answers.
    ASSERT_EQ(engine.Set(1, "(.*)", "[0,5]"), 0);
    ASSERT_EQ(engine.Set(3, "(.*)", "three:[0,1]"), 0);
    EXPECT_EQ(engine.Scan(Plain("AB")), "three:AB");
}

TEST(DataEditPattern, TwoLabelsSideBySideTakeTheirPartsInReadingOrder)
{
    Engine engine;
    ASSERT_EQ(engine.Set(1, "\\E1(.*)/\\E1(.*)", "[0,1]+[1,2]"), 0);
    LabelText right = Plain("RIGHT");
    LabelText left = Plain("LEFT");
    for (int i = 0; i < 4; ++i)
        right.x[i] += 200;
    // The right label is read first and waits; the left one then takes part 0.
    EXPECT_EQ(engine.Scan(right, true), "?");
    EXPECT_EQ(engine.Scan(left, true), "LEFT+RIGHT");
    Engine second;
    ASSERT_EQ(second.Set(1, "\\E1(.*)/\\E1(.*)", "[0,1]+[1,2]"), 0);
    EXPECT_EQ(second.Scan(left, true), "?");
    EXPECT_EQ(second.Scan(left, true), "?"); // the same label again adds nothing
    EXPECT_EQ(second.Scan(right, true), "LEFT+RIGHT");
}

} // namespace
