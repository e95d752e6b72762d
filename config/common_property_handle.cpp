#include "config/common_property_handle.h"

#include "config/configuration_manager.h"
#include "config/json_output.h"
#include "config/json_tree.h"
#include "config/value_codec.h"

#include <cstring>
#include <vector>

namespace ivra_configuration {

CommonPropertyHandle::CommonPropertyHandle(ConfigurationManager& manager, char const* name,
                                           CommonPropertyHandle const* parent, int address, unsigned size)
    : m_manager(manager),
      m_images(&manager.Images()),
      m_name(name != nullptr ? name : ""),
      m_parent(parent),
      m_info(nullptr),
      m_address(address),
      m_size(size),
      m_kind(parent != nullptr ? parent->m_kind : KeyKind::kBank),
      m_area(parent != nullptr ? parent->m_area : Area::kBank) {}

CommonPropertyHandle::CommonPropertyHandle(ConfigurationManager& manager, CommonPropertyHandle* parent,
                                           KeyInfo const& info)
    : m_manager(manager),
      m_images(&manager.Images()),
      m_name(info.name),
      m_parent(parent),
      m_info(&info),
      m_address(static_cast<int>(info.offset)),
      m_size(info.size),
      m_kind(info.kind),
      m_area(info.kind == KeyKind::kVolatile || info.kind == KeyKind::kAction ? Area::kVolatile : Area::kBank) {
  if (parent != nullptr) {
    if (parent->m_lastChild != nullptr) {
      parent->m_lastChild->m_nextSibling = this;
    } else {
      parent->m_firstChild = this;
    }
    parent->m_lastChild = this;
  }
}

std::string CommonPropertyHandle::Path() const {
  if (m_info != nullptr) return m_info->path;
  std::string path = m_parent != nullptr ? m_parent->Path() : std::string();
  if (!path.empty()) path += '/';
  return path + m_name;
}

CommonPropertyHandle const* CommonPropertyHandle::Find(std::string_view path) const {
  CommonPropertyHandle const* h = this;
  while (!path.empty() && path.front() == '/') path.remove_prefix(1);
  while (!path.empty() && h != nullptr) {
    std::size_t const slash = path.find('/');
    std::string_view const word = path.substr(0, slash);
    if (word.empty()) return nullptr;
    CommonPropertyHandle const* c = h->m_firstChild;
    while (c != nullptr && word != c->m_name) c = c->m_nextSibling;
    h = c;
    path = slash == std::string_view::npos ? std::string_view() : path.substr(slash + 1);
  }
  return h;
}

CommonPropertyHandle* CommonPropertyHandle::Find(std::string_view path) {
  return const_cast<CommonPropertyHandle*>(static_cast<CommonPropertyHandle const*>(this)->Find(path));
}

void* CommonPropertyHandle::CalcBankAddress(unsigned bank) const {
  if (m_area == Area::kVolatile) return m_images->volatileImage + m_address;
  return bank < kBankCount ? m_images->banks[bank] + m_address : nullptr;
}

void const* CommonPropertyHandle::CalcDefaultAddress() const {
  if (m_area == Area::kVolatile) return m_images->volatileImage + m_address;
  return m_images->factory + m_address;
}

void* CommonPropertyHandle::CalcCustomDefaultAddress() const {
  if (m_area == Area::kVolatile) return m_images->volatileImage + m_address;
  return m_images->custom + m_address;
}

bool CommonPropertyHandle::Backup(bool allBanks) const {
  auto const offset = static_cast<std::uint32_t>(m_address);
  if (m_area == Area::kVolatile) return m_manager.Backup(Area::kVolatile, 0, offset, m_size);
  if (allBanks || IsSharedKind(m_kind)) {
    for (unsigned b = 0; b < kBankCount; ++b) {
      if (!m_manager.Backup(Area::kBank, b, offset, m_size)) return false;
    }
    return true;
  }
  return m_manager.Backup(Area::kBank, m_manager.CurrentBank(), offset, m_size);
}

void CommonPropertyHandle::UpdateAll() const {
  for (CommonPropertyHandle const* h = this; h != nullptr; h = h->m_parent) m_manager.Queue(*h);
}

bool CommonPropertyHandle::SetBytes(void const* value, bool allBanks) const {
  if (m_kind == KeyKind::kNode || m_kind == KeyKind::kAction) return false;
  if (m_info == nullptr) {
    // An element handle: a plain integer item of its parent's value.
    if (!Backup(allBanks)) return false;
    if (m_area == Area::kVolatile || !(allBanks || IsSharedKind(m_kind))) {
      std::memcpy(CalcAddress(), value, m_size);
    } else {
      for (unsigned b = 0; b < kBankCount; ++b) std::memcpy(m_images->banks[b] + m_address, value, m_size);
    }
    UpdateAll();
    return true;
  }
  std::vector<unsigned char> checked(m_size);
  if (!NormalizeValue(m_info->type, static_cast<unsigned char const*>(value), checked.data())) return false;
  bool const transient = m_kind == KeyKind::kVolatile;
  if (!allBanks || IsSharedKind(m_kind) || transient) {
    return m_manager.Store(*this, m_manager.CurrentBank(), checked.data(), transient);
  }
  ConfigurationManager::Savepoint const sp = m_manager.Begin();
  for (unsigned b = 0; b < kBankCount; ++b) {
    if (!m_manager.Store(*this, b, checked.data(), false)) {
      m_manager.RollBack(sp);
      return false;
    }
  }
  m_manager.Commit(sp);
  return true;
}

bool CommonPropertyHandle::WriteJson(OutputStream& out, JsonView const& view) const {
  if (m_info == nullptr) return false;
  JsonOutput output(out);
  JsonWriter writer(output);
  return WriteTree(*this, view, writer) && output.Ok();
}

bool CommonPropertyHandle::ReadJson(std::string_view text, bool skipUnknown) const {
  if (m_info == nullptr) return false;
  rapidjson::Document doc;
  if (!ParseJson(text, doc)) return false;
  ConfigurationManager::Savepoint const sp = m_manager.Begin();
  std::vector<unsigned char> scratch;
  if (!ApplyJson(*this, doc, WriteTarget{m_manager.CurrentBank(), nullptr}, ApplyOptions{skipUnknown}, scratch)) {
    m_manager.RollBack(sp);
    return false;
  }
  m_manager.Commit(sp);
  return true;
}

bool CommonPropertyHandle::SetDefault() const {
  if (m_info == nullptr) return false;
  ConfigurationManager::Savepoint const sp = m_manager.Begin();
  unsigned const bank = m_manager.CurrentBank();
  // Depth-first over this subtree only.
  CommonPropertyHandle const* h = this;
  while (h != nullptr) {
    if (!h->IsNode() && IsStoredKind(h->m_kind)) {
      if (!m_manager.Store(*h, bank, m_images->factory + h->m_address, false)) {
        m_manager.RollBack(sp);
        return false;
      }
    }
    if (h->m_firstChild != nullptr) {
      h = h->m_firstChild;
      continue;
    }
    while (h != nullptr && h != this && h->m_nextSibling == nullptr) h = h->m_parent;
    h = (h == nullptr || h == this) ? nullptr : h->m_nextSibling;
  }
  m_manager.Commit(sp);
  return true;
}

} // namespace ivra_configuration
