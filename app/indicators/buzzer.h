#pragma once
// The buzzer: plays lists of tones on a thread of its own.
//
// The player thread owns the timing: a request only replaces the list and
// returns at once, so no caller ever waits for a tone (a good-read tone may be
// set to last a minute, and callers hold the read cycle's and the evaluator's
// locks). The tone in progress plays to its end; the new list follows it
// without a gap.
//
// One mutex guards the lists, the loudness and the player's state, and the
// one condition variable is always waited on with a predicate, so that a
// request made while the player is about to sleep still wakes it and a
// spurious wake-up never cuts a tone short. The player writes the sysfs
// attributes without holding the mutex.

#include "app/file.h"
#include "config/observer.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <span>
#include <string>
#include <thread>

class Buzzer {
public:
    struct beep {
        int frequency; // Hz; 0 is silence
        int duration;  // ms
        bool operator==(beep const&) const = default;
    };

    // Which list to play.
    using eType = int;
    static constexpr eType kPowerOn = 0;
    static constexpr eType kError = 1;
    static constexpr eType kGoodRead = 2;
    static constexpr eType kMenuReminder = 3;
    static constexpr eType kMenu = 4;
    static constexpr eType kShort = 5;
    static constexpr eType kCustom = 128;
    // Callers pass 127 (63 with kShort); the loudness setting alone sets the level.
    using eVolume = int;
    // The value of "active_low": 1 drives the buzzer active low.
    using eActiveLevel = int;

    static constexpr int kMaximumLoudness = 127;

    // The firmware's instance, built on first use and never destroyed: it
    // follows the buzzer settings for the life of the process.
    static Buzzer& getInstance();

    // Reads the settings once and follows no later change, so it may be
    // destroyed (the store cannot unlink an observer). Tests build these.
    Buzzer();
    Buzzer(Buzzer const&) = delete;
    Buzzer& operator=(Buzzer const&) = delete;
    // Silences the buzzer and ends the player.
    virtual ~Buzzer();

    // Replaces what is left of the current list with the type's list, to play
    // once the tone in progress has ended; returns at once. False for a type
    // without a list; nothing changes then.
    bool play(eType type, eVolume volume);
    void setCustomBeep(std::deque<beep> const& beeps);

    bool onChangeGoodRead();
    bool onChangeLoudness();
    bool onChangeActiveLevel();
    // Opens "active_low" for this call only; the level is recorded only when
    // it was written.
    bool setActiveLevel(eActiveLevel level);

    // One tone (or silence for 0): frequency, then the loudness with a tone.
    void buzzerPlay(int frequency);

    int loudness() const;
    eActiveLevel activeLevel() const;
    std::deque<beep> goodReadList() const;

    // The fixed lists by type; empty for a type without one.
    static std::span<beep const> presetList(eType type);

private:
    void buzzerTask();
    bool followSettings();
    bool writeNumber(File& file, int value);
    void sound(int frequency, int loudness);

    std::string const name_ = "buzzer";
    mutable std::mutex mutex_;
    std::condition_variable condition_;
    bool stop_ = false;
    std::uint64_t requests_ = 0;   // counts replaced lists, so an empty one is seen too
    std::uint64_t served_ = 0;     // requests the player has taken up
    File frequency_;
    File brightness_;
    int loudness_ = kMaximumLoudness;
    eActiveLevel activeLevel_ = 0;
    std::deque<beep> current_;
    std::deque<beep> custom_;
    std::deque<beep> goodRead_;

    ivra_configuration::DelegateObserver<Buzzer> goodReadObserver_{*this, &Buzzer::onChangeGoodRead};
    ivra_configuration::DelegateObserver<Buzzer> loudnessObserver_{*this, &Buzzer::onChangeLoudness};
    ivra_configuration::DelegateObserver<Buzzer> activeLevelObserver_{*this, &Buzzer::onChangeActiveLevel};

    // Last: starts after everything it uses is built.
    std::thread player_;
};
