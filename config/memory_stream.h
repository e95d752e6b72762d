#pragma once
// Streams over memory: the replay of a command line through the evaluator, and
// answers or settings text collected in a string.

#include "config/stream.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace ivra_configuration {

class MemoryInputStream final : public InputStream {
 public:
  explicit MemoryInputStream(std::string_view data) : m_data(data) {}

  using InputStream::Read;
  bool Read(char& c) override;

  std::size_t Position() const { return m_position; }

 private:
  std::string_view m_data;
  std::size_t m_position = 0;
};

class StringOutputStream final : public OutputStream {
 public:
  // limit: bytes accepted before writes fail (to test a full device).
  explicit StringOutputStream(std::size_t limit = std::string::npos) : m_limit(limit) {}

  using OutputStream::Write;
  bool Write(char c) override;
  bool Flush() override { return true; }

  std::string const& Text() const { return m_text; }
  void Clear() { m_text.clear(); }

 private:
  std::string m_text;
  std::size_t m_limit;
};

} // namespace ivra_configuration
