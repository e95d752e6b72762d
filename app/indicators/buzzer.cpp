#include "app/indicators/buzzer.h"

#include "app/indicators/gpio_led.h"
#include "config/configuration.h"

#include <array>
#include <chrono>

namespace {

using beep = Buzzer::beep;

constexpr std::array<beep, 3> kPowerOnList{{{2500, 150}, {3000, 100}, {4000, 100}}};
constexpr std::array<beep, 2> kErrorList{{{2000, 100}, {1500, 200}}};
constexpr std::array<beep, 1> kMenuReminderList{{{3500, 200}}};
constexpr std::array<beep, 3> kMenuList{{{3000, 100}, {2500, 100}, {4000, 100}}};
constexpr std::array<beep, 1> kShortList{{{3000, 10}}};

std::string attributePath(std::string const& name, char const* attribute)
{
    return std::string(GPIOLed::kClassPath) + name + "/" + attribute;
}

} // namespace

Buzzer& Buzzer::getInstance()
{
    // Never destroyed: callers on every thread and the store's observer list
    // keep pointing at it until the process ends.
    static Buzzer* const instance = [] {
        // No change may slip between the first read of the settings and the observers.
        std::lock_guard<std::recursive_mutex> lock(ivra_configuration::CommandMutex());
        auto* buzzer = new Buzzer();
        buzzer->followSettings();
        return buzzer;
    }();
    return *instance;
}

Buzzer::Buzzer()
    : frequency_(attributePath(name_, "frequency")), brightness_(attributePath(name_, "brightness"))
{
    frequency_.open(File::eWrite);
    brightness_.open(File::eWrite);
    {
        std::lock_guard<std::recursive_mutex> lock(ivra_configuration::CommandMutex());
        onChangeGoodRead();
        onChangeLoudness();
        onChangeActiveLevel();
    }
    buzzerPlay(0);
    player_ = std::thread(&Buzzer::buzzerTask, this);
}

Buzzer::~Buzzer()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    condition_.notify_all();
    if (player_.joinable()) {
        player_.join();
    }
    buzzerPlay(0);
}

bool Buzzer::followSettings()
{
    // The store's lists are walked by command threads: link under their lock.
    std::lock_guard<std::recursive_mutex> lock(ivra_configuration::CommandMutex());
    auto& buzzer = ivra_configuration::Root().indicator.buzzer;
    bool const goodRead = buzzer.good_read.Push(goodReadObserver_);
    bool const loudness = buzzer.loudness.Push(loudnessObserver_);
    bool const activeLevel = buzzer.signal_active.Push(activeLevelObserver_);
    return goodRead && loudness && activeLevel;
}

std::span<beep const> Buzzer::presetList(eType type)
{
    switch (type) {
    case kPowerOn:
        return kPowerOnList;
    case kError:
        return kErrorList;
    case kMenuReminder:
        return kMenuReminderList;
    case kMenu:
        return kMenuList;
    case kShort:
        return kShortList;
    default:
        return {};
    }
}

bool Buzzer::play(eType type, eVolume)
{
    bool const preset = !presetList(type).empty();
    if (!preset && type != kGoodRead && type != kCustom) {
        return false;
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (preset) {
            auto const list = presetList(type);
            current_.assign(list.begin(), list.end());
        } else {
            current_ = type == kGoodRead ? goodRead_ : custom_;
        }
        ++requests_;
    }
    condition_.notify_all();
    return true;
}

void Buzzer::setCustomBeep(std::deque<beep> const& beeps)
{
    std::lock_guard<std::mutex> lock(mutex_);
    custom_ = beeps;
}

bool Buzzer::onChangeGoodRead()
{
    using ToneType = ivra_configuration::configuration::indicator::buzzer::good_read::tone::type::Enum;
    auto const& settings = ivra_configuration::Root().indicator.buzzer.good_read;
    bool const enable = settings.enable.Value();
    int const d = settings.time.Value();
    ToneType const tone = settings.tone.type.Value();
    auto const& manual = settings.tone.manual_value.Value();

    std::lock_guard<std::mutex> lock(mutex_);
    goodRead_.clear();
    if (!enable) {
        return true;
    }
    switch (tone) {
    case ToneType::HIGH:
        goodRead_.push_back({3250, d});
        break;
    case ToneType::MEDIUM:
        goodRead_.push_back({3000, d});
        break;
    case ToneType::LOW:
        goodRead_.push_back({2750, d});
        break;
    case ToneType::TO_LOW:
        goodRead_.push_back({3000, d});
        goodRead_.push_back({2500, d});
        break;
    case ToneType::TO_HIGH:
        goodRead_.push_back({3000, d});
        goodRead_.push_back({4000, d});
        break;
    case ToneType::MANUAL:
        for (std::uint16_t const frequency : manual) {
            if (frequency != 0) {
                goodRead_.push_back({frequency, d});
            }
        }
        break;
    }
    return true;
}

bool Buzzer::onChangeLoudness()
{
    using LoudnessType = ivra_configuration::configuration::indicator::buzzer::loudness::type::Enum;
    auto const& settings = ivra_configuration::Root().indicator.buzzer.loudness;
    LoudnessType const type = settings.type.Value();
    int const manual = settings.manual_value.Value();

    std::lock_guard<std::mutex> lock(mutex_);
    switch (type) {
    case LoudnessType::MAXIMUM:
        loudness_ = 127;
        break;
    case LoudnessType::HIGH:
        loudness_ = 101;
        break;
    case LoudnessType::MEDIUM:
        loudness_ = 75;
        break;
    case LoudnessType::LOW:
        loudness_ = 50;
        break;
    case LoudnessType::MANUAL:
        loudness_ = manual * 127 / 100;
        break;
    }
    return true;
}

bool Buzzer::onChangeActiveLevel()
{
    using Level = ivra_configuration::configuration::indicator::buzzer::signal_active::Enum;
    bool const activeHigh = ivra_configuration::Root().indicator.buzzer.signal_active.Value() == Level::HIGH;
    setActiveLevel(activeHigh ? 0 : 1);
    return true;
}

bool Buzzer::setActiveLevel(eActiveLevel level)
{
    File activeLow(attributePath(name_, "active_low"));
    if (!activeLow.open(File::eWrite)) {
        return false;
    }
    bool const written = writeNumber(activeLow, level);
    activeLow.close();
    if (!written || activeLow.lastError() != 0) {
        return false;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    activeLevel_ = level;
    return true;
}

bool Buzzer::writeNumber(File& file, int value)
{
    // One write call: an attribute takes its whole value at once.
    std::string const text = std::to_string(value);
    return file.write(reinterpret_cast<unsigned char const*>(text.data()), static_cast<unsigned>(text.size())) ==
           static_cast<long>(text.size());
}

void Buzzer::buzzerPlay(int frequency)
{
    sound(frequency, loudness());
}

void Buzzer::sound(int frequency, int loudness)
{
    // A failed write leaves the buzzer as it was; there is no one to tell.
    writeNumber(frequency_, frequency);
    if (frequency != 0) {
        writeNumber(brightness_, loudness);
    }
}

int Buzzer::loudness() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return loudness_;
}

Buzzer::eActiveLevel Buzzer::activeLevel() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return activeLevel_;
}

std::deque<beep> Buzzer::goodReadList() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return goodRead_;
}

void Buzzer::buzzerTask()
{
    std::unique_lock<std::mutex> lock(mutex_);
    // Only this thread writes the attributes while it runs: it may do so unlocked.
    auto const soundUnlocked = [&](int frequency) {
        int const level = loudness_;
        lock.unlock();
        sound(frequency, level);
        lock.lock();
    };
    for (;;) {
        condition_.wait(lock, [this] { return stop_ || requests_ != served_ || !current_.empty(); });
        if (stop_) {
            return;
        }
        served_ = requests_;
        if (current_.empty()) {
            // A request for an empty list (good-read beep switched off): silence.
            soundUnlocked(0);
            continue;
        }
        beep const tone = current_.front();
        current_.pop_front();
        soundUnlocked(tone.frequency);
        // Steady clock: setting the date neither stretches nor cuts a tone. A
        // request meanwhile replaces the rest of the list, not this tone.
        auto const length = std::chrono::milliseconds(tone.duration > 0 ? tone.duration : 0);
        auto const end = std::chrono::steady_clock::now() + length;
        condition_.wait_until(lock, end, [this] { return stop_; });
        if (stop_) {
            return;
        }
        if (current_.empty() && requests_ == served_) {
            soundUnlocked(0);
        }
    }
}
