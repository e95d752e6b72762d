#include "app/heartbeat.h"

#include <utility>

Heartbeat::Heartbeat(std::chrono::milliseconds period)
    : period_(period)
{
    stopFuture_ = stopPromise_.get_future();
}

Heartbeat::~Heartbeat()
{
    stop();
    // Join here: the task emits tickSignal_, which must outlive it.
    if (task_.valid()) {
        task_.wait();
    }
}

void Heartbeat::connect(std::function<void()> const& slot)
{
    tickSignal_.connect(slot);
}

void Heartbeat::start()
{
    std::lock_guard<std::mutex> lock(control_);
    if (task_.valid()) {
        stopPromise_.set_value();
        renewStopPromise();
    }
    std::future<void> old = std::move(task_);
    task_ = std::async(std::launch::async, &Heartbeat::heartbeatThick, this, std::move(stopFuture_));
    // Releasing the old future joins the old task, which has seen its promise.
    old = std::future<void>();
}

void Heartbeat::stop()
{
    std::lock_guard<std::mutex> lock(control_);
    stopPromise_.set_value();
    renewStopPromise();
}

void Heartbeat::tick()
{
    tickSignal_();
}

void Heartbeat::renewStopPromise()
{
    // Each promise is fulfilled at most once: a fresh one replaces it at once.
    stopPromise_ = std::promise<void>();
    stopFuture_ = stopPromise_.get_future();
}

void Heartbeat::heartbeatThick(std::future<void> stopped)
{
    // wait_for runs on the steady clock, so setting the date does not stall
    // the LEDs and the read timer. Slot time adds to the period; late ticks
    // are not made up.
    while (stopped.wait_for(period_) != std::future_status::ready) {
        tickSignal_();
    }
}
