#pragma once
// The settings object of the data-editing memories: it compiles a memory's
// pattern and template into the engine whenever the setting changes (and
// refuses a change that does not compile, so the working program stays), and
// answers "ED5" with a slot's texts. The formatter runs the engine it holds.

#include "app/settings/parameter_object.h"
#include "config/configuration.h"
#include "format/decode_data_byte.h"
#include "format/data_edit/ride_zodoz.h"

#include <cstdint>
#include <string>
#include <vector>

template <class Cell>
class RideZodozForCommandSystem final : public ParameterObject {
public:
    static constexpr std::uint32_t kCodeED5 = 0x454435; // "ED5"
    static constexpr unsigned kTextBytes = 1024;
    // A configuration cell holding a two-byte character carries this above the bytes.
    static constexpr std::uint32_t kDoubleByteMark = 0x75;

    // Built on first use; hands its engine to the formatter and observes the memories.
    static RideZodozForCommandSystem& getInstance();

    int ExecuteCommand(unsigned code, std::vector<char> params, ivra_configuration::InputStream& in,
                       ivra_configuration::OutputStream& out) override;

    // Called when memory n (1-4) changes; false refuses a text that does not convert or compile.
    template <class Memory>
    bool OnMemoryN(unsigned n, Memory const& memory);
    // One byte per cell, two for a marked cell, then a 0 byte; false when it
    // does not fit in `size` bytes or a cell holds no character.
    static bool CopyToCString(std::uint32_t const* cells, unsigned count, unsigned char* out, unsigned size);

    RideZodoz<Cell>& Engine() { return engine_; }

private:
    RideZodozForCommandSystem();

    bool ExecuteCommandED5(std::vector<char> const& params);
    bool onMemory1();
    bool onMemory2();
    bool onMemory3();
    bool onMemory4();
    bool onChangeBank();

    RideZodoz<Cell> engine_;
    ivra_configuration::DelegateObserver<RideZodozForCommandSystem> memory1Observer_{*this,
                                                                                     &RideZodozForCommandSystem::onMemory1};
    ivra_configuration::DelegateObserver<RideZodozForCommandSystem> memory2Observer_{*this,
                                                                                     &RideZodozForCommandSystem::onMemory2};
    ivra_configuration::DelegateObserver<RideZodozForCommandSystem> memory3Observer_{*this,
                                                                                     &RideZodozForCommandSystem::onMemory3};
    ivra_configuration::DelegateObserver<RideZodozForCommandSystem> memory4Observer_{*this,
                                                                                     &RideZodozForCommandSystem::onMemory4};
    ivra_configuration::DelegateObserver<RideZodozForCommandSystem> bankObserver_{*this,
                                                                                  &RideZodozForCommandSystem::onChangeBank};
};
