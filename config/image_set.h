#pragma once
// Where the values live: eight bank images, the factory-default image (also the image
// that exported text is compared with), the custom default and the transient values.
// Handles keep a pointer to this table so that reading a value costs two loads.

#include <atomic>

namespace ivra_configuration {

inline constexpr unsigned kBankCount = 8;

// Which image a handle's value lies in.
enum class Area : unsigned char {
  kBank,      // the bank images (and factory and custom default)
  kVolatile,  // the transient values
};

struct ImageSet {
  unsigned char* banks[kBankCount] = {};
  unsigned char* factory = nullptr;
  unsigned char* custom = nullptr;
  unsigned char* volatileImage = nullptr;
  // Read by the decoder without a lock, written under the command lock.
  std::atomic<unsigned> current{0};
  // Once the decoder runs on a thread of its own: the copies of the current bank and of
  // the transient values that it reads (see decoder_settings.h). Set once, before that
  // thread starts.
  unsigned char const* decoderBank = nullptr;
  unsigned char const* decoderVolatile = nullptr;

  unsigned char* CurrentBank() const { return banks[current.load(std::memory_order_relaxed)]; }
};

} // namespace ivra_configuration
