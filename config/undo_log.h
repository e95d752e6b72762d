#pragma once
// The old bytes of every value changed since the last Update(), so that a refused
// change can be undone as a whole. Its room is fixed when the store is built, sized for
// the largest change the store itself makes (one whole bank line of settings text);
// a record that does not fit is refused rather than kept in part.

#include "config/image_set.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace ivra_configuration {

class UndoLog {
 public:
  void Reserve(std::size_t bytes, std::size_t records);

  // Records `size` bytes at `offset` of a bank image or of the volatile image. A range
  // already recorded since the floor keeps its older bytes and is not recorded again.
  bool Record(ImageSet const& images, Area area, unsigned bank, std::uint32_t offset, std::uint32_t size);

  std::size_t Size() const { return m_records.size(); }
  // Records before the floor belong to an enclosing change and are not matched.
  std::size_t Floor() const { return m_floor; }
  void SetFloor(std::size_t floor) { m_floor = floor; }

  // Writes back every record from `mark` on, newest first, and drops them.
  void RestoreTo(std::size_t mark, ImageSet const& images);
  // Drops the records from `mark` on, keeping the values as they are.
  void Truncate(std::size_t mark);

  std::size_t ByteCapacity() const { return m_bytes.size(); }
  std::size_t BytesUsed() const { return m_used; }

 private:
  struct Entry {
    std::uint32_t offset;
    std::uint32_t size;
    std::uint32_t data;  // start in m_bytes
    Area area;
    unsigned char bank;
  };

  std::vector<unsigned char> m_bytes;
  std::size_t m_used = 0;
  std::vector<Entry> m_records;
  std::size_t m_recordCapacity = 0;
  std::size_t m_floor = 0;
};

} // namespace ivra_configuration
