#pragma once
// Values the harness exchanges with the simulated camera "/dev/video0".

#include <chrono>
#include <cstdint>
#include <optional>

namespace plat::sim {

// The sensor: 10-bit grey, one 16-bit little-endian word per sample, pitch = width.
inline constexpr int kSensorWidth = 640;
inline constexpr int kSensorHeight = 480;
inline constexpr std::uint16_t kSensorMaxLevel = 1023;
inline constexpr std::uint32_t kSensorFrameBytes = kSensorWidth * kSensorHeight * 2;

// The sensor driver's own strobe control.
inline constexpr std::uint32_t kStrobeControl = 0x981901;

// Gain and exposure at which the sensor model shows an image as it is.
inline constexpr int kNeutralGain = 64;
inline constexpr int kNeutralExposure = 10;

// One VIDIOC_S_CTRL as the firmware made it.
struct ControlWrite {
    std::chrono::steady_clock::time_point time;
    std::uint32_t id = 0;
    std::int32_t value = 0;   // as written
    std::int32_t applied = 0; // after the driver fitted it to the control's range
};

struct CameraFaults {
    bool failMap = false;    // mmap of a buffer fails with ENOMEM
    int failMapBuffer = -1;  // with failMap: only this buffer's map fails (-1: every buffer)
    bool failDequeue = false; // DQBUF fails with EIO, waiting callers included
    bool failStreamOn = false; // STREAMON fails with EIO
    std::optional<std::uint32_t> queryLength; // QUERYBUF answers this length, not the real one
};

struct CameraStatus {
    bool streaming = false;
    unsigned buffers = 0;   // allocated by REQBUFS
    unsigned queued = 0;    // with the driver, waiting for a frame
    unsigned filled = 0;    // holding a frame, waiting for DQBUF
    unsigned held = 0;      // dequeued by the application
    std::uint32_t sequence = 0; // frames the sensor has taken (dropped ones included)
    std::uint64_t delivered = 0; // frames put into buffers
    std::uint64_t dequeueCalls = 0;
    std::uint32_t captureMode = 0;
    std::uint32_t intervalNumerator = 1;
    std::uint32_t intervalDenominator = 100;
};

} // namespace plat::sim
