#include "app/read_cycle/read_barcode.h"

#include "app/indicators/buzzer.h"
#include "app/settings/factory_settings.h"
#include "app/indicators/gpio_keyboard.h"
#include "app/host/host_interface.h"
#include "app/indicators/indicator_leds.h"
#include "app/host/interface_output_stream.h"
#include "app/settings/menu_cmd_handler.h"
#include "config/configuration.h"
#include "format/formatter.h"

#include <algorithm>

namespace cfg = ivra_configuration;

namespace {

// The formatter's way to the host output queue, the LEDs and the buzzer. Each outlet
// reaches its device at the time of use, so nothing is built before main builds it.
void ConnectFormatterOutlets()
{
    FormatterOutlets outlets;
    outlets.pushOutput = [](OutputBufferData const& unit) { InterfaceOutputStream::getInstance().pushOutputBuffer(unit); };
    outlets.hostInterface = [] { return hostInterface(); };
    outlets.indicate = [](unsigned bits, unsigned ms) {
        IndicatorLeds::getInstance().doAction(bits, static_cast<int>(std::min(ms, 65535u)));
    };
    outlets.playBuzzer = [](unsigned type, unsigned volume) {
        Buzzer::getInstance().play(static_cast<Buzzer::eType>(type), static_cast<Buzzer::eVolume>(volume));
    };
    outlets.triggerHeld = [] { return (GpioKeyboard::keysPressed_.load() & GpioKeyboard::kTriggerBit) != 0; };
    Formatter::getInstance().SetOutlets(std::move(outlets));
}

} // namespace

ReadBarcode& ReadBarcode::getInstance()
{
    // Never destroyed: its threads and the decoder handle live as long as the process.
    static ReadBarcode* const instance = new ReadBarcode();
    return *instance;
}

ReadBarcode::ReadBarcode()
{
    // The host's stream (and the keyboard it may build, which reads its
    // settings under the command lock) exists before this object's lock is
    // ever held: built lazily from the read cycle, it would take the command
    // lock inside ours, the opposite order of a "set" that reaches us.
    (void)InterfaceOutputStream::getInstance();
    {
        std::lock_guard<std::recursive_mutex> lock(cfg::CommandMutex());
        auto& root = cfg::Root();
        root.trigger.manual.type.Push(typeObserver_);
        root.trigger.manual.extended_read_time.Push(readTimeObserver_);
        root.trigger.manual.trigger_repeat.Push(repeatObserver_);
        root.readable_medium.mirrored_codes.decode_image.Push(mirrorObserver_);
        root.lighting.timing.aimer_light.Push(aimingObserver_);
        root.lighting.flood_light.light_sequence.Push(floodlightObserver_);
        root.trigger.auto_detection.Push(autoDetectObserver_);
    }
    ConnectFormatterOutlets();
    LabelCallback::func = [this](void* context, tagDecodedLabel const* label) {
        return OnDecodedForDEC2D(context, label);
    };
    decoder_.connectCallbacks(LabelCallback::callback);
    decoder_.connectNoLabel([this] { onNoLabel(); });
    // Last, once nothing here takes a lock any more: a command thread that asks
    // meanwhile waits for the instance to be complete.
    MenuCmdHandler::setMenuModeSource([] { return getInstance().isMenuMode(); });
}

ReadBarcode::~ReadBarcode()
{
    stop_ = true;
    setState(eIdle);
    {
        // setState only wakes on a change; the stop must wake the thread in any case.
        std::lock_guard lock(stateMutex_);
        stateChanged_ = true;
    }
    stateCondition_.notify_all();
    if (imager_.joinable()) {
        imager_.join();
    }
}

bool ReadBarcode::setupBarcodeImager()
{
    if (imager_.joinable()) {
        return false;
    }
    onChangeReadMode();
    onChangeMirror();
    onChangeAiming();
    onChangeAutoDetect();
    bool const opened = camera_.open() == 0;
    camera_.connectAutoMovementDetect([this] { onAutoMovementDetect(); });
    camera_.enableStrobe(false);
    imager_ = std::thread([this] { imagerTask(); });
    return opened;
}

// ---- settings ----

std::uint16_t ReadBarcode::CalcReadTime()
{
    auto const& readTime = cfg::Root().trigger.manual.extended_read_time;
    if (readTime.infinite.Value()) {
        return kNoTimeOut;
    }
    // Up to 65535 x 255 / 10: beyond the timer's range, and 65535 would mean "no time-out".
    unsigned const ticks = static_cast<unsigned>(readTime.time.Value()) * readTime.unit.Value() / 10;
    return static_cast<std::uint16_t>(std::clamp(ticks, 1u, static_cast<unsigned>(kLongestReadTime)));
}

bool ReadBarcode::onChangeReadMode()
{
    std::uint16_t const ticks = CalcReadTime();
    triggerRepeat_ = cfg::Root().trigger.manual.trigger_repeat.enable.Value();
    switch (static_cast<unsigned>(cfg::Root().trigger.manual.type.Value())) {
    case 0: // SINGLE
        setReadMode(eSingle, ticks);
        break;
    case 1: // MULTIPLE
    case 2: // MULTIPLE_DUPLICATION
        setReadMode(eMultiple, ticks);
        break;
    case 3: // CONTINUOUS
        setReadMode(eContinuous, ticks);
        break;
    default:
        break;
    }
    return true;
}

bool ReadBarcode::onChangeMirror()
{
    auto const& image = cfg::Root().readable_medium.mirrored_codes.decode_image;
    camera_.setVerticalFlip(static_cast<unsigned>(image.bottom_top_flip.Value()) == 1);   // MIRRORED
    camera_.setHorizontalFlip(static_cast<unsigned>(image.right_left_flip.Value()) == 1); // MIRRORED
    return true;
}

bool ReadBarcode::onChangeAiming()
{
    auto const& aimer = cfg::Root().lighting.timing.aimer_light;
    camera_.setUseAimer(aimer.at_interlude.Value() && aimer.at_discharging.Value());
    return true;
}

bool ReadBarcode::onChangeFloodlight()
{
    auto const mode = cfg::Root().lighting.flood_light.light_sequence.for_photograph.flood_lighting_mode.Value();
    camera_.enableStrobe(static_cast<unsigned>(mode) != 1); // LIGHT_OFF_MODE
    return true;
}

bool ReadBarcode::onChangeAutoDetect()
{
    auto const& detection = cfg::Root().trigger.auto_detection;
    std::uint8_t flags = 0;
    if (detection.enable.Value()) {
        flags |= kAutoDetection;
    }
    if (FactorySettings::getInstance().HallSensor() && detection.stand_detection.enable.Value()
        && (GpioKeyboard::keysPressed_.load() & GpioKeyboard::kHallEffectBit) != 0) {
        flags |= kStandDetected;
    }
    std::uint8_t const previous = presentation_.exchange(flags);
    if (((previous ^ flags) & (kStandDetected | kAutoDetection)) != 0) {
        eRbState const wanted = (flags & (kStandDetected | kAutoDetection)) != 0 ? ePresentationWatch : eIdle;
        setState(wanted);
    }
    return true;
}

// ---- read mode, state, timer ----

void ReadBarcode::setReadMode(eReadMode mode, int ticks)
{
    eReadMode const previous = readMode_.exchange(mode);
    readTime_ = static_cast<std::uint16_t>(std::clamp(ticks, 0, static_cast<int>(kNoTimeOut)));
    std::lock_guard lock(cycleMutex_);
    if (mode == eContinuous) {
        startRead();
        readTimer_ = kNoTimeOut;
        setState(eReading);
    } else if (previous == eContinuous) {
        readTimer_ = 1; // stop at the next tick
    }
}

void ReadBarcode::setState(eRbState state)
{
    {
        std::lock_guard lock(stateMutex_);
        if (state_ == state) {
            return;
        }
        state_ = state;
        stateChanged_ = true;
    }
    stateCondition_.notify_all();
}

ReadBarcode::eRbState ReadBarcode::getCurrentState()
{
    std::lock_guard lock(stateMutex_);
    return state_;
}

std::uint16_t ReadBarcode::readTimer()
{
    std::lock_guard lock(cycleMutex_);
    return readTimer_;
}

std::uint16_t ReadBarcode::startTicks() const
{
    std::uint16_t const time = readTime_.load();
    return time == 1 ? kTimerStopped : time;
}

void ReadBarcode::stopReading()
{
    // Under the cycle lock, so that a good read on the decoder thread cannot fall between
    // a trigger's decoder start and its state change and leave the state "reading".
    std::lock_guard lock(cycleMutex_);
    decoder_.stopDecoder(true);
    softwareTriggered_ = false;
    setState(eIdle);
    Formatter::getInstance().StopFormatter();
}

void ReadBarcode::startRead()
{
    std::lock_guard lock(cycleMutex_);
    decoder_.startDecoder();
    ++readsStarted_;
}

std::uint32_t ReadBarcode::readsStarted()
{
    std::lock_guard lock(cycleMutex_);
    return readsStarted_;
}

void ReadBarcode::endReadWithoutLabel()
{
    std::lock_guard lock(cycleMutex_);
    readTimer_ = kTimerStopped;
    decoder_.stopDecoder(false);
    setState(eIdle);
    if (readMode_ == eMultiple) {
        lastBarcode_.clear();
    }
    Formatter::getInstance().StopFormatter();
}

void ReadBarcode::doHeartBeat()
{
    std::lock_guard lock(cycleMutex_);
    if (readTimer_ != kTimerStopped && readTimer_ != kNoTimeOut) {
        --readTimer_;
        if (readTimer_ == kTimerStopped) {
            endReadWithoutLabel();
        }
    }
    if (menuMode_) {
        if (menuReminder_ == 0) {
            Buzzer::getInstance().play(Buzzer::kMenuReminder, Buzzer::kMaximumLoudness);
            menuReminder_ = kMenuReminderTicks;
        } else {
            --menuReminder_;
        }
    }
}

// ---- triggers ----

void ReadBarcode::triggerPressedCallback(bool pressed)
{
    std::lock_guard lock(cycleMutex_);
    eReadMode const mode = readMode_;
    bool const repeat = triggerRepeat_;
    if (pressed) {
        if (mode != eContinuous && repeat && !camera_.isAimEnabled()) {
            // First press of a repeated trigger: aim only.
            camera_.setAimLed(true);
            readTimer_ = startTicks();
            setState(eAiming);
            return;
        }
        Formatter::getInstance().StopFormatter();
        startRead();
        // Held again before the read time of the last release ran out: the read
        // goes on while the trigger is held, as after any press.
        if (mode != eContinuous) {
            readTimer_ = kTimerStopped;
        }
        setState(eReading);
        return;
    }
    if (mode == eContinuous) {
        readTimer_ = kNoTimeOut;
    } else if (repeat && camera_.isAimEnabled() && readTime_ == 1) {
        readTimer_ = kShortReadTicks;
        startRead();
        setState(eReading);
    } else if (mode == eStopAtNextTick) {
        readTimer_ = 1;
    } else if (mode == eSingle || mode == eMultiple) {
        readTimer_ = readTime_;
    }
}

void ReadBarcode::wakeupPressedCallback(bool) {}

void ReadBarcode::hallSensorActiveCallback(bool active)
{
    bool const stand = FactorySettings::getInstance().HallSensor() && active
                       && cfg::Root().trigger.auto_detection.stand_detection.enable.Value();
    if (stand) {
        presentation_ |= kStandDetected;
        if (getCurrentState() == eIdle) {
            setState(ePresentationWatch);
        }
        return;
    }
    std::uint8_t const flags = presentation_ &= static_cast<std::uint8_t>(~kStandDetected);
    eRbState const state = getCurrentState();
    if (state == eIdle && (flags & kAutoDetection) != 0) {
        setState(ePresentationWatch);
    } else if ((state == eReading || state == ePresentationWatch) && (flags & kAutoDetection) == 0 && !active) {
        setState(eIdle);
    }
}

void ReadBarcode::softwareTrigger(bool on)
{
    if (!on) {
        stopReading();
        return;
    }
    std::lock_guard lock(cycleMutex_);
    Formatter::getInstance().StopFormatter();
    startRead();
    softwareTriggered_ = true;
    readTimer_ = startTicks();
    setState(eReading);
}

void ReadBarcode::onAutoMovementDetect()
{
    std::lock_guard lock(cycleMutex_);
    Formatter::getInstance().StopFormatter();
    startRead();
    readTimer_ = kShortReadTicks;
    setState(eReading);
}
