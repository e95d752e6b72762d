#include <gtest/gtest.h>

#include "config/configuration.h"

namespace {

using namespace ivra_configuration;

// A length record with no default restricts nothing: a decoder reading the
// factory value must accept every length.
TEST(FixedLengthDefault, FactoryRecordsRestrictNothing)
{
    SetDefault();
    for (auto const* handle : {&Root().fixed_length.code128, &Root().fixed_length.code39, &Root().fixed_length.codabar}) {
        auto const& record = *static_cast<FixedLength const*>(handle->CalcAddress());
        EXPECT_EQ(record.maximum, 65535u) << handle->Path();
        EXPECT_EQ(record.minimum, 0u) << handle->Path();
        EXPECT_EQ(record.count, 0u) << handle->Path();
    }
}

} // namespace
