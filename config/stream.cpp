#include "config/stream.h"

#include "config/command_line_state.h"

namespace ivra_configuration {

InputStream::InputStream() = default;
InputStream::~InputStream() = default;

bool InputStream::Read(void* buffer, unsigned length) {
  char* p = static_cast<char*>(buffer);
  for (unsigned i = 0; i < length; ++i) {
    if (!Read(p[i])) return false;
  }
  return true;
}

int OutputStream::Write(void const* buffer, unsigned length) {
  char const* p = static_cast<char const*>(buffer);
  unsigned i = 0;
  for (; i < length; ++i) {
    if (!Write(p[i])) break;
  }
  return static_cast<int>(i);
}

bool OutputStream::Write(char const* text) {
  if (text == nullptr) return false;
  for (; *text != '\0'; ++text) {
    if (!Write(*text)) return false;
  }
  return true;
}

} // namespace ivra_configuration
