#pragma once

#include "decoder/core/decoded_label.h"

namespace DEC2DIvra {

// Where the symbol locator offers each label it obtains. True accepts the
// label and ends the search of the image; false lets the search go on.
class LabelOutlet {
public:
    virtual bool Offer(DecodedLabel const& label) = 0;

protected:
    LabelOutlet() = default;
    ~LabelOutlet() = default;
};

}  // namespace DEC2DIvra
