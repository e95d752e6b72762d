#pragma once
// Sending one frame to the host: the window of the frame as grey bytes (or a
// JPEG of them), a 256-byte information field, and the block protocol that the
// host acknowledges block by block.
//
// A block frame is "!", the block number (16 bits), the payload length (32
// bits), the payload, a 16-bit checksum (sum of byte i times i + 1) and CR; the
// host answers ACK, NAK (send again, three sends in all) or an abort byte.

#include "app/camera/camera_frame_buffer.h"

#include <array>
#include <cstdint>
#include <span>
#include <vector>

class SerialPort;

struct ImageSettings {
    unsigned xStart = 0;
    unsigned xEnd = 639;
    unsigned yStart = 0;
    unsigned yEnd = 479;
    unsigned skipX = 1;
    unsigned skipY = 1;
    unsigned bitPerPixel = 0; // index into ImageCapture::BPP; 3 sends 10-bit samples in two bytes
    unsigned quality = 75;
    unsigned format = 1;      // index into ImageCapture::FMT; 1 is JPEG
    bool allAtOnce = false;
};

struct ConvertedImage {
    std::vector<std::uint8_t> bytes;
    unsigned width = 0;  // samples taken per row
    unsigned height = 0; // rows taken
    ImageSettings window; // the settings with the window fitted to the frame
};

inline constexpr std::size_t kInformationFieldSize = 256;
using InformationField = std::array<std::uint8_t, kInformationFieldSize>;

// The window fitted to the frame, every skip-th sample and row. False (nothing
// converted) for a frame outside 1..640 x 1..480, a skip of 0 or an empty window.
bool ConvertImage(FrameBuffer const& frame, ImageSettings const& settings, ConvertedImage& image);
// The bytes to send: a JPEG of the 8-bit samples for format 1, else the converted bytes.
bool EncodeImage(FrameBuffer const& frame, ConvertedImage const& image, ImageSettings const& settings,
                 std::vector<std::uint8_t>& payload);

InformationField MakeInformationField(FrameBuffer const& frame, ConvertedImage const& image,
                                      std::size_t payloadSize, unsigned blockCount, bool triggerHeld);

std::uint16_t BlockChecksum(std::span<std::uint8_t const> payload, std::uint32_t firstWeight = 1);

// Block 0 with the information field, then the image in blocks of one row's width.
bool TransmitPartial(SerialPort& port, InformationField field, std::span<std::uint8_t const> image,
                     unsigned blockSize);
// One frame holding the field and the image; only an ACK counts as success.
bool TransmitAllAtOnce(SerialPort& port, InformationField field, std::span<std::uint8_t const> image);
