// What the read cycle does with each decoded label and with a read that found none.
#include "app/read_cycle/read_barcode.h"

#include "app/indicators/buzzer.h"
#include "app/commands/command_channels.h"
#include "app/indicators/gpio_keyboard.h"
#include "app/host/host_interface.h"
#include "app/indicators/indicator_leds.h"
#include "app/host/interface_output_stream.h"
#include "app/commands/menu_parser.h"
#include "config/configuration.h"
#include "format/formatter.h"

namespace {

constexpr char kEsc = 0x1B;
constexpr char kCr = 0x0D;
constexpr int kSignalMs = 100;

void Beep(Buzzer::eType type) { Buzzer::getInstance().play(type, Buzzer::kMaximumLoudness); }
void Indicate(IndicatorLeds::eAction leds) { IndicatorLeds::getInstance().doAction(leds, kSignalMs); }

} // namespace

void ReadBarcode::writeToPipe(char const* bytes, std::size_t count)
{
    auto& pipe = memoryPipeStream.output();
    for (std::size_t i = 0; i < count; ++i) {
        // A refused byte drops the rest of the command in the pipe itself.
        pipe.Write(bytes[i]);
    }
}

// Repeat check with the timer re-armed for a new label. True: drop the label.
bool ReadBarcode::isRepeat(tagDecodedLabel const& label)
{
    if (lastBarcode_.compare(label)) {
        lastBarcode_.updateTime();
        if (decoder_.isDecodeEnabled()) {
            setState(eReading);
        }
        return true;
    }
    lastBarcode_.assign(label);
    std::lock_guard lock(cycleMutex_);
    if (softwareTriggered_ && readTime_ == 1) {
        readTimer_ = kTimerStopped;
    } else if ((presentation_ & kStandDetected) == 0) {
        // A held trigger keeps a read without time-out going.
        bool const held = (GpioKeyboard::keysPressed_.load() & GpioKeyboard::kTriggerBit) != 0;
        if (!(readTimer_ == kTimerStopped && held)) {
            readTimer_ = readTime_;
        }
    } else {
        readTimer_ = kStandReadTicks;
    }
    setState(eReading);
    return false;
}

bool ReadBarcode::OnDecodedForDEC2D(void*, tagDecodedLabel const* label)
{
    // A label without its identifier or its bytes cannot be formatted or compared.
    if (label == nullptr || label->identifier == nullptr || (label->data == nullptr && label->length != 0)) {
        return false;
    }
    eReadMode const mode = readMode_;
    bool const stand = (presentation_ & kStandDetected) != 0;
    std::uint32_t const read = readsStarted();
    if (mode == eContinuous) {
        setState(eReading);
    } else if ((mode == eMultiple || stand) && isRepeat(*label)) {
        return false;
    }

    Formatter& formatter = Formatter::getInstance();
    formatter.SetDecodeResult(label->identifier, label->data, label->length, label->region, label->structuredAppend,
                              label->angle);
    formatter.SearchECIPatterns(label->data, label->length);

    std::vector<char> bytes;
    int const result = MenuParser::ParseAll(label, bytes);
    if (result == kMenuRefusedLabel) {
        // A broken menu label is no host data either.
        stopReading();
        Beep(Buzzer::kError);
        Indicate(IndicatorLeds::kErrorLed);
        return true;
    }
    if (result == kMenuOrdinaryLabel || result < 0) {
        if (menuMode_) {
            // Only menu labels count while in menu mode.
            stopReading();
            Beep(Buzzer::kError);
            Indicate(IndicatorLeds::kErrorLed);
            return true;
        }
        bool const endsRead = (mode == eSingle || mode == eStopAtNextTick) && !stand;
        int const formatted = formatter.FormatData();
        if (formatted == Formatter::kFormatRefused) {
            // No good read. Where a good read would end the read, this one ends
            // as a read without a label does, so the same label is not decoded
            // again frame after frame; elsewhere it is simply not taken.
            if (!endsRead) {
                return false;
            }
            std::lock_guard lock(cycleMutex_);
            if (readsStarted_ == read) {
                endReadWithoutLabel();
            }
            return true;
        }
        // A label that ends its read ends only that read: the trigger pressed again
        // while the label was being formatted has started a new one.
        std::lock_guard lock(cycleMutex_);
        if (formatted != 0 && endsRead && readsStarted_ == read) {
            stopReading();
        }
        return true;
    }
    stopReading();
    handleMenuResult(result, bytes);
    return true;
}

void ReadBarcode::handleMenuResult(int result, std::vector<char> const& bytes)
{
    if (result == kMenuToggle) {
        if (menuMode_) {
            static constexpr char kLeave[] = {'Z', '2', '\0', kCr};
            writeToPipe(kLeave, sizeof kLeave);
            Beep(Buzzer::kMenu);
            menuMode_ = false;
            onChangeReadMode();
        } else {
            setReadMode(eSingle, 1);
            writeToPipe(&kEsc, 1);
            menuMode_ = true;
        }
        Indicate(IndicatorLeds::kGoodReadLed);
        return;
    }
    if (result == kMenuFragment) {
        if (menuMode_) {
            writeToPipe(bytes.data(), bytes.size());
        } else {
            Beep(Buzzer::kError);
            Indicate(IndicatorLeds::kErrorLed);
        }
        return;
    }
    if (bytes.empty() || menuMode_) {
        return;
    }
    writeToPipe(bytes.data(), bytes.size());
    if (result == kMenuAddressCommand || result == kMenu2DCommand) {
        static constexpr char kClose[] = {kEsc, 'Z', '2', kCr};
        writeToPipe(kClose, sizeof kClose);
    }
    Beep(Buzzer::kMenu);
    Indicate(IndicatorLeds::kGoodReadLed);
}

void ReadBarcode::onNoLabel()
{
    NoLabelMessage::Copy const message = noLabelMessage_.current();
    if (message.text.empty()) {
        return;
    }
    std::vector<OutputBufferData> units;
    if (!Formatter::BuildOutputBufferBasedOnInterface(message.text.data(), static_cast<int>(message.text.size()),
                                                      units, hostInterface(), message.cclSource)) {
        return;
    }
    InterfaceOutputStream& host = InterfaceOutputStream::getInstance();
    for (OutputBufferData const& unit : units) {
        host.pushOutputBuffer(unit);
    }
}
