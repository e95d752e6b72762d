#pragma once
// The two outside decoders the benchmarks compare with: zxing-cpp (linked) and zbar
// (loaded at run time; absent when the library is missing). Both read 8-bit grey, so a
// 10-bit frame is shifted down. The packaged zxing stops its process on an internal
// assertion for a few frames, so benchmarks run both in a child process per frame.

#include "tests/support/frame.h"

#include <ZXing/BarcodeFormat.h>

#include <string>
#include <vector>

namespace bench_support {

using Labels = std::vector<std::string>;

std::vector<unsigned char> ToBytes(support::Frame const& frame, bool inverted);

// Try harder and rotations on; a second read of the inverted frame when the first finds
// nothing (this version has no inversion option).
Labels ReadWithZxing(support::Frame const& frame, ZXing::BarcodeFormats formats);

class ZbarReader {
public:
    // zbar's own symbology numbers (e.g. 13 EAN-13, 39 Code 39, 128 Code 128); the
    // inverted image is tried when nothing is read.
    explicit ZbarReader(std::vector<int> const& symbologies);
    bool IsReady() const { return ready_; }
    Labels Read(support::Frame const& frame) const;

private:
    template <class F>
    bool Load(F& function, char const* name);

    void* library_ = nullptr;
    void* scanner_ = nullptr;
    bool ready_ = false;
    void* (*createScanner_)() = nullptr;
    int (*setConfig_)(void*, int, int, int) = nullptr;
    void* (*createImage_)() = nullptr;
    void (*setFormat_)(void*, unsigned long) = nullptr;
    void (*setSize_)(void*, unsigned, unsigned) = nullptr;
    void (*setData_)(void*, void const*, unsigned long, void (*)(void*)) = nullptr;
    int (*scan_)(void*, void*) = nullptr;
    void const* (*firstSymbol_)(void const*) = nullptr;
    void const* (*nextSymbol_)(void const*) = nullptr;
    char const* (*symbolData_)(void const*) = nullptr;
    unsigned (*symbolLength_)(void const*) = nullptr;
    void (*destroyImage_)(void*) = nullptr;
};

// Runs `read` `repeats` times in a child process: the least time in ms and the labels
// of the last run. False when the child stopped abnormally (the frame counts as not
// read and its time as not measured).
template <class Read>
bool TimeIsolated(Read&& read, unsigned repeats, Labels& labels, double& ms);

} // namespace bench_support

#include "bench/support/other_readers_isolated.h"
