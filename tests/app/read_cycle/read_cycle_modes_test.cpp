// Read modes, the read timer, repeat suppression and the no-read text, with the trigger,
// the heartbeat and the frames played by the test.
#include "tests/app/read_cycle/read_cycle_fixture.h"

#include "app/commands/command_channels.h"
#include "app/commands/menu_parser.h"
#include "tests/support/menu_label.h"
#include "decoder/core/identifiers/code128_identifier.h"
#include "format/formatter.h"

namespace read_cycle_test {
namespace {

TEST_F(ReadCycleTest, SingleReadSendsDataWithPrefixAndSuffixAndStops)
{
    set("set string/common_prefix:\"<\"");
    set("set string/common_suffix:\">\\r\"");
    reader().triggerPressedCallback(true);
    EXPECT_EQ(reader().getCurrentState(), ReadBarcode::eReading);
    show(code128("SCANNER-0001", 30.0));
    EXPECT_EQ(received(), "<SCANNER-0001>\r");
    EXPECT_EQ(reader().getCurrentState(), ReadBarcode::eIdle);
    EXPECT_FALSE(reader().decoder().isDecodeEnabled());

    // Read once: a further frame of the same label, trigger still held, gives nothing.
    FrameIndexStatusPtr const again = show(code128("SCANNER-0001"));
    std::this_thread::sleep_for(50ms);
    EXPECT_FALSE(taken(again, 0ms));
    EXPECT_EQ(received(200ms, 200ms), "");

    // The host's software trigger reads the same way.
    reader().softwareTrigger(true);
    EXPECT_EQ(reader().readTimer(), reader().readTime());
    EXPECT_EQ(received(), "<SCANNER-0001>\r");
    reader().softwareTrigger(false);
    EXPECT_FALSE(reader().decoder().isDecodeEnabled());
}

TEST_F(ReadCycleTest, ReleaseStartsTheReadTimeAndATimeOutSendsTheNoReadText)
{
    set("set trigger/manual/extended_read_time:{\"infinite\":false,\"unit\":10,\"time\":7}"); // 7 ticks
    set("set string/error_message/no_label:\"NR\"");
    reader().triggerPressedCallback(true);
    EXPECT_EQ(reader().readTimer(), 0); // held: no time-out
    EXPECT_TRUE(taken(show(blank())));
    reader().triggerPressedCallback(false);
    EXPECT_EQ(reader().readTimer(), 7);
    ticks(6);
    EXPECT_TRUE(reader().decoder().isDecodeEnabled());
    ticks(1);
    EXPECT_FALSE(reader().decoder().isDecodeEnabled());
    EXPECT_EQ(reader().getCurrentState(), ReadBarcode::eIdle);
    EXPECT_EQ(received(), "NR");

    // Pressed again while the read time of a release runs: the read goes on as
    // long as the trigger is held, and the next release starts the time anew.
    reader().triggerPressedCallback(true);
    reader().triggerPressedCallback(false);
    ticks(4);
    reader().triggerPressedCallback(true);
    EXPECT_EQ(reader().readTimer(), 0);
    ticks(10);
    EXPECT_TRUE(reader().decoder().isDecodeEnabled());
    reader().triggerPressedCallback(false);
    EXPECT_EQ(reader().readTimer(), 7);
    ticks(7);
    EXPECT_FALSE(reader().decoder().isDecodeEnabled());
    EXPECT_EQ(received(), "NR");

    // Without a no-read text a time-out sends nothing.
    set("set string/error_message/no_label:\"\"");
    reader().triggerPressedCallback(true);
    reader().triggerPressedCallback(false);
    ticks(7);
    EXPECT_FALSE(reader().decoder().isDecodeEnabled());
    EXPECT_EQ(received(200ms, 300ms), "");
}

TEST_F(ReadCycleTest, ReadTimeFollowsTheSettingsWithinTheTimersRange)
{
    struct Case {
        char const* value;
        std::uint16_t ticks;
    } const cases[] = {
        {"{\"infinite\":false,\"unit\":100,\"time\":50}", 500},
        {"{\"infinite\":false,\"unit\":1,\"time\":5}", 1},        // below one tick
        {"{\"infinite\":false,\"unit\":255,\"time\":65535}", 65534}, // beyond the timer
        {"{\"infinite\":true,\"unit\":100,\"time\":50}", ReadBarcode::kNoTimeOut},
    };
    for (Case const& c : cases) {
        set(std::string("set trigger/manual/extended_read_time:") + c.value);
        EXPECT_EQ(reader().readTime(), c.ticks) << c.value;
    }
    // With no time-out the read goes on until something else ends it.
    reader().triggerPressedCallback(true);
    reader().triggerPressedCallback(false);
    ticks(1000);
    EXPECT_TRUE(reader().decoder().isDecodeEnabled());
    reader().stopReading();
}

TEST_F(ReadCycleTest, MultipleReadReportsEachLabelOnceWithinTheRepeatWindow)
{
    set("set trigger/manual/type:\"MULTIPLE\"");
    set("set trigger/auto_detection/double_read_reset:{\"enable\":true,\"time\":60000}");
    set("set string/common_suffix:\",\"");
    set("set string/error_message/no_label:\"NR\"");
    reader().triggerPressedCallback(true);
    show(code128("A-1"));
    EXPECT_EQ(received(), "A-1,");
    EXPECT_TRUE(reader().decoder().isDecodeEnabled()); // reading goes on
    EXPECT_TRUE(taken(show(code128("A-1"))));         // held still: a repeat
    show(code128("B-2"));
    EXPECT_EQ(received(), "B-2,");
    EXPECT_TRUE(taken(show(code128("B-2"))));
    show(code128("A-1")); // not the last label: reported again
    EXPECT_EQ(received(), "A-1,");

    // The time-out ends the read, forgets the last label and, as labels were read, sends no no-read text.
    reader().triggerPressedCallback(false);
    ticks(reader().readTime());
    EXPECT_FALSE(reader().decoder().isDecodeEnabled());
    reader().triggerPressedCallback(true);
    show(code128("A-1"));
    EXPECT_EQ(received(), "A-1,");
    reader().stopReading();
}

TEST_F(ReadCycleTest, ContinuousModeReadsWithoutTriggerAndWithoutRepeatCheck)
{
    set("set trigger/manual/type:\"CONTINUOUS\"");
    EXPECT_TRUE(reader().decoder().isDecodeEnabled());
    EXPECT_EQ(reader().readTimer(), ReadBarcode::kNoTimeOut);
    show(code128("C-3"));
    EXPECT_EQ(received(), "C-3");
    show(code128("C-3"));
    EXPECT_EQ(received(), "C-3");
    reader().triggerPressedCallback(false);
    EXPECT_EQ(reader().readTimer(), ReadBarcode::kNoTimeOut);

    // Leaving continuous mode stops the read at the next tick.
    set("set trigger/manual/type:\"SINGLE\"");
    EXPECT_EQ(reader().readTimer(), 1);
    ticks(1);
    EXPECT_FALSE(reader().decoder().isDecodeEnabled());
}

TEST_F(ReadCycleTest, MalformedLabelsAreRefusedAndSendNothing)
{
    DEC2DIvra::Code128Identifier const identifier;
    tagDEC2D_REGION const region{};
    tagStructuredAppend const sa{};
    tagDecodedLabel const noData{&identifier, nullptr, 4, 0, &region, &sa, nullptr, 0};
    tagDecodedLabel const noIdentifier{nullptr, "DATA", 4, 0, &region, &sa, nullptr, 0};
    reader().triggerPressedCallback(true);
    EXPECT_FALSE(reader().OnDecodedForDEC2D(nullptr, nullptr));
    EXPECT_FALSE(reader().OnDecodedForDEC2D(nullptr, &noData));
    EXPECT_FALSE(reader().OnDecodedForDEC2D(nullptr, &noIdentifier));
    EXPECT_TRUE(reader().decoder().isDecodeEnabled());
    EXPECT_EQ(received(200ms, 300ms), "");
    // The read goes on and still takes a sound label.
    show(code128("OK-1"));
    EXPECT_EQ(received(), "OK-1");
}

TEST_F(ReadCycleTest, ALabelTooLongToSendIsRefusedOnceWithTheNoReadText)
{
    set("set string/error_message/no_label:\"NR\"");
    DEC2DIvra::Code128Identifier const identifier;
    tagDEC2D_REGION const region{};
    tagStructuredAppend const sa{};
    std::string const data(Formatter::kOutputCells, 'x');
    tagDecodedLabel const label{&identifier, data.data(), static_cast<unsigned>(data.size()), 0, &region, &sa, nullptr, 0};

    // A single read ends at once, as a time-out does, and sends nothing more later.
    reader().triggerPressedCallback(true);
    EXPECT_TRUE(reader().OnDecodedForDEC2D(nullptr, &label));
    EXPECT_FALSE(reader().decoder().isDecodeEnabled());
    EXPECT_EQ(reader().getCurrentState(), ReadBarcode::eIdle);
    EXPECT_EQ(received(), "NR");
    reader().triggerPressedCallback(false);
    ticks(reader().readTime());
    EXPECT_EQ(received(200ms, 300ms), "");

    // A multiple read does not take it and goes on; its time-out counts no label.
    set("set trigger/manual/type:\"MULTIPLE\"");
    reader().triggerPressedCallback(true);
    EXPECT_FALSE(reader().OnDecodedForDEC2D(nullptr, &label));
    EXPECT_TRUE(reader().decoder().isDecodeEnabled());
    EXPECT_EQ(received(200ms, 300ms), "");
    reader().triggerPressedCallback(false);
    ticks(reader().readTime());
    EXPECT_EQ(received(), "NR");
}

} // namespace
} // namespace read_cycle_test

namespace read_cycle_test {
namespace {

// Stands in for the menu-code parsers: "MENU" toggles menu mode, "FRAG" is a fragment.
// Takes the Code 39 parser's place while it lives: "MENU" toggles, "FRAG" is a fragment.
class FakeMenuParser final : public MenuParser {
public:
    FakeMenuParser() : MenuParser(MenuCodeIdentifier::MenuCode39) {}
    int Parse(char const* text, unsigned length, tagSymbology, unsigned, std::vector<char>& out) override
    {
        std::string const data(text, length);
        if (data == "FRAG") {
            out = {'a', 'b'};
            return kMenuFragment;
        }
        return data == "MENU" ? kMenuToggle : kMenuOrdinaryLabel;
    }
};

std::string pipeBytes()
{
    std::string bytes;
    for (char c; memoryPipeStream.unread() > 0 && memoryPipeStream.input().Read(c);) {
        bytes += c;
    }
    return bytes;
}

TEST_F(ReadCycleTest, MenuLabelsFeedTheCommandPipeAndOrdinaryOnesWaitOutsideMenuMode)
{
    FakeMenuParser const parser;
    pipeBytes();
    auto const read = [](std::string const& data) {
        reader().triggerPressedCallback(true);
        EXPECT_TRUE(taken(show(code128(data))));
        EXPECT_TRUE(eventually([] { return !reader().decoder().isDecodeEnabled(); }));
    };
    read("FRAG"); // outside menu mode: refused
    EXPECT_EQ(pipeBytes(), "");
    read("MENU");
    EXPECT_TRUE(eventually([] { return reader().isMenuMode(); }));
    read("FRAG");
    read("PLAIN"); // not sent to the host in menu mode
    read("MENU");
    EXPECT_TRUE(eventually([] { return !reader().isMenuMode(); })); // after the beeps
    EXPECT_EQ(pipeBytes(), std::string("\x1b" "ab" "Z2\0\r", 7));
    EXPECT_EQ(received(200ms, 300ms), "");
}


// Real menu labels: a broken one is neither host data nor a command (its error signal
// is shown in FirmwareStartTest.MenuModeSilencesTheHostAndSignalsEachCommand).
TEST_F(ReadCycleTest, ABrokenMenuLabelIsNeitherHostDataNorACommand)
{
    pipeBytes();
    struct Label {
        char const* inner;
        std::string pipe;
    };
    Label const labels[] = {
        {"12345G", ""},   // an address of no hex digits
        {"+-Z1Z3--", ""}, // a whole command without its closing marks
        {"+-Z1Z3-+", "\x1b+-Z1Z3-+\r"},
    };
    for (Label const& label : labels) {
        SCOPED_TRACE(label.inner);
        reader().triggerPressedCallback(true);
        support::Rendering const rendering = support::renderMenuLabel(label.inner, {.moduleSize = 2.5});
        ASSERT_TRUE(rendering.symbol.ok) << rendering.symbol.error;
        EXPECT_TRUE(taken(show(rendering.frame)));
        EXPECT_TRUE(eventually([] { return !reader().decoder().isDecodeEnabled(); }));
        EXPECT_EQ(received(200ms, 300ms), "");
        if (!label.pipe.empty()) {
            EXPECT_TRUE(eventually([] { return memoryPipeStream.unread() > 0; }));
        }
        EXPECT_EQ(pipeBytes(), label.pipe);
    }
}

} // namespace
} // namespace read_cycle_test
