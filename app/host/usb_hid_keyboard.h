#pragma once
// The USB keyboard host interface: each output code point becomes boot-keyboard
// reports through the layout of the language setting; a sender thread writes
// them to the HID gadget with the configured pacing, and a listener follows the
// host's keyboard LEDs so that Caps Lock is off and Num Lock on while a batch
// is typed (both are put back afterwards).

#include "app/file.h"
#include "app/host/hid_default.h"
#include "app/safe_queue.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

class UsbHidKeyboard : public File {
public:
    enum KEYBOARD_LEDS : unsigned char { NUM_LOCK = 1, CAPS_LOCK = 2, SCROLL_LOCK = 4, COMPOSE = 8, KANA = 16 };
    enum KEYBD_LED_STATES : unsigned char { LED_OFF = 0, LED_ON = 1 };
    using LayoutFactory = std::function<std::unique_ptr<HidDefault>()>;

    static constexpr char const* kDevicePath = "/dev/hidg0";
    static std::map<int, LayoutFactory> const keyboards_;

    explicit UsbHidKeyboard(std::string const& path = kDevicePath);
    ~UsbHidKeyboard() override;

    // Queues the reports of one code point; returns 1. Host output thread only.
    int write(unsigned int codepoint);

    // A language without a layout keeps the current one.
    void setKeyboard(int language);
    bool onChangeKeyboardLanguage();
    int language() const;
    std::string keyboardName() const;

    bool pushKeyReportInBuffer(KeyReport report);

    bool isNumLockOn() const { return (ledState_.load() & NUM_LOCK) != 0; }
    bool isCapsLockOn() const { return (ledState_.load() & CAPS_LOCK) != 0; }
    bool isScrollLockOn() const { return (ledState_.load() & SCROLL_LOCK) != 0; }
    bool isComposeOn() const { return (ledState_.load() & COMPOSE) != 0; }
    bool isKanaOn() const { return (ledState_.load() & KANA) != 0; }

    // Reports queued and not yet written.
    std::size_t pending() const { return queue_.size(); }
    // Drops every queued report.
    void test() { queue_.clear(); }

private:
    // False when the keyboard is being destroyed.
    bool waitForOutputData();
    bool WaitForLedState(KEYBOARD_LEDS led, KEYBD_LED_STATES state);
    // Sleeps, ending early when the keyboard is being destroyed.
    void pauseFor(std::chrono::milliseconds duration);
    bool writeReport(KeyReport const& report);
    void tapLockKey(unsigned char modifier, unsigned char key);
    void outputKeybdTask();
    void ledStateListener();
    std::unique_ptr<HidDefault> makeLayout() const;

    int stopPipe_[2] = {-1, -1};
    std::atomic<unsigned char> ledState_{0};
    mutable std::mutex layoutMutex_; // language, layout entry and name: command and output threads
    int language_ = 1;
    LayoutFactory layout_;
    std::string keyboardName_;
    std::condition_variable wake_;
    std::atomic<bool> running_{true};
    SafeQueue<KeyReport> queue_;
    std::thread ledListener_;
    std::thread sender_;
};
