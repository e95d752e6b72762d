#pragma once

#include <cstdint>

#include "config/common_property_reference.h"
#include "decoder/core/property/property_group.h"
#include "decoder/core/property/property_reference.h"

namespace DEC2DIvra {

// The pre-filter group of the property table: dark-module thickening,
// light-module thickening and moving average, each with its switch, its place
// in the filter order and its window size.
struct FiltersProperty : PropertyGroup {
    // One filter's settings. The getters read the current bank each time.
    class Filter {
    public:
        // Binds to a filter's key node (enable, priority, diameter_x, diameter_y).
        template <class Node>
        explicit Filter(Node const& node)
            : enable(node.enable), priority(node.priority), diameter_x(node.diameter_x), diameter_y(node.diameter_y)
        {
        }

        virtual bool GetEnable() const { return enable.Get(); }
        // Filters run in ascending priority.
        virtual unsigned GetPriority() const { return priority.Get(); }
        // Window width and height in pixels.
        virtual unsigned GetDiameterX() const { return diameter_x.Get(); }
        virtual unsigned GetDiameterY() const { return diameter_y.Get(); }

        PropertyReference<bool> enable;
        PropertyReference<std::uint8_t> priority;
        PropertyReference<std::uint8_t> diameter_x;
        PropertyReference<std::uint8_t> diameter_y;
    };

    // Grey minimum over the window: dark modules grow.
    class BlackBold final : public Filter {
    public:
        using Filter::Filter;
    };

    // Grey maximum over the window: light modules grow.
    class WhiteBold final : public Filter {
    public:
        using Filter::Filter;
    };

    // Grey mean over the window.
    class MovingAverage final : public Filter {
    public:
        using Filter::Filter;
    };

    explicit FiltersProperty(ivra_configuration::configuration::Handle const& root);

    BlackBold black_bold;
    WhiteBold white_bold;
    MovingAverage moving_average;
};

}  // namespace DEC2DIvra
