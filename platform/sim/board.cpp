#include "platform/sim/board.h"

#include "platform/sim/device_nodes.h"
#include "platform/sim/device_registry.h"
#include "platform/sim/key_input.h"
#include "platform/sim/nor_flash.h"
#include "platform/sim/physical_memory.h"
#include "platform/sim/serial_line.h"
#include "platform/sim/sysfs_attributes.h"
#include "platform/sim/system_recorder.h"

namespace plat::sim {

Board& board()
{
    static Board* const instance = new Board;
    return *instance;
}

bool Board::setBoardDirectory(std::string const& path) { return registry().setBoardDirectory(path); }
std::string Board::boardDirectory() const { return registry().boardDirectory(); }
void Board::reset() { registry().reset(); }

int Board::serialMaster(std::string_view port)
{
    auto line = registry().serialLine(port);
    return line ? line->masterFd() : -1;
}

std::string Board::serialSlavePath(std::string_view port)
{
    auto line = registry().serialLine(port);
    return line ? line->slavePath() : std::string();
}

bool Board::serialSettings(std::string_view port, termios& settings)
{
    auto line = registry().serialLine(port);
    return line && line->settings(settings);
}

bool Board::hostWrite(std::string_view port, std::string_view bytes)
{
    auto line = registry().serialLine(port);
    return line && line->hostWrite(bytes);
}

std::string Board::hostRead(std::string_view port, std::size_t count, std::chrono::milliseconds wait)
{
    auto line = registry().serialLine(port);
    return line ? line->hostRead(count, wait) : std::string();
}

std::optional<FlashGeometry> Board::flashGeometry(std::string_view partition)
{
    auto flash = registry().flash(partition);
    return flash ? std::optional(flash->geometry()) : std::nullopt;
}

std::vector<std::uint8_t> Board::flashDump(std::string_view partition)
{
    auto flash = registry().flash(partition);
    return flash ? flash->dump() : std::vector<std::uint8_t>();
}

bool Board::flashLoad(std::string_view partition, std::uint32_t offset, std::vector<std::uint8_t> const& bytes)
{
    auto flash = registry().flash(partition);
    return flash && flash->load(offset, bytes);
}

std::vector<unsigned> Board::flashEraseCounts(std::string_view partition)
{
    auto flash = registry().flash(partition);
    return flash ? flash->eraseCounts() : std::vector<unsigned>();
}

bool Board::setFlashFaults(std::string_view partition, FlashFaults const& faults)
{
    auto flash = registry().flash(partition);
    if (!flash) {
        return false;
    }
    flash->setFaults(faults);
    return true;
}

bool Board::flashPowerCut(std::string_view partition)
{
    auto flash = registry().flash(partition);
    return flash && flash->powerCut();
}

std::optional<std::string> Board::attribute(std::string_view path)
{
    auto const node = findNode(path);
    return node ? registry().attributes()->value(*node) : std::nullopt;
}

bool Board::setAttribute(std::string_view path, std::string_view value)
{
    auto const node = findNode(path);
    return node && registry().attributes()->setValue(*node, value);
}

std::vector<AttributeEvent> Board::attributeLog() { return registry().attributes()->log(); }
void Board::clearAttributeLog() { registry().attributes()->clearLog(); }

bool Board::pressKey(unsigned code) { return registry().keyInput()->report(code, 1); }
bool Board::releaseKey(unsigned code) { return registry().keyInput()->report(code, 0); }
bool Board::repeatKey(unsigned code) { return registry().keyInput()->report(code, 2); }
bool Board::keyHeld(unsigned code) { return registry().keyInput()->held(code); }

ChipId Board::chipId() { return registry().memory()->chipId(); }
void Board::setChipId(ChipId const& words) { registry().memory()->setChipId(words); }
void Board::setMemoryFaults(MemoryFaults const& faults) { registry().memory()->setFaults(faults); }

std::vector<std::string> Board::systemLog() { return registry().recorder()->log(); }
void Board::setSystemStatus(int status) { registry().recorder()->setStatus(status); }

bool Board::removeDevice(std::string_view path) { return registry().setRemoved(path, true); }
bool Board::restoreDevice(std::string_view path) { return registry().setRemoved(path, false); }
bool Board::redirect(std::string_view path, std::string const& hostPath) { return registry().redirect(path, hostPath); }

} // namespace plat::sim
