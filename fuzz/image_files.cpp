// Image files of any content through the simulated camera's loader, read from
// a file as scanner-sim reads them: a refusal with a reason, or a 10-bit image
// of the size the header gives, that then fits onto the sensor.

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/sim/camera_types.h"
#include "platform/sim/frame_source.h"
#include "platform/sim/image_file.h"

namespace {

void Require(bool condition)
{
    if (!condition) {
        std::abort();
    }
}

// One file for the life of the process, rewritten for each input.
int File()
{
    static int const fd = memfd_create("image", 0);
    Require(fd >= 0);
    return fd;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size)
{
    int const fd = File();
    Require(ftruncate(fd, 0) == 0 && lseek(fd, 0, SEEK_SET) == 0);
    for (std::size_t done = 0; done < size;) {
        ssize_t const n = write(fd, data + done, size - done);
        Require(n > 0);
        done += static_cast<std::size_t>(n);
    }
    std::string why;
    auto const image = plat::sim::loadImageFile("/proc/self/fd/" + std::to_string(fd), &why);
    if (!image) {
        Require(!why.empty());
        return 0;
    }
    Require(image->width > 0 && image->height > 0);
    Require(image->width <= plat::sim::kMaxImageSide && image->height <= plat::sim::kMaxImageSide);
    Require(image->samples.size() == static_cast<std::size_t>(image->width) * image->height);
    for (std::uint16_t v : image->samples) {
        Require(v <= plat::sim::kSensorMaxLevel);
    }
    // On the sensor: smaller images padded with their border grey.
    auto const frame = plat::sim::placeImage(*image, plat::sim::kSensorWidth, plat::sim::kSensorHeight);
    Require(frame.size() == static_cast<std::size_t>(plat::sim::kSensorWidth) * plat::sim::kSensorHeight);
    if (image->width < plat::sim::kSensorWidth && image->height < plat::sim::kSensorHeight) {
        Require(frame.front() == plat::sim::borderGrey(*image) && frame.back() == frame.front());
    }
    return 0;
}
