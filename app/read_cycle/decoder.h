#pragma once
// The decoder driver: runs the decoder core on a thread of its own over the newest frame
// of the frame queue while decoding is enabled, and tells the read cycle when a read
// ended without a label.
//
// It holds the decoder property table (references to every setting a symbology decoder
// reads) and registers it before the one decoder handle is built. The table reads a copy
// of the settings that each frame's decode takes, never the banks a command rewrites.
// Only one Decoder may exist in a process: the handle, the label callback and the frame
// queue are shared, and its settings observer cannot be unlinked, so it is never
// destroyed while the settings live.

#include "app/read_cycle/decoder_callback.h"
#include "app/camera/frame_queue.h"
#include "app/signal.h"
#include "config/observer.h"
#include "decoder/core/property/dec2d_property.h"
#include "decoder/core/tag_decode_option.h"
#include "decoder/core/tag_decoded_label.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

using LabelCallback = Callback<bool(void*, tagDecodedLabel const*)>;

class Decoder {
public:
    using LabelFunction = bool (*)(void*, tagDecodedLabel const*);

    // A frame-ready notice can slip past the wait (it is sent inside the queue's lock,
    // which the decoder must not wait for), so while decoding the thread looks again
    // after this long at the latest.
    static constexpr std::chrono::milliseconds kFrameRecheck{10};

    // The argument is not used (the owner passes null): labels go through Callback.
    explicit Decoder(LabelFunction unused, FrameIndexQueue& frames = frameIB);
    Decoder(Decoder const&) = delete;
    Decoder& operator=(Decoder const&) = delete;
    // Ends the thread. Only for a decoder whose settings can no longer change.
    ~Decoder();

    // Where labels go once the read cycle takes them over.
    void connectCallbacks(LabelFunction function);
    // The stored function's answer, or true (take the label) when none is stored.
    bool OnDecodedForDEC2D(void* context, tagDecodedLabel const* label);

    void connectNoLabel(std::function<void()> const& slot);
    // Each start begins a new read.
    void startDecoder();
    // Emits no-label when decoding was on, the stop is not silent and the read took no label.
    void stopDecoder(bool silent);
    bool isDecodeEnabled();
    // Whether a frame is being decoded, its labels handed on included.
    bool isDecoding();

    // From the grabber, inside the frame queue's lock: only wakes the thread.
    void onFrameReady();
    // Refreshes the decode options from the settings; follows trigger/manual/type only.
    bool onChangeDecodeOptions();
    DEC2DIvra::tagDecodeOption decodeOptions();

private:
    // Returns holding the lock, when decoding is on and the newest frame is new, or on stop.
    void waitForFrame(std::unique_lock<std::mutex>& lock);
    bool newFrameWaiting();
    void decoderTask();

    // First member: its address is what the decoder core keeps.
    DEC2DIvra::DEC2DProperty propertyTable_;
    DEC2DIvra::tagDecodeOption decodeOptions_{};
    std::thread thread_;
    bool enabled_ = false;
    std::condition_variable frameCondition_;
    std::mutex mutex_; // enabled, stop, label-taken and the options
    ivra_configuration::DelegateObserver<Decoder> optionsObserver_{*this, &Decoder::onChangeDecodeOptions};
    std::atomic<LabelFunction> labelFunction_{nullptr};
    sigs::Signal<void()> noLabel_;

    FrameIndexQueue& frames_;
    sigs::Connection frameReadyConnection_;
    bool stop_ = false;
    bool labelTaken_ = false; // in the read since the last start
    bool decoding_ = false;
    // Counts the starts: a frame decoded for an earlier read (its decode still
    // running when the new read started) takes no label for the new one.
    unsigned read_ = 0;
};
