#pragma once
// rapidjson writer onto an OutputStream. Bytes go out one Write(char) at a time: the
// block writes of some streams report less than they wrote, so they are not used.

#include "config/stream.h"

#include <rapidjson/writer.h>

#include <cstddef>

namespace ivra_configuration {

class JsonOutput {
 public:
  using Ch = char;

  explicit JsonOutput(OutputStream& out) : m_out(out) {}

  void Put(char c) {
    if (m_ok && !m_out.Write(c)) m_ok = false;
  }
  void Flush() {}
  bool Ok() const { return m_ok; }

 private:
  OutputStream& m_out;
  bool m_ok = true;
};

using JsonWriter = rapidjson::Writer<JsonOutput>;

} // namespace ivra_configuration
