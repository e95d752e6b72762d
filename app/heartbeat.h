#pragma once
// The application's time base: a tick signal emitted every period on a thread
// of its own. Slots run on the tick thread, in connection order.

#include "app/signal.h"

#include <chrono>
#include <functional>
#include <future>
#include <mutex>

class Heartbeat {
public:
    explicit Heartbeat(std::chrono::milliseconds period);
    Heartbeat(Heartbeat const&) = delete;
    Heartbeat& operator=(Heartbeat const&) = delete;
    virtual ~Heartbeat();

    void connect(std::function<void()> const& slot);

    // Starts the tick task; a running task is stopped and joined first.
    void start();
    // Asks the tick task to end; the thread is joined at the next start() or
    // at destruction.
    void stop();

    // One tick on the calling thread, as the tick task emits it. Tests keep the
    // heartbeat stopped and step time with this.
    void tick();

    std::chrono::milliseconds period() const { return period_; }

private:
    void heartbeatThick(std::future<void> stopped);
    void renewStopPromise();

    sigs::Signal<void()> tickSignal_;
    std::chrono::milliseconds const period_;
    std::mutex control_;
    std::promise<void> stopPromise_;
    std::future<void> stopFuture_;
    std::future<void> task_;
};
