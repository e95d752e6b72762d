#pragma once
// A reference to the handle of one key, as the decoder property table keeps it, and the
// way to the root of the tree of the process-wide store.

#include "config/common_property_handle.h"

namespace ivra_configuration {

namespace configuration {
class Handle;
}

class CommonPropertyReference {
 public:
  explicit CommonPropertyReference(CommonPropertyHandle const& handle) : m_handle(handle) {}

  // The root handle of the process-wide store; the same as Root().
  static configuration::Handle& RootHandle();

  CommonPropertyHandle const& Get() const { return m_handle; }
  // Where the decoder reads the value: never in a bank that a command is rewriting.
  void const* CalcAddress() const { return m_handle.CalcDecoderAddress(); }

 private:
  CommonPropertyHandle const& m_handle;
};

} // namespace ivra_configuration
