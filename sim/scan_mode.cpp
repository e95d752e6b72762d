// scan: each image before the camera, the trigger pulled, and the bytes the host received
// printed; status 0 when every image gave a good read.
#include "sim/scan_mode.h"

#include "app/camera/frame_queue.h"
#include "app/indicators/gpio_keyboard.h"
#include "app/host/host_interface.h"
#include "app/read_cycle/read_barcode.h"
#include "app/camera/camera.h"
#include "platform/sim/board.h"
#include "sim/command_mode.h"
#include "sim/firmware_thread.h"
#include "sim/keyboard_host.h"
#include "sim/keyboard_setting.h"
#include "sim/modes.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <thread>

namespace scanner_sim {

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr auto kStartTimeout = 20s;
constexpr auto kPoll = 2ms;
constexpr auto kKeyTimeout = 2s;
constexpr auto kFrameTimeout = 3s;
// Frames that may come after a new image was put before the camera and still show the
// last one (taken before, and waiting in the buffers): every buffer, and one.
constexpr unsigned kStaleFrames = V4L2Camera::kStreamingBuffers + 1;
constexpr auto kEndlessReadCut = 3s;
// A firmware built with a sanitizer decodes several times slower: a user holding the
// trigger on a menu label would hold it until the label reads, so the hold grows with
// it. (An endless read is still cut after kEndlessReadCut.)
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr int kSanitizerSlowdown = 5;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
constexpr int kSanitizerSlowdown = 5;
#else
constexpr int kSanitizerSlowdown = 1;
#endif
#else
constexpr int kSanitizerSlowdown = 1;
#endif
constexpr auto kHeldReadCut = kEndlessReadCut * kSanitizerSlowdown;
// From the press to the read cycle's start, for a read held on the trigger.
constexpr auto kHeldReadStart = 500ms * kSanitizerSlowdown;
constexpr auto kReadMargin = 1s;
constexpr auto kOutputQuiet = 300ms;

std::atomic<unsigned> framesReady{0};
std::atomic<unsigned> noLabels{0};

bool waitUntil(std::function<bool()> const& done, Clock::duration timeout)
{
    auto const until = Clock::now() + timeout;
    while (!done()) {
        if (Clock::now() >= until) {
            return false;
        }
        std::this_thread::sleep_for(kPoll);
    }
    return true;
}

bool triggerHeld() { return (GpioKeyboard::keysPressed_.load() & GpioKeyboard::kTriggerBit) != 0; }

// The serial port the model sends decoded data on; null for the keyboard model, whose
// output is what the host typed.
char const* hostPort()
{
    switch (hostInterface()) {
    case kHostInterfaceUart:
        return "/dev/ttyS0";
    case kHostInterfaceUsbSerial:
        return "/dev/ttyGS0";
    default:
        return nullptr;
    }
}

std::string receive(char const* port, std::chrono::milliseconds quiet)
{
    std::string received;
    if (port == nullptr) {
        return received;
    }
    for (std::string more; !(more = plat::sim::board().hostRead(port, 4096, quiet)).empty();) {
        received += more;
    }
    return received;
}

// What the keyboard typed into the host since the reports were last cleared, once the
// gadget has been quiet for a while.
std::string typed(std::chrono::milliseconds quiet)
{
    plat::sim::KeyboardGadget& gadget = plat::sim::board().keyboard();
    std::size_t count = 0;
    while (gadget.waitForReports(count + 1, quiet)) {
        count = gadget.reports().size();
    }
    std::vector<std::array<std::uint8_t, 8>> reports;
    for (auto const& record : gadget.reports()) {
        reports.push_back(record.bytes);
    }
    return typedText(keyboardLanguage(), reports);
}

// How long a read may last: its read time and a margin, or the cut for one without time-out.
Clock::duration readLimit(ReadBarcode& reader)
{
    std::uint16_t const ticks = reader.readTime();
    if (reader.readMode() == ReadBarcode::eContinuous || ticks == ReadBarcode::kNoTimeOut) {
        return kEndlessReadCut;
    }
    return std::chrono::milliseconds(ticks * 10) + kReadMargin;
}

bool readEnded(ReadBarcode& reader)
{
    // The decoder thread may still be handing the label on (a menu label's commands to the pipe).
    return !reader.decoder().isDecodeEnabled() && !reader.decoder().isDecoding() &&
           reader.getCurrentState() != ReadBarcode::eReading;
}

// The trigger pulled and let go, each seen by the firmware's key listener. A read that
// lasts only while the trigger is held (a read time of one tick, as in menu mode) gets
// the hold a user gives it: until it ends with a label, or the endless-read cut.
bool pullTrigger(ReadBarcode& reader, std::FILE* err)
{
    plat::sim::Board& board = plat::sim::board();
    bool const whileHeld = reader.readMode() == ReadBarcode::eSingle && reader.readTime() == 1;
    if (!board.pressKey(GpioKeyboard::kTriggerCode) || !waitUntil(triggerHeld, kKeyTimeout)) {
        std::fprintf(err, "scanner-sim scan: the trigger press did not reach the firmware\n");
        board.releaseKey(GpioKeyboard::kTriggerCode);
        return false;
    }
    if (whileHeld) {
        waitUntil([&] { return !readEnded(reader); }, kHeldReadStart);
        waitUntil([&] { return readEnded(reader); }, kHeldReadCut);
    }
    if (!board.releaseKey(GpioKeyboard::kTriggerCode) || !waitUntil([] { return !triggerHeld(); }, kKeyTimeout)) {
        std::fprintf(err, "scanner-sim scan: the trigger release did not reach the firmware\n");
        return false;
    }
    return true;
}

// One image: true for a good read.
bool scanImage(std::string const& file, std::FILE* out, std::FILE* err)
{
    plat::sim::Board& board = plat::sim::board();
    ReadBarcode& reader = ReadBarcode::getInstance();
    char const* port = hostPort();
    std::string why;
    if (!board.camera().setImage(file, &why)) {
        std::fprintf(err, "scanner-sim scan: %s\n", why.c_str());
        std::fputc('\n', out);
        return false;
    }
    // The decoder takes the newest frame: it must show this image, not the last one. The
    // count starts once the image is before the camera: frames taken while the file was
    // loading show the last image, however many there were.
    unsigned const framesBefore = framesReady;
    if (!waitUntil([&] { return framesReady - framesBefore >= kStaleFrames; }, kFrameTimeout)) {
        std::fprintf(err, "scanner-sim scan: %s: the camera delivers no frames\n", file.c_str());
        std::fputc('\n', out);
        return false;
    }
    receive(port, 0ms); // whatever came before is not this image's output
    bool const keyboard = hostInterface() == kHostInterfaceUsbKeyboard;
    if (keyboard) {
        board.keyboard().clearReports(); // the last image's output was waited for
    }
    unsigned const noLabelsBefore = noLabels;
    bool ended = pullTrigger(reader, err) && waitUntil([&] { return readEnded(reader); }, readLimit(reader));
    // What a menu label sent to the command pipe has run, its replies are on their way.
    if (!menuCommandsRun()) {
        std::fprintf(err, "scanner-sim scan: %s: the menu commands did not finish\n", file.c_str());
        ended = false;
    }
    std::string const received = keyboard ? typed(kOutputQuiet) : receive(port, kOutputQuiet);
    std::fprintf(out, "%s\n", showControls(received).c_str());
    std::fflush(out);
    return ended && !received.empty() && noLabels == noLabelsBefore;
}

} // namespace

int scanImages(std::vector<std::string> const& files, std::FILE* out, std::FILE* err)
{
    static bool const connected = [] {
        frameIB.frameReady.connect([] { ++framesReady; });
        ReadBarcode::getInstance().decoder().connectNoLabel([] { ++noLabels; });
        return true;
    }();
    (void)connected;
    int status = 0;
    for (std::string const& file : files) {
        if (!scanImage(file, out, err)) {
            status = 1;
        }
    }
    return status;
}

int scanMode(Options const& options)
{
    if (!startFirmware(kStartTimeout)) {
        std::fprintf(stderr, "scanner-sim scan: the firmware did not start\n");
        return 1;
    }
    int status = scanImages(options.arguments, stdout, stderr);
    if (!menuCommandsRun()) {
        std::fprintf(stderr, "scanner-sim scan: the menu commands did not finish\n");
        status = 1;
    }
    std::fflush(stdout);
    std::fflush(stderr);
    leaveFirmwareRunning(status);
}

} // namespace scanner_sim
