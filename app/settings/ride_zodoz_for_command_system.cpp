#include "app/settings/ride_zodoz_for_command_system.h"

#include "app/commands/reply_routing.h"
#include "format/formatter.h"

#include <pthread.h>

namespace {

namespace cfg = ivra_configuration;

MenuCommandItem const kCommands[] = {
    {RideZodozForCommandSystem<DecodeDataByte>::kCodeED5, 1, 1, {}},
    {0, 0, 0, {}},
};

// The memory settings' values, read in place in the current bank.
template <class Struct>
Struct const& ValueOf(cfg::CommonPropertyHandle const& handle)
{
    return *static_cast<Struct const*>(handle.CalcAddress());
}

} // namespace

template <class Cell>
RideZodozForCommandSystem<Cell>& RideZodozForCommandSystem<Cell>::getInstance()
{
    // Never destroyed: the label thread may still run its programs at exit.
    static RideZodozForCommandSystem* const instance = new RideZodozForCommandSystem();
    return *instance;
}

template <class Cell>
RideZodozForCommandSystem<Cell>::RideZodozForCommandSystem()
    : ParameterObject("ridezodozsettings", ParameterIdentifier::RideZodozForCommandSystem, kCommands)
{
    Formatter::getInstance().SetDataEditPrograms(&engine_);
    std::lock_guard<std::recursive_mutex> lock(cfg::CommandMutex());
    auto& memories = cfg::Root().data_edit_programming;
    memories.memory1.Push(memory1Observer_);
    memories.memory2.Push(memory2Observer_);
    memories.memory3.Push(memory3Observer_);
    memories.memory4.Push(memory4Observer_);
    // Another bank brings other memories without changing a memory setting.
    cfg::Root().bank.Push(bankObserver_);
    // Programs already in the settings are compiled now; later changes come through the observers.
    (void)onMemory1();
    (void)onMemory2();
    (void)onMemory3();
    (void)onMemory4();
}

template <class Cell>
bool RideZodozForCommandSystem<Cell>::CopyToCString(std::uint32_t const* cells, unsigned count, unsigned char* out,
                                                    unsigned size)
{
    unsigned at = 0;
    for (unsigned i = 0; i < count; ++i) {
        std::uint32_t const cell = cells[i];
        unsigned char bytes[2] = {static_cast<unsigned char>(cell >> 8), static_cast<unsigned char>(cell)};
        bool const two = (cell >> 16) == kDoubleByteMark;
        unsigned const n = two ? 2 : 1;
        unsigned char const* first = two ? bytes : bytes + 1;
        for (unsigned k = 0; k < n; ++k) {
            // A 0 byte would end the text early.
            if (first[k] == 0 || at + 1 >= size)
                return false;
            out[at++] = first[k];
        }
    }
    if (at >= size)
        return false;
    out[at] = 0;
    return true;
}

template <class Cell>
template <class Memory>
bool RideZodozForCommandSystem<Cell>::OnMemoryN(unsigned n, Memory const& memory)
{
    if (!memory.enable) {
        engine_.ClearProgram(n);
        return true;
    }
    unsigned char pattern[kTextBytes];
    unsigned char format[kTextBytes];
    if (!CopyToCString(memory.cut_script.data, memory.cut_script.size(), pattern, sizeof pattern) ||
        !CopyToCString(memory.paste_script.data, memory.paste_script.size(), format, sizeof format)) {
        return false;
    }
    return engine_.SetConfig(n, pattern, format) == 0;
}

template <class Cell>
bool RideZodozForCommandSystem<Cell>::onMemory1()
{
    auto const& h = cfg::Root().data_edit_programming.memory1;
    return OnMemoryN(1, ValueOf<cfg::configuration::data_edit_programming::memory1::Struct>(h));
}

template <class Cell>
bool RideZodozForCommandSystem<Cell>::onMemory2()
{
    auto const& h = cfg::Root().data_edit_programming.memory2;
    return OnMemoryN(2, ValueOf<cfg::configuration::data_edit_programming::memory2::Struct>(h));
}

template <class Cell>
bool RideZodozForCommandSystem<Cell>::onMemory3()
{
    auto const& h = cfg::Root().data_edit_programming.memory3;
    return OnMemoryN(3, ValueOf<cfg::configuration::data_edit_programming::memory3::Struct>(h));
}

template <class Cell>
bool RideZodozForCommandSystem<Cell>::onMemory4()
{
    auto const& h = cfg::Root().data_edit_programming.memory4;
    return OnMemoryN(4, ValueOf<cfg::configuration::data_edit_programming::memory4::Struct>(h));
}

template <class Cell>
bool RideZodozForCommandSystem<Cell>::onChangeBank()
{
    // Every memory was compiled when it was stored; a switch is never refused here.
    (void)onMemory1();
    (void)onMemory2();
    (void)onMemory3();
    (void)onMemory4();
    return true;
}

template <class Cell>
int RideZodozForCommandSystem<Cell>::ExecuteCommand(unsigned code, std::vector<char> params, cfg::InputStream&,
                                                    cfg::OutputStream&)
{
    if (code != kCodeED5) {
        return kNotMine;
    }
    return ExecuteCommandED5(params) ? kDone : kRefused;
}

template <class Cell>
bool RideZodozForCommandSystem<Cell>::ExecuteCommandED5(std::vector<char> const& params)
{
    unsigned const slot = static_cast<unsigned>(getQValue(params, 1));
    std::string pattern, format;
    if (slot < 1 || slot > 5 || !engine_.Texts(slot, pattern, format)) {
        return false;
    }
    std::string text = pattern + '\r' + format + '\r';
    DoStringToOutputStream(pthread_self(), text, false);
    return true;
}

template class RideZodozForCommandSystem<DecodeDataByte>;
