#include "decoder/core/property/filters_property.h"

#include "config/key_tree.h"

namespace DEC2DIvra {

FiltersProperty::FiltersProperty(ivra_configuration::configuration::Handle const& root)
    : black_bold(root.detail_of_decoder.filters.black_bold),
      white_bold(root.detail_of_decoder.filters.white_bold),
      moving_average(root.detail_of_decoder.filters.moving_average)
{
}

}  // namespace DEC2DIvra
