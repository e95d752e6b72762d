#include "app/host/usb_hid_keyboard.h"

#include "app/host/keyboard_layouts.h"
#include "app/stop_pipe.h"
#include "config/configuration.h"
#include "platform/platform.h"

#include <cerrno>
#include <poll.h>
#include <vector>

namespace {

using namespace std::chrono_literals;

constexpr KeyReport kRelease{};
constexpr unsigned char kCapsLockKey = 0x39;
constexpr unsigned char kNumLockKey = 0x53;
constexpr auto kLedAnswerTime = 101ms;
constexpr int kReopenWaitMs = 5000;
// A gadget that cannot be written: the reports wait this long before the next try.
constexpr auto kWriteRetry = 500ms;

// The language setting's observer outlives any keyboard (an observer cannot leave its
// list): it passes changes to the keyboard that lives now, if any.
class LanguageFollower final : public ivra_configuration::Observer {
public:
    void follow(UsbHidKeyboard* keyboard)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        keyboard_ = keyboard;
    }
    void leave(UsbHidKeyboard* keyboard)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (keyboard_ == keyboard) {
            keyboard_ = nullptr;
        }
    }
    bool Update() override
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return keyboard_ == nullptr || keyboard_->onChangeKeyboardLanguage();
    }

private:
    std::mutex mutex_;
    UsbHidKeyboard* keyboard_ = nullptr;
};

LanguageFollower& languageFollower()
{
    static LanguageFollower* const follower = new LanguageFollower;
    return *follower;
}

template <typename Layout>
UsbHidKeyboard::LayoutFactory layout(int language, char const* name)
{
    return [language, name] { return std::make_unique<Layout>(language, name); };
}

} // namespace

std::map<int, UsbHidKeyboard::LayoutFactory> const UsbHidKeyboard::keyboards_{
    {1, layout<HidUS_00000409>(1, "US 0409")},       {2, layout<HidUK_00000809>(2, "UK 0809")},
    {3, layout<HidFr_0000040C>(3, "French 040C")},   {4, layout<HidDE_00000407>(4, "German 0407")},
    {5, layout<HidIT_00000410>(5, "Italian 0410")}, {12, layout<HidNL_00000413>(12, "Dutch 0413")},
};

UsbHidKeyboard::UsbHidKeyboard(std::string const& path) : File(path)
{
    layout_ = keyboards_.at(1);
    if (plat::pipe(stopPipe_) != 0) {
        stopPipe_[0] = stopPipe_[1] = -1; // the listener then does not run
    }
    ledListener_ = std::thread([this] { ledStateListener(); });
    {
        std::lock_guard<std::recursive_mutex> lock(ivra_configuration::CommandMutex());
        setKeyboard(static_cast<int>(ivra_configuration::Root().interface.usb_hid.keyboard.language.Value()));
        LanguageFollower& follower = languageFollower();
        follower.follow(this);
        if (!follower.IsLinked()) {
            (void)ivra_configuration::Root().interface.usb_hid.keyboard.language.Push(follower);
        }
    }
    sender_ = std::thread([this] { outputKeybdTask(); });
}

UsbHidKeyboard::~UsbHidKeyboard()
{
    languageFollower().leave(this);
    running_.store(false);
    queue_.wakeAll(wake_);
    sender_.join();
    if (stopPipe_[1] >= 0) {
        (void)wakeStopPipe(stopPipe_[1]);
    }
    ledListener_.join();
    for (int& end : stopPipe_) {
        if (end >= 0) {
            plat::close(end);
            end = -1;
        }
    }
}

std::unique_ptr<HidDefault> UsbHidKeyboard::makeLayout() const
{
    std::lock_guard<std::mutex> lock(layoutMutex_);
    return layout_();
}

int UsbHidKeyboard::write(unsigned int codepoint)
{
    HidBase::codePointChangeDirectKeyCode(
        ivra_configuration::Root().interface.usb_hid.direct_key_input.enable.Value(), codepoint);
    // A fresh layout per code point: the repeat rule works within one character's reports.
    std::unique_ptr<HidDefault> const layout = makeLayout();
    std::vector<KeyReport> reports;
    layout->write(codepoint, [&reports](KeyReport report) {
        reports.push_back(report);
        return true;
    });
    // All reports of the character at once: the sender ends a batch (and puts the lock keys
    // back) only between characters, never while an Alt code holds Alt down.
    {
        std::lock_guard<std::mutex> lock(queue_.mutex());
        queue_.items().insert(queue_.items().end(), reports.begin(), reports.end());
    }
    wake_.notify_one();
    return 1;
}

void UsbHidKeyboard::setKeyboard(int language)
{
    std::string name;
    {
        std::lock_guard<std::mutex> lock(layoutMutex_);
        if (auto const found = keyboards_.find(language); found != keyboards_.end()) {
            layout_ = found->second;
            language_ = language;
        }
        name = layout_()->name();
    }
    std::lock_guard<std::mutex> lock(layoutMutex_);
    keyboardName_ = name;
}

bool UsbHidKeyboard::onChangeKeyboardLanguage()
{
    int const wanted = static_cast<int>(ivra_configuration::Root().interface.usb_hid.keyboard.language.Value());
    setKeyboard(wanted);
    return language() == wanted;
}

int UsbHidKeyboard::language() const
{
    std::lock_guard<std::mutex> lock(layoutMutex_);
    return language_;
}

std::string UsbHidKeyboard::keyboardName() const
{
    std::lock_guard<std::mutex> lock(layoutMutex_);
    return keyboardName_;
}

bool UsbHidKeyboard::pushKeyReportInBuffer(KeyReport report)
{
    queue_.push(report);
    wake_.notify_one();
    return true;
}

bool UsbHidKeyboard::waitForOutputData()
{
    std::unique_lock<std::mutex> lock(queue_.mutex());
    wake_.wait(lock, [this] { return !queue_.items().empty() || !running_.load(); });
    return running_.load();
}

void UsbHidKeyboard::pauseFor(std::chrono::milliseconds duration)
{
    std::unique_lock<std::mutex> lock(queue_.mutex());
    (void)wake_.wait_for(lock, duration, [this] { return !running_.load(); });
}

bool UsbHidKeyboard::WaitForLedState(KEYBOARD_LEDS led, KEYBD_LED_STATES state)
{
    auto const until = plat::steadyNow() + kLedAnswerTime;
    do {
        if (((ledState_.load() & led) != 0) == (state == LED_ON)) {
            return true;
        }
    } while (plat::steadyNow() < until);
    return false;
}

bool UsbHidKeyboard::writeReport(KeyReport const& report)
{
    if (!isOpen() && !open(eWrite)) {
        return false;
    }
    if (File::write(report.data(), static_cast<unsigned>(report.size())) == static_cast<long>(report.size())) {
        return true;
    }
    close(); // opened again on the next try
    return false;
}

void UsbHidKeyboard::tapLockKey(unsigned char modifier, unsigned char key)
{
    (void)writeReport(KeyReport{modifier, 0, key, 0, 0, 0, 0, 0});
    (void)writeReport(kRelease);
}

void UsbHidKeyboard::outputKeybdTask()
{
    auto const& hid = ivra_configuration::Root().interface.usb_hid;
    while (waitForOutputData()) {
        if (!isOpen() && !open(eWrite)) {
            pauseFor(kWriteRetry); // the reports stay queued
            continue;
        }
        bool const capsWasOn = isCapsLockOn();
        bool const numWasOff = !isNumLockOn();
        if (capsWasOn) {
            tapLockKey(0x02, kCapsLockKey);
            (void)WaitForLedState(CAPS_LOCK, LED_OFF);
        }
        if (numWasOff) {
            tapLockKey(0x00, kNumLockKey);
            (void)WaitForLedState(NUM_LOCK, LED_ON);
        }
        bool failed = false;
        while (running_.load() && !failed) {
            KeyReport report;
            {
                std::lock_guard<std::mutex> lock(queue_.mutex());
                if (queue_.items().empty()) {
                    break;
                }
                report = queue_.items().front();
            }
            if (HidBase::isPauseMarker(report)) {
                if (report[7] != 0) {
                    pauseFor(std::chrono::milliseconds(report[7] * 10));
                }
            } else if (!writeReport(report)) {
                failed = true; // the report stays first in the queue
                continue;
            } else {
                if (unsigned const interval = hid.transfer_interval.time.Value(); interval != 0) {
                    pauseFor(std::chrono::milliseconds(interval));
                }
                if (unsigned const delay = hid.inter_character_delay.time.Value(); delay != 0 && report == kRelease) {
                    pauseFor(std::chrono::milliseconds(delay));
                }
            }
            std::lock_guard<std::mutex> lock(queue_.mutex());
            queue_.items().pop_front();
        }
        if (capsWasOn) {
            tapLockKey(0x00, kCapsLockKey);
            (void)WaitForLedState(CAPS_LOCK, LED_ON);
        }
        if (numWasOff) {
            tapLockKey(0x00, kNumLockKey);
            (void)WaitForLedState(NUM_LOCK, LED_OFF);
        }
        if (failed) {
            pauseFor(kWriteRetry);
        }
    }
}

void UsbHidKeyboard::ledStateListener()
{
    if (stopPipe_[0] < 0) {
        return;
    }
    File device(fileName());
    bool wait = false;
    for (;;) {
        if (wait || (!device.isOpen() && !device.open(eRead))) {
            wait = false;
            pollfd stop{stopPipe_[0], POLLIN, 0};
            if (plat::poll(&stop, 1, kReopenWaitMs) > 0) {
                return;
            }
            continue;
        }
        pollfd fds[2] = {{device.descriptor(), POLLIN, 0}, {stopPipe_[0], POLLIN, 0}};
        int const ready = plat::poll(fds, 2, -1);
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready < 0 || (fds[1].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
            return;
        }
        if ((fds[0].revents & POLLIN) == 0) {
            // An error or hang-up on the gadget: open it afresh rather than spin on it.
            if ((fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) {
                device.close();
                wait = true;
            }
            continue;
        }
        unsigned char leds = 0;
        ssize_t n;
        do {
            n = plat::read(device.descriptor(), &leds, 1);
        } while (n < 0 && errno == EINTR);
        if (n == 1) {
            ledState_.store(leds);
        } else {
            device.close(); // end of file or a failed read
            wait = true;
        }
    }
}
