// The verification register through programs: registering reference data
// with wildcards, comparing later labels, counting, removing, and the limits
// of the stored values that label data must not overrun.

#include <gtest/gtest.h>

#include <mutex>
#include <string>

#include "config/configuration.h"
#include "tests/format/data_edit/data_edit_test_support.h"

namespace {

namespace cfg = ivra_configuration;
using data_edit_test::Engine;
using data_edit_test::LabelText;

class VerificationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        {
            std::lock_guard<std::recursive_mutex> lock(cfg::CommandMutex());
            ASSERT_TRUE(cfg::Root().data_edit_programming.verification.SetDefault());
            ASSERT_TRUE(cfg::Update());
        }
        ASSERT_EQ(engine.Set(1, "^R(.*)", "($REGISTER{7,0123456789,[0,1]}registered|refused)"), 0);
        ASSERT_EQ(engine.Set(2, "^C(.*)", "($COMPARE{7,0123456789,[0,1]}OK|NG)"), 0);
        ASSERT_EQ(engine.Set(3, "^K", "($COUNT_OK{7,==2}ok2|ok?)($COUNT_NG{7,>=2}ng2|ng?)"), 0);
        ASSERT_EQ(engine.Set(4, "^U(.*)", "($UNREGISTER{[0,1]}removed|unknown)"), 0);
    }
    std::string Scan(const std::string& data)
    {
        LabelText label;
        label.data = data;
        return engine.Scan(label);
    }
    const cfg::configuration::data_edit_programming::verification::Struct& Stored() const
    {
        return *static_cast<const cfg::configuration::data_edit_programming::verification::Struct*>(
            cfg::Root().data_edit_programming.verification.CalcAddress());
    }

    Engine engine;
};

TEST_F(VerificationTest, RegisteredDataWithWildcardsCountsOkAndNg)
{
    EXPECT_EQ(Scan("RLOT-12"), "registered");
    EXPECT_EQ(Stored().index.count, 1u);
    EXPECT_EQ(Stored().length.data[0], 5u); // "LOT-" and one wildcard cell
    EXPECT_EQ(Stored().number.data[0], 12u);
    EXPECT_EQ(Scan("RLOT-99"), "refused"); // number 7 is taken
    EXPECT_EQ(Scan("CLOT-12"), "OK");      // the expected number steps on to 13
    EXPECT_EQ(Scan("CLOT-12"), "NG");
    EXPECT_EQ(Scan("CLOT-13"), "OK");
    EXPECT_EQ(Scan("CBOX-14"), "NG");
    EXPECT_EQ(Scan("K"), "ok2ng2");
    EXPECT_EQ(Scan("U7"), "removed");
    EXPECT_EQ(Scan("U7"), "unknown");
    EXPECT_EQ(Scan("CLOT-14"), "NG");
    EXPECT_EQ(Stored().index.count, 0u);
    EXPECT_EQ(Stored().data.count, 0u);
}

TEST_F(VerificationTest, LabelDataCannotOverrunTheStoredValues)
{
    ASSERT_EQ(engine.Set(1, "^R(.)(.*)", "($REGISTER{[0,1],AB,[0,2]}registered|refused)"), 0);
    // More reference cells than the data value holds.
    const std::string longData(2100, 'x');
    EXPECT_EQ(Scan("R1" + longData), "refused");
    EXPECT_EQ(Stored().data.count, 0u);
    // Registrations stop when the index is full, not past its end.
    ASSERT_EQ(engine.Set(1, "^R(.*)", "($REGISTER{[0,1],AB,x}registered|refused)"), 0);
    const unsigned capacity = decltype(Stored().index)::Capacity;
    for (unsigned i = 0; i < capacity; ++i)
        ASSERT_EQ(Scan("R" + std::to_string(i)), "registered") << i;
    EXPECT_EQ(Scan("R254"), "refused");
    EXPECT_EQ(Stored().index.count, capacity);
}

} // namespace
