#pragma once
// One handle per key of the tree, node or leaf.
//
// A handle knows its manager, key name, parent, and the address (byte offset in a bank
// image) and size of its value. A node's value is its generated structure, whose fields
// lie in key order. Reading a value in place:
//
//   auto const& enable = *static_cast<bool const*>(handle.CalcAddress());
//
// bool is one byte, enumerations are unsigned 32-bit values, then the integer types,
// string_t<N>, Array<T, N> and FixedLength of config/value_types.h.
//
// A change takes three steps: Backup() records the old bytes in the undo log, the new
// bytes are stored, UpdateAll() queues the handle and the nodes above it; Update() of
// the manager then runs their observers and undoes everything since the last Update()
// when one refuses. Store only when Backup() returned true: a change that the log
// cannot undo must not be made. Take the command lock (CommandMutex()) around the whole
// sequence when not on a command thread. The leaf templates' Set() does all of it.

#include "config/image_set.h"
#include "config/key_info.h"
#include "config/observer.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace ivra_configuration {

class ConfigurationManager;
class OutputStream;

// Which values JSON text shows.
struct JsonView {
  enum class Image { kCurrentBank, kBank, kFactory, kCustom };
  Image image = Image::kCurrentBank;
  unsigned bank = 0;          // with Image::kBank
  bool hidden = false;        // show hidden values
  bool modifiedOnly = false;  // only values that differ from the factory defaults
  bool shared = true;         // show values shared by all banks
  bool transient = false;     // show transient values as members (current values only)
};

class CommonPropertyHandle : public Subject {
 public:
  // A view of `size` bytes at `address` (a byte offset in the bank image, inside the
  // parent's value), used to address one element of an array value. It is not linked
  // into the tree; changes through it queue its parent and the nodes above.
  CommonPropertyHandle(ConfigurationManager& manager, char const* name, CommonPropertyHandle const* parent,
                       int address, unsigned size);
  // A key of the generated tree, linked as the last child of its parent.
  CommonPropertyHandle(ConfigurationManager& manager, CommonPropertyHandle* parent, KeyInfo const& info);

  ConfigurationManager& Manager() const { return m_manager; }
  char const* Name() const { return m_name; }
  CommonPropertyHandle const* Parent() const { return m_parent; }
  int Address() const { return m_address; }
  unsigned Size() const { return m_size; }
  // Table row of a tree key; nullptr for an element handle.
  KeyInfo const* Info() const { return m_info; }
  KeyKind Kind() const { return m_kind; }
  Area ValueArea() const { return m_area; }
  bool IsNode() const { return m_kind == KeyKind::kNode; }
  std::string Path() const;

  CommonPropertyHandle const* FirstChild() const { return m_firstChild; }
  CommonPropertyHandle const* NextSibling() const { return m_nextSibling; }
  // The child or descendant at a key path ("read/code128"); nullptr when absent.
  CommonPropertyHandle* Find(std::string_view path);
  CommonPropertyHandle const* Find(std::string_view path) const;

  // Address of the value in the current bank. Never fails.
  void* CalcAddress() const { return Base() + m_address; }
  // Address of byte offset `address` (a handle's own value word) in the current bank.
  void* CalcAddress(int address) const { return Base() + address; }
  // Address of the value where the decoder reads it: its copy of the settings once it
  // has one (ConfigurationManager::SeparateDecoderSettings), else the current bank.
  void const* CalcDecoderAddress() const {
    unsigned char const* base = m_area == Area::kVolatile ? m_images->decoderVolatile : m_images->decoderBank;
    return base != nullptr ? base + m_address : CalcAddress();
  }
  // In a given bank; nullptr when bank is not 0-7.
  void* CalcBankAddress(unsigned bank) const;
  // In the factory-default image, the one that settings text is compared with.
  void const* CalcDefaultAddress() const;
  void* CalcCustomDefaultAddress() const;

  // Records the value's current bytes in the undo log: in the current bank, or in all
  // eight banks when allBanks is set or the key is shared. False when the log has no
  // room; then nothing is recorded and the value must not be changed.
  bool Backup(bool allBanks = false) const;
  // Queues this handle and every node above it that has observers.
  void UpdateAll() const;

  // Stores a value of the handle's type (its full size) with the three steps, after
  // checking it: counts within capacity, enumeration values declared, bools 0 or 1.
  // Shared keys are written into all banks. False: refused, nothing changed.
  bool SetBytes(void const* value, bool allBanks = false) const;

  // JSON text of the value or subtree. False when the key has no value to show or a
  // write failed.
  bool WriteJson(OutputStream& out, JsonView const& view = {}) const;
  // Reads a JSON value (an object for a node) into the current bank with the three
  // steps; skipUnknown passes over members that the tree lacks. On false nothing was
  // changed. The caller runs Update().
  bool ReadJson(std::string_view text, bool skipUnknown = false) const;
  // Factory defaults of this key or subtree into the current bank (shared values into
  // all banks), with the three steps. The caller runs Update().
  bool SetDefault() const;

 private:
  friend class ConfigurationManager;

  unsigned char* Base() const {
    return m_area == Area::kVolatile ? m_images->volatileImage : m_images->CurrentBank();
  }

  ConfigurationManager& m_manager;
  ImageSet const* m_images;
  char const* m_name;
  CommonPropertyHandle const* m_parent;
  KeyInfo const* m_info;
  int m_address;
  unsigned m_size;
  KeyKind m_kind;
  Area m_area;
  mutable bool m_queued = false;
  CommonPropertyHandle* m_firstChild = nullptr;
  CommonPropertyHandle* m_lastChild = nullptr;
  CommonPropertyHandle* m_nextSibling = nullptr;
};

} // namespace ivra_configuration
