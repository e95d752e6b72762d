// run: interactive; the serial ports' pseudo-terminals for a terminal program, and
// trigger / release / image FILE / keyboard / indicators / quit from standard input.
#include "sim/run_mode.h"

#include "platform/sim/board.h"
#include "sim/command_mode.h"
#include "sim/firmware_thread.h"
#include "sim/keyboard_host.h"
#include "sim/keyboard_setting.h"
#include "sim/modes.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace scanner_sim {

namespace {

constexpr char const* kUsbSerial = "/dev/ttyGS0";
constexpr char const* kUart = "/dev/ttyS0";
constexpr unsigned kTriggerKey = 158;
constexpr auto kStartTimeout = std::chrono::seconds(20);
constexpr auto kBackoff = std::chrono::milliseconds(100);

void closeIfOpen(int& fd)
{
    if (fd >= 0) {
        ::close(fd);
        fd = -1;
    }
}

// Writes what the far end takes now; the rest is dropped (nobody is reading).
bool forward(int from, int to, bool dropWhenFull)
{
    char buffer[512];
    ssize_t const n = ::read(from, buffer, sizeof buffer);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) {
        return true;
    }
    if (n <= 0) {
        return false;
    }
    for (ssize_t done = 0; done < n;) {
        ssize_t const w = ::write(to, buffer + done, static_cast<size_t>(n - done));
        if (w > 0) {
            done += w;
        } else if (w < 0 && errno == EINTR) {
            continue;
        } else if (w < 0 && errno == EAGAIN && dropWhenFull) {
            return true;
        } else if (w < 0 && errno == EAGAIN) {
            pollfd room{to, POLLOUT, 0};
            (void)::poll(&room, 1, 100);
        } else {
            return false;
        }
    }
    return true;
}

std::string trimmed(std::string text)
{
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) {
        text.pop_back();
    }
    std::size_t const start = text.find_first_not_of(' ');
    return start == std::string::npos ? std::string() : text.substr(start);
}

// The USB keyboard's reports since the last look, one line each in hex, and what a host
// with the keyboard's layout typed from them.
void showKeyboard(std::FILE* out)
{
    plat::sim::KeyboardGadget& gadget = plat::sim::board().keyboard();
    std::vector<plat::sim::HidReportRecord> const records = gadget.reports();
    gadget.clearReports();
    std::vector<std::array<std::uint8_t, 8>> reports;
    for (auto const& record : records) {
        reports.push_back(record.bytes);
        std::fprintf(out, "report:");
        for (std::uint8_t byte : record.bytes) {
            std::fprintf(out, " %02X", byte);
        }
        std::fputc('\n', out);
    }
    std::fprintf(out, "typed: %s\n", showControls(typedText(keyboardLanguage(), reports)).c_str());
    std::fflush(out);
}

// The writes to the LEDs' and the buzzer's sysfs attributes since the last look, one
// line each: the attribute's path and the value written.
void showIndicators(std::FILE* out)
{
    plat::sim::Board& board = plat::sim::board();
    std::vector<plat::sim::AttributeEvent> const events = board.attributeLog();
    board.clearAttributeLog();
    for (auto const& event : events) {
        if (event.path.find("/leds/") != std::string::npos) {
            std::fprintf(out, "%s %s\n", event.path.c_str(), trimmed(event.value).c_str());
        }
    }
    std::fprintf(out, "end\n");
    std::fflush(out);
}

} // namespace

std::unique_ptr<SerialRelay> SerialRelay::open(std::string_view port, std::string& problem)
{
    std::unique_ptr<SerialRelay> relay(new SerialRelay);
    relay->boardMaster_ = plat::sim::board().serialMaster(port);
    if (relay->boardMaster_ < 0) {
        problem = "no serial port " + std::string(port);
        return nullptr;
    }
    relay->master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    char name[128];
    if (relay->master_ < 0 || ::grantpt(relay->master_) != 0 || ::unlockpt(relay->master_) != 0
        || ::ptsname_r(relay->master_, name, sizeof name) != 0) {
        problem = std::string("no pseudo-terminal: ") + std::strerror(errno);
        return nullptr;
    }
    relay->path_ = name;
    // Held open so that the relay never sees a hang-up while no terminal is attached.
    relay->keptSlave_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios raw{};
    if (relay->keptSlave_ < 0 || ::tcgetattr(relay->keptSlave_, &raw) != 0) {
        problem = std::string("cannot open ") + name + ": " + std::strerror(errno);
        return nullptr;
    }
    ::cfmakeraw(&raw);
    if (::tcsetattr(relay->keptSlave_, TCSANOW, &raw) != 0 || ::pipe2(relay->stop_, O_CLOEXEC) != 0) {
        problem = std::string("cannot set up ") + name + ": " + std::strerror(errno);
        return nullptr;
    }
    relay->port_ = port;
    relay->showLineSettings();
    relay->thread_ = std::thread([r = relay.get()] { r->run(); });
    return relay;
}

SerialRelay::~SerialRelay()
{
    if (thread_.joinable()) {
        char const stop = 'x';
        (void)::write(stop_[1], &stop, 1);
        thread_.join();
    }
    closeIfOpen(stop_[0]);
    closeIfOpen(stop_[1]);
    closeIfOpen(keptSlave_);
    closeIfOpen(master_);
}

void SerialRelay::showLineSettings()
{
    termios line{};
    termios shown{};
    if (!plat::sim::board().serialSettings(port_, line) || ::tcgetattr(keptSlave_, &shown) != 0) {
        return;
    }
    speed_t const speed = cfgetospeed(&line);
    if (cfgetospeed(&shown) == speed && (shown.c_cflag & CSTOPB) == (line.c_cflag & CSTOPB)) {
        return;
    }
    cfsetispeed(&shown, speed);
    cfsetospeed(&shown, speed);
    shown.c_cflag = (shown.c_cflag & ~CSTOPB) | (line.c_cflag & CSTOPB);
    (void)::tcsetattr(keptSlave_, TCSANOW, &shown);
}

void SerialRelay::run()
{
    for (;;) {
        pollfd fds[3] = {{boardMaster_, POLLIN, 0}, {master_, POLLIN, 0}, {stop_[0], POLLIN, 0}};
        int const n = ::poll(fds, 3, static_cast<int>(kBackoff.count()));
        showLineSettings();
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 || fds[2].revents != 0) {
            return;
        }
        bool ok = true;
        if (fds[0].revents != 0) {
            // The device's output: dropped while no terminal program takes it.
            ok = (fds[0].revents & POLLIN) != 0 && forward(boardMaster_, master_, true);
        }
        if (ok && fds[1].revents != 0) {
            ok = (fds[1].revents & POLLIN) != 0 && forward(master_, boardMaster_, false);
        }
        if (!ok) {
            // An error or end of file: wait before trying again, or stop when asked.
            pollfd stop{stop_[0], POLLIN, 0};
            if (::poll(&stop, 1, static_cast<int>(kBackoff.count())) != 0) {
                return;
            }
        }
    }
}

int runConsole(std::FILE* in, std::FILE* err, std::FILE* out)
{
    plat::sim::Board& board = plat::sim::board();
    // Whole lines, however long: a long line is one command (most likely an
    // unknown one), never pieces that each run as a command.
    char* buffer = nullptr;
    std::size_t capacity = 0;
    struct Release {
        char*& buffer;
        ~Release() { std::free(buffer); }
    } const release{buffer};
    while (::getline(&buffer, &capacity, in) >= 0) {
        std::string const command = trimmed(buffer);
        if (command.empty()) {
            continue;
        }
        if (command == "quit") {
            break;
        }
        if (command == "trigger") {
            if (!board.pressKey(kTriggerKey)) {
                std::fprintf(err, "trigger: the key device refused the press\n");
            }
        } else if (command == "release") {
            if (!board.releaseKey(kTriggerKey)) {
                std::fprintf(err, "release: the key device refused the release\n");
            }
        } else if (command == "image" || command.rfind("image ", 0) == 0) {
            std::string const file = trimmed(command.substr(5));
            std::string why;
            if (file.empty()) {
                std::fprintf(err, "image: give an image file\n");
            } else if (!board.camera().setImage(file, &why)) {
                std::fprintf(err, "image: %s\n", why.c_str());
            }
        } else if (command == "keyboard") {
            showKeyboard(out);
        } else if (command == "indicators") {
            showIndicators(out);
        } else {
            std::fprintf(err, "unknown command \"%s\": use trigger, release, image FILE, keyboard, indicators or quit\n",
                         command.c_str());
        }
        std::fflush(err);
    }
    return 0;
}

int runMode(Options const&)
{
    if (!startFirmware(kStartTimeout)) {
        std::fprintf(stderr, "scanner-sim run: the firmware did not start\n");
        return 1;
    }
    std::string problem;
    auto usb = SerialRelay::open(kUsbSerial, problem);
    auto uart = usb ? SerialRelay::open(kUart, problem) : nullptr;
    if (!usb || !uart) {
        std::fprintf(stderr, "scanner-sim run: %s\n", problem.c_str());
        return 1;
    }
    std::printf("USB serial: %s\nUART: %s\n", usb->path().c_str(), uart->path().c_str());
    std::fflush(stdout);
    int status = runConsole(stdin, stderr);
    if (!menuCommandsRun()) {
        std::fprintf(stderr, "scanner-sim run: the menu commands did not finish\n");
        status = 1;
    }
    std::fflush(stdout);
    std::fflush(stderr);
    leaveFirmwareRunning(status);
}

} // namespace scanner_sim
