#include "config/decoder_settings.h"

#include <cstring>

namespace ivra_configuration {

DecoderSettings::DecoderSettings(std::size_t bankSize, std::size_t volatileSize)
    : m_publishedBank(bankSize),
      m_publishedVolatile(volatileSize),
      m_bank(bankSize),
      m_volatile(volatileSize) {}

void DecoderSettings::Publish(unsigned char const* bank, unsigned char const* volatileImage) {
  std::lock_guard<std::mutex> lock(m_mutex);
  std::memcpy(m_publishedBank.data(), bank, m_publishedBank.size());
  std::memcpy(m_publishedVolatile.data(), volatileImage, m_publishedVolatile.size());
  ++m_published;
}

bool DecoderSettings::Take() {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (m_published == m_taken) return false;
  std::memcpy(m_bank.data(), m_publishedBank.data(), m_bank.size());
  std::memcpy(m_volatile.data(), m_publishedVolatile.data(), m_volatile.size());
  m_taken = m_published;
  return true;
}

} // namespace ivra_configuration
