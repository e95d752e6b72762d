#include "config/memory_stream.h"

namespace ivra_configuration {

bool MemoryInputStream::Read(char& c) {
  if (m_position >= m_data.size()) return false;
  c = m_data[m_position++];
  return true;
}

bool StringOutputStream::Write(char c) {
  if (m_text.size() >= m_limit) return false;
  m_text.push_back(c);
  return true;
}

} // namespace ivra_configuration
