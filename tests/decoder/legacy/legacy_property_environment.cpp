// The engine reads its settings through the process's decoder handle, which
// is made once, by the first call that asks for it, with the property
// registered at that moment. The application registers its property before
// any decode; so does this binary, before any test, so that whichever test
// first reaches the handle (a finder check asking whether MaxiCode is
// enabled, say) does not leave it without settings for every later test.
#include <gtest/gtest.h>

#include "decoder/core/dec2d_entry.h"
#include "decoder/core/property/dec2d_property.h"

namespace {

class LegacyPropertyEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        static DEC2DIvra::DEC2DProperty property;
        DEC2D_SetDec2DProperty(&property);
    }
};

::testing::Environment* const registered = ::testing::AddGlobalTestEnvironment(new LegacyPropertyEnvironment);

}  // namespace
