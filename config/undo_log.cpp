#include "config/undo_log.h"

#include <cstring>

namespace ivra_configuration {

namespace {

unsigned char* ImageOf(ImageSet const& images, Area area, unsigned bank) {
  return area == Area::kVolatile ? images.volatileImage : images.banks[bank];
}

} // namespace

void UndoLog::Reserve(std::size_t bytes, std::size_t records) {
  m_bytes.assign(bytes, 0);
  m_records.clear();
  m_records.reserve(records);
  m_recordCapacity = records;
  m_used = 0;
  m_floor = 0;
}

bool UndoLog::Record(ImageSet const& images, Area area, unsigned bank, std::uint32_t offset, std::uint32_t size) {
  if (area == Area::kBank && bank >= kBankCount) return false;
  unsigned char const bankByte = static_cast<unsigned char>(area == Area::kBank ? bank : 0);
  for (std::size_t i = m_floor; i < m_records.size(); ++i) {
    Entry const& e = m_records[i];
    if (e.area == area && e.bank == bankByte && e.offset == offset && e.size == size) return true;
  }
  if (m_records.size() >= m_recordCapacity || size > m_bytes.size() - m_used) return false;
  std::memcpy(m_bytes.data() + m_used, ImageOf(images, area, bankByte) + offset, size);
  m_records.push_back(Entry{offset, size, static_cast<std::uint32_t>(m_used), area, bankByte});
  m_used += size;
  return true;
}

void UndoLog::RestoreTo(std::size_t mark, ImageSet const& images) {
  while (m_records.size() > mark) {
    Entry const& e = m_records.back();
    std::memcpy(ImageOf(images, e.area, e.bank) + e.offset, m_bytes.data() + e.data, e.size);
    m_used = e.data;
    m_records.pop_back();
  }
  if (m_floor > mark) m_floor = mark;
}

void UndoLog::Truncate(std::size_t mark) {
  if (mark < m_records.size()) {
    m_used = m_records[mark].data;
    m_records.resize(mark);
  }
  if (m_floor > mark) m_floor = mark;
}

} // namespace ivra_configuration
