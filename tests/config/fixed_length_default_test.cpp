#include <gtest/gtest.h>

#include "config/configuration.h"

namespace {

using namespace ivra_configuration;

// A length record with no default restricts nothing: a decoder reading the
// factory value must accept every length.
// Factory records admit every length; Code 39 only refuses a lone character,
// the fragment another symbol's bars can pass for.
TEST(FixedLengthDefault, FactoryRecordsRestrictOnlyLoneCode39Characters)
{
    SetDefault();
    for (auto const* handle : {&Root().fixed_length.code128, &Root().fixed_length.code39, &Root().fixed_length.codabar}) {
        auto const& record = *static_cast<FixedLength const*>(handle->CalcAddress());
        EXPECT_EQ(record.maximum, 65535u) << handle->Path();
        EXPECT_EQ(record.minimum, handle == &Root().fixed_length.code39 ? 2u : 0u) << handle->Path();
        EXPECT_EQ(record.count, 0u) << handle->Path();
    }
}

} // namespace
