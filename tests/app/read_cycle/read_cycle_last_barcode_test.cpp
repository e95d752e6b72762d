// Repeat suppression: what counts as the same label read again, on a clock the test sets.
#include "app/read_cycle/last_barcode.h"

#include "config/configuration.h"
#include "decoder/core/identifiers/code128_identifier.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr std::int64_t kMs = 1000000;

void setRepeatWindow(bool enable, std::uint16_t ms)
{
    std::lock_guard<std::recursive_mutex> lock(ivra_configuration::CommandMutex());
    auto const& reset = ivra_configuration::Root().trigger.auto_detection.double_read_reset;
    ASSERT_TRUE(reset.enable.Set(enable));
    ASSERT_TRUE(reset.time.Set(ms));
    ASSERT_TRUE(ivra_configuration::Update());
}

struct Label {
    DEC2DIvra::Code128Identifier identifier;
    std::string data;
    tagDecodedLabel view() const
    {
        return {&identifier, data.data(), static_cast<unsigned>(data.size()), 0, nullptr, nullptr, nullptr, 0};
    }
};

class LastBarcodeTest : public ::testing::Test {
protected:
    void SetUp() override { setRepeatWindow(true, 1000); }

    std::int64_t now_ = 5000 * kMs;
    LastBarcode last_{[this] { return now_; }};
};

TEST_F(LastBarcodeTest, SameBytesAndIdentifierWithinTheWindowRepeat)
{
    Label const stored{DEC2DIvra::Code128Identifier(0), std::string("AB\0CD", 5)};
    struct Case {
        char const* what;
        Label label;
        std::int64_t after;
        bool repeat;
    } const cases[] = {
        {"same label at once", stored, 0, true},
        {"same label at the window's end", stored, 1000 * kMs, true},
        {"same label after the window", stored, 1001 * kMs, false},
        {"differs after a NUL", {DEC2DIvra::Code128Identifier(0), std::string("AB\0CX", 5)}, 0, false},
        {"shorter", {DEC2DIvra::Code128Identifier(0), std::string("AB\0C", 4)}, 0, false},
        {"other AIM identifier", {DEC2DIvra::Code128Identifier(1), std::string("AB\0CD", 5)}, 0, false},
    };
    EXPECT_FALSE(last_.compare(stored.view())); // nothing stored yet
    for (Case const& c : cases) {
        now_ = 5000 * kMs;
        last_.assign(stored.view());
        now_ += c.after;
        tagDecodedLabel const label = c.label.view();
        EXPECT_EQ(last_.compare(label), c.repeat) << c.what;
    }
}

} // namespace
