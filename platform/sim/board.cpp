#include "platform/sim/board.h"

#include "platform/sim/capture_device.h"
#include "platform/sim/device_nodes.h"
#include "platform/sim/device_registry.h"
#include "platform/sim/hid_gadget.h"
#include "platform/sim/image_file.h"
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

int Board::keyReadsUnderWay() { return registry().keyInput()->readsUnderWay(); }

// ---- camera ----

Camera& Board::camera()
{
    static Camera* const instance = new Camera;
    return *instance;
}

bool Camera::setImage(std::string const& path, std::string* why) { return setImages({path}, why); }

bool Camera::setImages(std::vector<std::string> const& paths, std::string* why)
{
    std::vector<FrameSource::Frame> frames;
    for (auto const& path : paths) {
        auto image = loadImageFile(path, why);
        if (!image) {
            return false;
        }
        frames.push_back(placeImage(*image, kSensorWidth, kSensorHeight));
    }
    registry().capture()->show(std::move(frames));
    return true;
}

bool Camera::setFrame(std::vector<std::uint16_t> samples, int width, int height, std::string* why)
{
    auto image = rawImage(std::move(samples), width, height, why);
    if (!image) {
        return false;
    }
    registry().capture()->show({placeImage(*image, kSensorWidth, kSensorHeight)});
    return true;
}

bool Camera::setFrames(std::vector<std::vector<std::uint16_t>> frames, std::string* why)
{
    for (auto& frame : frames) {
        if (!rawImage(frame, kSensorWidth, kSensorHeight, why)) {
            return false;
        }
    }
    registry().capture()->show(std::move(frames));
    return true;
}

void Camera::clearImage() { registry().capture()->show({}); }
void Camera::setDeterministic(bool on) { registry().capture()->setDeterministic(on); }
unsigned Camera::deliverFrames(unsigned count) { return registry().capture()->deliver(count); }
void Camera::setSensorModel(bool on) { registry().capture()->setSensorModel(on); }
std::vector<ControlWrite> Camera::controlLog() { return registry().capture()->controlLog(); }
void Camera::clearControlLog() { registry().capture()->clearControlLog(); }
int Camera::gain() { return control(V4L2_CID_GAIN).value_or(-1); }
int Camera::exposure() { return control(V4L2_CID_EXPOSURE).value_or(-1); }
std::optional<std::int32_t> Camera::control(std::uint32_t id) { return registry().capture()->control(id); }
CameraStatus Camera::status() { return registry().capture()->status(); }

bool Camera::waitFor(std::function<bool(CameraStatus const&)> const& ready, std::chrono::milliseconds timeout)
{
    return registry().capture()->waitFor(ready, timeout);
}

std::vector<std::uint16_t> Camera::lastFrame() { return registry().capture()->lastFrame(); }
void Camera::setFaults(CameraFaults const& faults) { registry().capture()->setFaults(faults); }

ChipId Board::chipId() { return registry().memory()->chipId(); }
void Board::setChipId(ChipId const& words) { registry().memory()->setChipId(words); }
void Board::setMemoryFaults(MemoryFaults const& faults) { registry().memory()->setFaults(faults); }

std::vector<std::string> Board::systemLog() { return registry().recorder()->log(); }
void Board::setSystemStatus(int status) { registry().recorder()->setStatus(status); }

bool Board::removeDevice(std::string_view path) { return registry().setRemoved(path, true); }
bool Board::restoreDevice(std::string_view path) { return registry().setRemoved(path, false); }
bool Board::redirect(std::string_view path, std::string const& hostPath) { return registry().redirect(path, hostPath); }

KeyboardGadget& Board::keyboard()
{
    static KeyboardGadget* const instance = new KeyboardGadget;
    return *instance;
}

std::vector<HidReportRecord> KeyboardGadget::reports() { return registry().hidGadget()->reports(); }
void KeyboardGadget::clearReports() { registry().hidGadget()->clearReports(); }
bool KeyboardGadget::waitForReports(std::size_t count, std::chrono::milliseconds timeout)
{
    return registry().hidGadget()->waitForReports(count, timeout);
}
std::uint8_t KeyboardGadget::hostLeds() { return registry().hidGadget()->hostLeds(); }
void KeyboardGadget::setHostLeds(std::uint8_t leds) { registry().hidGadget()->setHostLeds(leds); }
void KeyboardGadget::setAnswersLockKeys(bool answers) { registry().hidGadget()->setAnswersLockKeys(answers); }

} // namespace plat::sim
