#include "app/indicators/gpio_keyboard.h"
#include "app/stop_pipe.h"

#include "platform/platform.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/input.h>

namespace {

constexpr std::size_t kKeyBitmapBytes = 20;
static_assert(EVIOCGKEY(kKeyBitmapBytes) == 0x80144518u, "key-state query with a 20-byte bitmap");

constexpr std::size_t kPolarityListMax = 100;

bool keyDown(unsigned char const* bitmap, unsigned code)
{
    return (bitmap[code / 8] >> (code % 8)) & 1u;
}

} // namespace

std::atomic<std::uint32_t> GpioKeyboard::keysPressed_{0};

GpioKeyboard& GpioKeyboard::getInstance()
{
    static GpioKeyboard instance;
    return instance;
}

GpioKeyboard::GpioKeyboard() = default;

GpioKeyboard::~GpioKeyboard()
{
    stop();
}

std::span<GpioKeyboard::Key const> GpioKeyboard::keys()
{
    // In the order of the initial report: aim/wake-up, trigger, hall effect.
    static Key const table[] = {
        {kAimWakeupCode, kAimWakeupBit, &GpioKeyboard::aimWakeup_},
        {kTriggerCode, kTriggerBit, &GpioKeyboard::trigger_},
        {kHallEffectCode, kHallEffectBit, &GpioKeyboard::hallEffect_},
    };
    return table;
}

GpioKeyboard::Key const* GpioKeyboard::keyFor(std::uint16_t code)
{
    for (Key const& key : keys()) {
        if (key.code == code) {
            return &key;
        }
    }
    return nullptr;
}

void GpioKeyboard::setKeyboardEventName(std::string const& path)
{
    path_ = path;
}

void GpioKeyboard::connectTrigger(std::function<void(bool)> const& slot)
{
    trigger_.connect(slot);
}

void GpioKeyboard::connectAimWakeup(std::function<void(bool)> const& slot)
{
    aimWakeup_.connect(slot);
}

void GpioKeyboard::connectHallEffect(std::function<void(bool)> const& slot)
{
    hallEffect_.connect(slot);
}

bool GpioKeyboard::start()
{
    if (listener_.joinable()) {
        return false;
    }
    int fds[2];
    if (plat::pipe(fds) != 0) {
        return false;
    }
    stopRead_ = fds[0];
    stopWrite_ = fds[1];
    stop_.store(false);
    listener_ = std::thread(&GpioKeyboard::keysListener, this);
    return true;
}

void GpioKeyboard::stop()
{
    // The flag first: the listener checks it when the pipe wakes it.
    stop_.store(true);
    if (stopWrite_ >= 0) {
        wakeStopPipe(stopWrite_);
    }
    if (listener_.joinable()) {
        listener_.join();
    }
    if (stopRead_ >= 0) {
        plat::close(stopRead_);
        stopRead_ = -1;
    }
    if (stopWrite_ >= 0) {
        plat::close(stopWrite_);
        stopWrite_ = -1;
    }
}

void GpioKeyboard::syncKeyState(int device, bool initial)
{
    unsigned char bitmap[kKeyBitmapBytes] = {};
    if (plat::ioctl(device, EVIOCGKEY(kKeyBitmapBytes), bitmap) < 0) {
        if (!initial) {
            return; // keep what the events said
        }
        std::memset(bitmap, 0, sizeof bitmap);
    }
    if (initial) {
        std::uint32_t state = 0;
        for (Key const& key : keys()) {
            state |= keyDown(bitmap, key.code) ? key.bit : 0;
        }
        keysPressed_.store(state);
        for (Key const& key : keys()) {
            if (state & key.bit) {
                (this->*key.signal)(true);
            }
        }
        return;
    }
    // After a reopen: report only what changed while the device was away.
    for (Key const& key : keys()) {
        bool const down = keyDown(bitmap, key.code);
        bool const was = (keysPressed_.load() & key.bit) != 0;
        if (down != was) {
            if (down) {
                keysPressed_.fetch_or(key.bit);
            } else {
                keysPressed_.fetch_and(~key.bit);
            }
            (this->*key.signal)(down);
        }
    }
}

void GpioKeyboard::handleEvent(InputEvent const& event)
{
    if (event.type != EV_KEY || static_cast<std::uint32_t>(event.value) > 2) {
        return;
    }
    Key const* key = keyFor(event.code);
    if (key == nullptr) {
        return;
    }
    if (event.value == 2) {
        // Auto-repeat: the key is still down. Only a repeat whose press was
        // missed is news.
        if (keysPressed_.fetch_or(key->bit) & key->bit) {
            return;
        }
        (this->*key->signal)(true);
        return;
    }
    bool const pressed = event.value == 1;
    if (pressed) {
        keysPressed_.fetch_or(key->bit);
    } else {
        keysPressed_.fetch_and(~key->bit);
    }
    (this->*key->signal)(pressed);
}

int GpioKeyboard::reopenDevice()
{
    for (;;) {
        // Wait on the stop pipe alone so that stop() still ends the listener.
        pollfd stop{stopRead_, POLLIN, 0};
        int const n = plat::poll(&stop, 1, static_cast<int>(reopenDelay_.count()));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n != 0 || stop_.load()) {
            return -1;
        }
        int const device = plat::open(path_.c_str(), O_RDONLY);
        if (device >= 0) {
            syncKeyState(device, false);
            return device;
        }
    }
}

void GpioKeyboard::keysListener()
{
    int device = plat::open(path_.c_str(), O_RDONLY);
    if (device < 0) {
        return; // no key device: the scanner runs without keys
    }
    syncKeyState(device, true);

    while (!stop_.load()) {
        pollfd fds[2] = {{device, POLLIN, 0}, {stopRead_, POLLIN, 0}};
        int const n = plat::poll(fds, 2, -1);
        if (n == 0 || (n < 0 && errno == EINTR)) {
            continue;
        }
        if (n > 0 && fds[1].revents != 0) {
            break; // only stop() writes the pipe
        }
        if (n > 0 && (fds[0].revents & POLLIN)) {
            InputEvent event{};
            ssize_t const got = plat::read(device, &event, sizeof event);
            if (got == static_cast<ssize_t>(sizeof event)) {
                handleEvent(event);
                continue;
            }
            if (got > 0 || (got < 0 && (errno == EINTR || errno == EAGAIN))) {
                continue; // a short record carries no event
            }
        } else if (n > 0 && !(fds[0].revents & (POLLERR | POLLHUP | POLLNVAL))) {
            continue;
        }
        // Device gone or failing: polling it again would return at once for
        // ever. Close, wait, reopen.
        plat::close(device);
        device = reopenDevice();
        if (device < 0) {
            return;
        }
    }
    plat::close(device);
}

void GpioKeyboard::setExternalTriggerFlagSource(std::function<bool()> source)
{
    externalTriggerFlag_ = std::move(source);
}

bool GpioKeyboard::onChangeExternalTriggerSignalActive()
{
    if (!externalTriggerFlag_) {
        return true;
    }
    int const fd = plat::open(kExternalTriggerPolarityPath, O_RDWR);
    if (fd < 0) {
        return true;
    }
    // One byte more than the list may hold: a longer list would be written
    // back cut short, so it is refused instead.
    char buffer[kPolarityListMax + 1] = {};
    ssize_t const got = plat::read(fd, buffer, sizeof buffer);
    if (got <= 0 || static_cast<std::size_t>(got) > kPolarityListMax) {
        plat::close(fd);
        return false;
    }
    std::string list(buffer, strnlen(buffer, static_cast<std::size_t>(got)));
    if (!list.empty() && list.back() == '\n') {
        list.pop_back();
    }
    list = externalTriggerFlag_() ? removeItemFromString(list, "158") : addItemToString(list, "158");
    ssize_t const put = plat::write(fd, list.data(), list.size());
    bool const ok = put == static_cast<ssize_t>(list.size());
    bool const closed = plat::close(fd) == 0;
    return ok && closed;
}

std::vector<std::string> GpioKeyboard::splitString(std::string const& s, char sep)
{
    std::vector<std::string> pieces;
    std::size_t start = 0;
    while (start < s.size()) {
        std::size_t const end = s.find(sep, start);
        if (end == std::string::npos) {
            pieces.push_back(s.substr(start));
            break;
        }
        pieces.push_back(s.substr(start, end - start));
        start = end + 1;
    }
    return pieces;
}

std::string GpioKeyboard::joinStrings(std::vector<std::string> const& items, char sep)
{
    std::string text;
    for (std::size_t i = 0; i < items.size(); ++i) {
        text += items[i];
        if (i + 1 < items.size() && !text.empty()) {
            text += sep;
        }
    }
    return text;
}

std::string GpioKeyboard::removeItemFromString(std::string const& list, std::string const& item)
{
    std::vector<std::string> pieces = splitString(list, ',');
    std::erase(pieces, item);
    return joinStrings(pieces, ',');
}

std::string GpioKeyboard::addItemToString(std::string const& list, std::string const& item)
{
    std::vector<std::string> pieces = splitString(list, ',');
    if (std::find(pieces.begin(), pieces.end(), item) == pieces.end()) {
        pieces.push_back(item);
    }
    return joinStrings(pieces, ',');
}
