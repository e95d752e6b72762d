#pragma once
// Image upload: the host asks for the frame the decoder works on ("DE1") or a new
// one ("DE8") and receives it over the serial port the command came from, raw or as
// JPEG, as the settings under output_of_image/for_standard say. "DE0" only captures,
// "DE6" reports the settings.

#include "app/camera/camera_frame_buffer.h"
#include "app/device_commands/image_transfer.h"
#include "app/settings/parameter_object.h"

#include <array>
#include <mutex>
#include <string>
#include <vector>

class ImageCapture final : public ParameterObject {
public:
    static std::array<char const*, 5> const FMT;
    static std::array<unsigned, 4> const BPP;

    static ImageCapture& getInstance();

    int ExecuteCommand(unsigned code, std::vector<char> params, ivra_configuration::InputStream& in,
                       ivra_configuration::OutputStream& out) override;

    // The settings as they stand now.
    static ImageSettings CurrentSettings();
    // Sends the buffered frame on the port; false when the frame or a block failed.
    bool StartTransmitImage(SerialPort& port);

private:
    ImageCapture();
    bool upload(ivra_configuration::OutputStream& out, bool newFrame);

    std::mutex mutex_; // the frame copy and the image: "USBCOM" and "UART" may both upload
    FrameBuffer frame_;
    std::vector<std::uint8_t> image_;
};
