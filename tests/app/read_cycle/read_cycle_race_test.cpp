// The read cycle under load from its other threads: the trigger pressed fast or held
// while the decoder thread reads and commands change the settings. Run under the
// thread sanitizer these find unguarded data; the checks after each stress show that
// the cycle still reads as configured.
#include "app/firmware_main.h"
#include "tests/app/read_cycle/read_cycle_fixture.h"

#include "app/settings/menu_cmd_handler.h"
#include "app/settings/settings_persistence.h"
#include "decoder/core/identifiers/codabar_identifier.h"
#include "decoder/core/identifiers/common_symbology_identifier.h"

#include <atomic>

namespace read_cycle_test {
namespace {

using Clock = std::chrono::steady_clock;

// Runs `step` on a thread of its own until told to stop.
class Busy {
public:
    template <typename Step>
    explicit Busy(Step step)
        : thread_([this, step] {
              for (int i = 0; !stop_; ++i) {
                  step(i);
              }
          })
    {
    }
    ~Busy()
    {
        stop_ = true;
        thread_.join();
    }

private:
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// The modifier bits of the halves of an ABC Codabar pair.
constexpr unsigned kAbcFirst = 1u << 0 | 1u << 11;
constexpr unsigned kAbcSecond = 1u << 0 | 1u << 12;
constexpr unsigned kPlain = 1u << 0;

class ReadCycleRaceTest : public ReadCycleTest {
protected:
    void TearDown() override
    {
        reader().stopReading();
        received(100ms, 100ms);
    }

    // A Codabar half as the decoder thread hands it to the read cycle.
    static void codabarHalf(unsigned modifier, std::string const& data)
    {
        DEC2DIvra::CommonSymbologyIdentifier const identifier{DEC2DIvra::CodabarIdentifier(modifier)};
        tagDEC2D_REGION const region{10, 20, 110, 20, 110, 60, 10, 60};
        tagStructuredAppend const append{};
        tagDecodedLabel const label{&identifier, data.data(), static_cast<unsigned>(data.size()), 0, &region, &append,
                                    nullptr, 0};
        reader().OnDecodedForDEC2D(nullptr, &label);
    }
};

// A Codabar half is held while the trigger starts and ends reads on the key thread:
// the held half is dropped or kept whole, never torn.
TEST_F(ReadCycleRaceTest, HeldCodabarHalfWhileTheTriggerIsPressedFast)
{
    set("set code/codabar/enable_abc_cx:3");
    {
        Busy keys([](int i) { reader().triggerPressedCallback(i % 2 == 0); });
        for (auto const until = Clock::now() + 300ms; Clock::now() < until;) {
            codabarHalf(kAbcFirst, "D12D");
            codabarHalf(kAbcSecond, "A34D");
        }
    }
    reader().triggerPressedCallback(false);
    reader().stopReading();
    received(100ms, 100ms);

    // The pair still joins once the trigger rests.
    reader().triggerPressedCallback(true);
    codabarHalf(kAbcFirst, "D12D");
    codabarHalf(kAbcSecond, "A34D");
    EXPECT_EQ(received(), "D12DA34D");
}

// The trigger held and pressed again while the decoder reads every frame and commands
// switch the symbologies it reads, load the saved settings and put back the defaults: each frame is read with
// settings that no command is writing, and a change reaches the next frame.
TEST_F(ReadCycleRaceTest, SettingsChangedWhileTheDecoderReadsEveryFrame)
{
    support::Frame const linear = code128("RACE-128");
    auto const ean = support::render({.symbology = BARCODE_EANX, .data = "590123412345"}, {.moduleSize = 2.5});
    ASSERT_TRUE(ean.symbol.ok) << ean.symbol.error;
    // "load" as start-up wires it, from settings saved with every symbology on.
    MenuCmdHandler::getInstance().setLoadSavePropertiesCallback(DoLoadProperties, SaveSettings);
    set("save");
    set("set trigger/manual/type:\"MULTIPLE\"");
    {
        Busy camera([&](int i) {
            show(i % 2 == 0 ? linear : ean.frame);
            std::this_thread::sleep_for(2ms);
        });
        Busy keys([](int i) {
            reader().triggerPressedCallback(i % 8 != 7); // held, let go now and then
            std::this_thread::sleep_for(1ms);
        });
        char const* const commands[] = {"set read/code128:false", "set read/ean13:false", "set read/upc_a:false",
                                        "load",                   "set read/code128:false", "set_default"};
        for (auto const until = Clock::now() + 400ms; Clock::now() < until;) {
            for (char const* command : commands) {
                set(command);
            }
        }
    }
    // The frames of the stress are read to the end before the host is looked at (a
    // multiple read goes on after a label). Then single reads, which take a label even
    // when it repeats one read before.
    set("set trigger/manual/type:\"MULTIPLE\"");
    // The stress may have left the key held after its read ended (a single read
    // after "set_default"): let go first, so that pressing starts a read.
    reader().triggerPressedCallback(false);
    reader().triggerPressedCallback(true);
    ASSERT_TRUE(taken(show(blank())));
    reader().stopReading();
    received(100ms, 300ms);
    set("set trigger/manual/type:\"SINGLE\"");

    set("set read/code128:false");
    reader().triggerPressedCallback(true);
    ASSERT_TRUE(taken(show(linear)));
    ASSERT_TRUE(taken(show(blank()))); // the frame before has been read
    EXPECT_EQ(received(100ms, 300ms), "");
    set("set read/code128:true");
    show(linear);
    EXPECT_EQ(received(), "RACE-128");
}

// A stream of labels as the host receives it, cut into records by the common affixes
// the commands below set: none, "<" and ">", or twenty "(" and twenty ")". Whether every
// record has a prefix and a suffix of the same setting around data of `alphabet`.
bool FramedByOneSetting(std::string const& stream, std::string const& alphabet, std::string& bad)
{
    std::string const longOpen(20, '('), longClose(20, ')');
    for (std::size_t i = 0; i < stream.size();) {
        std::size_t const start = i;
        auto run = [&](auto in) {
            std::size_t const from = i;
            while (i < stream.size() && in(stream[i])) {
                ++i;
            }
            return stream.substr(from, i - from);
        };
        std::string const open = run([](char c) { return c == '<' || c == '('; });
        std::string const data = run([&](char c) { return alphabet.find(c) != std::string::npos; });
        std::string const close = run([](char c) { return c == '>' || c == ')'; });
        bool const whole = (open.empty() && close.empty()) || (open == "<" && close == ">")
                           || (open == longOpen && close == longClose);
        if (data.empty() || !whole) {
            bad = stream.substr(start, 60);
            return false;
        }
    }
    return true;
}

// Codabar halves and plain labels go through the formatter as the read cycle hands them
// on, while commands rewrite what it reads: both common affixes in one command, the
// Codabar forms and group affixes, case and character conversion, the ECI switch and
// the good-read signal, and "load" and "set_default" put whole sets back. Each label is
// formatted from one whole set: its prefix and suffix come from the same command.
TEST_F(ReadCycleRaceTest, LabelsFormattedWhileCommandsRewriteTheirSettings)
{
    MenuCmdHandler::getInstance().setLoadSavePropertiesCallback(DoLoadProperties, SaveSettings);
    set(R"(set string:{"common_prefix":"<","common_suffix":">"})");
    set("save");
    std::atomic<int> labels{0};
    {
        Busy decoder([&](int i) {
            codabarHalf(kAbcFirst, "D12D");
            codabarHalf(kAbcSecond, "A34D");
            codabarHalf(kPlain, i % 2 == 0 ? "B56B" : "C78C");
            labels += 3;
            std::this_thread::sleep_for(200us);
        });
        char const* const commands[] = {
            R"x(set string:{"common_prefix":"((((((((((((((((((((","common_suffix":"))))))))))))))))))))"})x",
            "set code/codabar/enable_abc_cx:3",
            R"(set string/case_conversion:"CONVERT_TO_LOWER_CASE")",
            R"(set string/codabar:{"prefix":"#","suffix":"#"})",
            R"(set character_conversion/ccl_source:"CP_UTF8")",
            "set string/ignore_eci_protocol/enable:true",
            R"(set indicator/timing:"BEFORE")",
            "set indicator/led/good_read/time:250",
            "load",
            "set code/codabar/enable_abc_cx:6",
            "set_default",
        };
        for (auto const until = Clock::now() + 400ms; Clock::now() < until || labels < 300;) {
            for (char const* command : commands) {
                set(command);
            }
        }
    }
    std::string const host = received();
    std::string bad;
    EXPECT_TRUE(FramedByOneSetting(host, "ABCDabcd012345678#", bad)) << bad;

    // A change reaches the next label whole.
    set(R"(set string:{"common_prefix":"<","common_suffix":">"})");
    codabarHalf(kPlain, "B56B");
    EXPECT_EQ(received(), "<B56B>");
}

} // namespace
} // namespace read_cycle_test
