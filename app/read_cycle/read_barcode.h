#pragma once
// The read cycle. Trigger key, software trigger, stand sensor and camera motion drive a
// small state machine that switches aimer, camera trigger output and decoder; the read
// time counts down on the 10 ms heartbeat; every decoded label comes back here on the
// decoder thread, is checked for a repeat and goes to the formatter or, for menu
// labels, to the command pipe; a read that times out without a label sends the
// configured no-read text.
//
// Threads: key callbacks on the key listener, doHeartBeat (and through it onNoLabel) on
// the heartbeat, OnDecodedForDEC2D on the decoder thread, onAutoMovementDetect on the
// camera grabber, change handlers on the command thread that changed the setting, and
// the state machine on the imager thread. Lock order: cycle mutex, then state mutex;
// the decoder's mutex and the output queue's may be taken inside the cycle mutex.

#include "app/camera/camera.h"
#include "app/camera/camera_frame_buffer.h"
#include "app/camera/camera_trigger_output.h"
#include "app/read_cycle/decoder.h"
#include "app/read_cycle/last_barcode.h"
#include "app/read_cycle/no_label_message.h"
#include "config/observer.h"
#include "decoder/core/tag_decoded_label.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

class ReadBarcode {
public:
    enum eReadMode : std::uint32_t {
        eStopAtNextTick = 0, // no setting gives it
        eSingle = 1,
        eMultiple = 2,
        eContinuous = 3,
    };
    enum eRbState : std::uint32_t {
        eIdle = 0,
        eReading = 1,
        ePresentationWatch = 2, // motion detection armed
        eAiming = 3,            // first press of a repeated trigger
    };

    // Read timer values, in heartbeat ticks.
    static constexpr std::uint16_t kTimerStopped = 0;
    static constexpr std::uint16_t kNoTimeOut = 65535;
    static constexpr std::uint16_t kLongestReadTime = 65534;
    static constexpr std::uint16_t kStandReadTicks = 700;
    static constexpr std::uint16_t kShortReadTicks = 100; // motion, second press of a repeated trigger
    static constexpr std::uint16_t kMenuReminderTicks = 99;
    // Presentation flags.
    static constexpr std::uint8_t kStandDetected = 2;
    static constexpr std::uint8_t kAutoDetection = 4;
    // Motion thresholds by sensitivity; 100 also while not watching.
    static constexpr int kMotionThresholds[] = {50, 70, 100};
    static constexpr int kQuietMotionThreshold = 100;

    static constexpr int kImageWaitMs = 100;

    // Built on first use and never destroyed.
    static ReadBarcode& getInstance();

    ReadBarcode(ReadBarcode const&) = delete;
    ReadBarcode& operator=(ReadBarcode const&) = delete;
    ~ReadBarcode();

    // Once, from main: applies the settings, opens the camera and starts the imager
    // thread. False when the camera would not open (the rest still runs) or on a second call.
    bool setupBarcodeImager();

    void triggerPressedCallback(bool pressed);
    void wakeupPressedCallback(bool pressed);
    void hallSensorActiveCallback(bool active);
    void softwareTrigger(bool on);
    void onAutoMovementDetect();

    // Decoder off without a no-label signal, state idle.
    void stopReading();
    // The end of a time-out: decoder off with the no-label signal (the no-read
    // text, unless the read took a label), state idle, timer stopped.
    void endReadWithoutLabel();
    void setReadMode(eReadMode mode, int ticks);
    void setState(eRbState state);
    eRbState getCurrentState();

    void doHeartBeat();

    // The label callback: true takes the label (the decoder stops searching the image).
    bool OnDecodedForDEC2D(void* context, tagDecodedLabel const* label);
    void onNoLabel();

    // A frame for image upload: the newest one, or the one the decoder used last.
    // False, with an empty buffer for getUsedImage, when there is none.
    bool getImage(FrameBuffer& fb);
    bool getUsedImage(FrameBuffer& fb);

    bool onChangeReadMode();
    bool onChangeMirror();
    bool onChangeAiming();
    bool onChangeFloodlight();
    bool onChangeAutoDetect();

    bool isMenuMode() const { return menuMode_.load(); }
    eReadMode readMode() const { return readMode_.load(); }
    std::uint16_t readTime() const { return readTime_.load(); }
    std::uint16_t readTimer();
    Decoder& decoder() { return decoder_; }
    V4L2Camera& camera() { return camera_; }

private:
    ReadBarcode();

    // The read time the settings give, in ticks.
    static std::uint16_t CalcReadTime();
    // The ticks a new read starts with: 0 (held by the trigger) for a read time of 1.
    std::uint16_t startTicks() const;

    // Decoder on for a new read; the reads started so far tell a label of an earlier
    // read (decoded while the trigger was pressed again) from one of the current read.
    void startRead();
    std::uint32_t readsStarted();

    bool isRepeat(tagDecodedLabel const& label);
    void handleMenuResult(int result, std::vector<char> const& bytes);
    static void writeToPipe(char const* bytes, std::size_t count);

    void imagerTask();
    eRbState waitForStateChange();
    void doTakePicture();
    void doAutoDetectTrigger();
    void goIntoIdleState();

    std::uint16_t readTimer_ = kTimerStopped;
    std::uint32_t readsStarted_ = 0; // under the cycle lock
    std::atomic<std::uint16_t> readTime_{0};
    std::atomic<eReadMode> readMode_{eSingle};
    std::atomic<bool> softwareTriggered_{false};
    eRbState state_ = eIdle; // under the state mutex
    std::uint16_t menuReminder_ = 0;
    std::atomic<std::uint8_t> presentation_{0};
    std::atomic<bool> triggerRepeat_{false};
    std::recursive_mutex cycleMutex_;
    std::mutex stateMutex_;
    std::condition_variable stateCondition_;
    bool stateChanged_ = false;
    V4L2Camera camera_{"/dev/video0"};
    std::atomic<bool> stop_{false};
    std::thread imager_;
    LastBarcode lastBarcode_;
    NoLabelMessage noLabelMessage_;
    FrameBuffer imageBuffer_;
    CameraTrigger cameraTrigger_{"camera_hw_trigger"};
    // One observer per key: an observer sits in one list only.
    ivra_configuration::DelegateObserver<ReadBarcode> typeObserver_{*this, &ReadBarcode::onChangeReadMode};
    ivra_configuration::DelegateObserver<ReadBarcode> readTimeObserver_{*this, &ReadBarcode::onChangeReadMode};
    ivra_configuration::DelegateObserver<ReadBarcode> repeatObserver_{*this, &ReadBarcode::onChangeReadMode};
    ivra_configuration::DelegateObserver<ReadBarcode> mirrorObserver_{*this, &ReadBarcode::onChangeMirror};
    ivra_configuration::DelegateObserver<ReadBarcode> aimingObserver_{*this, &ReadBarcode::onChangeAiming};
    ivra_configuration::DelegateObserver<ReadBarcode> floodlightObserver_{*this, &ReadBarcode::onChangeFloodlight};
    ivra_configuration::DelegateObserver<ReadBarcode> autoDetectObserver_{*this, &ReadBarcode::onChangeAutoDetect};
    std::atomic<bool> menuMode_{false};
    // Last: its thread may call back into everything above.
    Decoder decoder_{nullptr};
};
