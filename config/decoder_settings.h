#pragma once
// The settings as the decoder thread reads them: a copy of the current bank and of the
// transient values. The decoder reads without the command lock, so it must not read
// the images that a command is rewriting. After every change the command side
// publishes a whole copy under a small lock of its own; the decoder takes the newest
// copy at a frame boundary and reads it, unlocked, until the next one.

#include <cstddef>
#include <mutex>
#include <vector>

namespace ivra_configuration {

class DecoderSettings {
 public:
  DecoderSettings(std::size_t bankSize, std::size_t volatileSize);
  DecoderSettings(DecoderSettings const&) = delete;
  DecoderSettings& operator=(DecoderSettings const&) = delete;

  // Command side, after a change: the images as they are now.
  void Publish(unsigned char const* bank, unsigned char const* volatileImage);
  // Decoder thread, at a frame boundary: the newest published copy becomes the one
  // that Bank() and Volatile() show. Whether a newer copy was taken.
  bool Take();

  // What the decoder reads; they stay at their addresses for the life of the object.
  unsigned char const* Bank() const { return m_bank.data(); }
  unsigned char const* Volatile() const { return m_volatile.data(); }

 private:
  std::mutex m_mutex;  // the published copy and its number
  std::vector<unsigned char> m_publishedBank;
  std::vector<unsigned char> m_publishedVolatile;
  unsigned m_published = 0;

  // The decoder thread's own.
  std::vector<unsigned char> m_bank;
  std::vector<unsigned char> m_volatile;
  unsigned m_taken = 0;
};

} // namespace ivra_configuration
