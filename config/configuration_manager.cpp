#include "config/configuration_manager.h"

#include "config/json_tree.h"
#include "config/value_codec.h"

#include <rapidjson/document.h>

#include <cstring>

namespace ivra_configuration {

namespace {

// Room for the largest change the store makes itself: one bank line of settings text,
// which may touch every per-bank value of its bank and every shared value in all banks.
// Twice that, so that a change made from inside an observer fits beside its cause.
void ReserveUndoLog(UndoLog& log) {
  std::size_t bytes = 0;
  std::size_t records = 0;
  for (KeyInfo const& k : kKeyInfo) {
    if (k.kind == KeyKind::kNode || k.kind == KeyKind::kAction) continue;
    std::size_t const copies = IsSharedKind(k.kind) ? kBankCount : 1;
    bytes += copies * k.size;
    records += copies;
  }
  log.Reserve(2 * bytes + 65536, 2 * records + 4096);
}

} // namespace

ConfigurationManager::ConfigurationManager()
    : m_storage(new configuration::Struct[2 + kBankCount]()),
      m_volatile(new configuration::VolatileStruct()),
      m_root(*this) {
  auto* base = reinterpret_cast<unsigned char*>(m_storage.get());
  m_images.factory = base;
  m_images.custom = base + sizeof(configuration::Struct);
  for (unsigned b = 0; b < kBankCount; ++b) m_images.banks[b] = base + (2 + b) * sizeof(configuration::Struct);
  m_images.volatileImage = reinterpret_cast<unsigned char*>(m_volatile.get());

  BuildFactoryImage();
  std::memcpy(m_images.custom, m_images.factory, sizeof(configuration::Struct));
  for (unsigned b = 0; b < kBankCount; ++b) {
    std::memcpy(m_images.banks[b], m_images.factory, sizeof(configuration::Struct));
  }

  ReserveUndoLog(m_log);
  m_queue.reserve(kKeyCount);

  // The store's own keys: the bank selection and the default actions. A tree without
  // them (a test tree) simply has no bank selection.
  if (auto* bank = m_root.Find("bank");
      bank != nullptr && !bank->IsNode() && bank->Info()->type.type == ValueType::kU32 &&
      IsSharedKind(bank->Kind())) {
    m_bank = bank;
    bank->Push(m_bankObserver);
  }
  if (auto* h = m_root.Find("set_default"); h != nullptr && h->Kind() == KeyKind::kAction) {
    h->Push(m_setDefaultObserver);
  }
  if (auto* h = m_root.Find("set_default_all_bank"); h != nullptr && h->Kind() == KeyKind::kAction) {
    h->Push(m_setDefaultAllBankObserver);
  }
  if (auto* h = m_root.Find("set_default_to_bank");
      h != nullptr && h->Kind() == KeyKind::kVolatile && h->Info()->type.type == ValueType::kU32) {
    m_setDefaultToBank = h;
    h->Push(m_setDefaultToBankObserver);
  }
  SyncCurrentBank();
}

ConfigurationManager::~ConfigurationManager() = default;

void ConfigurationManager::BuildFactoryImage() {
  std::vector<unsigned char> value;
  for (KeyInfo const& k : kKeyInfo) {
    if (k.defaultJson == nullptr) continue;
    unsigned char* image = nullptr;
    if (IsStoredKind(k.kind)) {
      image = m_images.factory;
    } else if (k.kind == KeyKind::kVolatile) {
      image = m_images.volatileImage;
    } else {
      continue;
    }
    rapidjson::Document doc;
    value.resize(k.size);
    if (!ParseJson(k.defaultJson, doc) || !ReadValue(k.type, doc, value.data())) {
      m_defaultsValid = false;
      continue;
    }
    std::memcpy(image + k.offset, value.data(), k.size);
  }
}

void ConfigurationManager::SyncCurrentBank() {
  if (m_bank == nullptr) return;
  std::uint32_t bank;
  std::memcpy(&bank, m_images.banks[0] + m_bank->Address(), sizeof bank);
  if (bank < kBankCount) m_images.current.store(bank, std::memory_order_relaxed);
}

bool ConfigurationManager::Backup(Area area, unsigned bank, std::uint32_t offset, std::uint32_t size) {
  return m_log.Record(m_images, area, bank, offset, size);
}

void ConfigurationManager::Queue(CommonPropertyHandle const& handle) {
  if (handle.m_queued || !handle.HasObservers()) return;
  handle.m_queued = true;
  m_queue.push_back(&handle);
}

bool ConfigurationManager::Store(CommonPropertyHandle const& handle, unsigned bank, unsigned char const* value,
                                 bool always) {
  std::uint32_t const offset = static_cast<std::uint32_t>(handle.Address());
  std::uint32_t const size = handle.Size();
  if (handle.Kind() == KeyKind::kAction) {
    handle.UpdateAll();
    return true;
  }
  if (handle.ValueArea() == Area::kVolatile) {
    unsigned char* target = m_images.volatileImage + offset;
    if (!always && std::memcmp(target, value, size) == 0) return true;
    if (!Backup(Area::kVolatile, 0, offset, size)) return false;
    std::memcpy(target, value, size);
    handle.UpdateAll();
    return true;
  }
  if (IsSharedKind(handle.Kind())) {
    bool equal = true;
    for (unsigned b = 0; b < kBankCount && equal; ++b) {
      equal = std::memcmp(m_images.banks[b] + offset, value, size) == 0;
    }
    if (equal && !always) return true;
    for (unsigned b = 0; b < kBankCount; ++b) {
      if (!Backup(Area::kBank, b, offset, size)) return false;
    }
    for (unsigned b = 0; b < kBankCount; ++b) std::memcpy(m_images.banks[b] + offset, value, size);
  } else {
    if (bank >= kBankCount) return false;
    unsigned char* target = m_images.banks[bank] + offset;
    if (!always && std::memcmp(target, value, size) == 0) return true;
    if (!Backup(Area::kBank, bank, offset, size)) return false;
    std::memcpy(target, value, size);
  }
  handle.UpdateAll();
  return true;
}

ConfigurationManager::Savepoint ConfigurationManager::Begin() {
  Savepoint sp{m_log.Size(), m_queue.size(), m_log.Floor()};
  m_log.SetFloor(m_log.Size());
  return sp;
}

void ConfigurationManager::Commit(Savepoint const& sp) { m_log.SetFloor(sp.floor); }

void ConfigurationManager::RollBack(Savepoint const& sp) {
  m_log.RestoreTo(sp.log, m_images);
  for (std::size_t i = sp.queue; i < m_queue.size(); ++i) m_queue[i]->m_queued = false;
  if (m_queue.size() > sp.queue) m_queue.resize(sp.queue);
  m_log.SetFloor(sp.floor);
  SyncCurrentBank();
}

void ConfigurationManager::SeparateDecoderSettings() {
  if (m_decoderSettings != nullptr) return;
  m_decoderSettings =
      std::make_unique<DecoderSettings>(sizeof(configuration::Struct), sizeof(configuration::VolatileStruct));
  m_decoderSettings->Publish(m_images.CurrentBank(), m_images.volatileImage);
  m_decoderSettings->Take();
  m_images.decoderBank = m_decoderSettings->Bank();
  m_images.decoderVolatile = m_decoderSettings->Volatile();
}

void ConfigurationManager::TakeDecoderSettings() {
  if (m_decoderSettings != nullptr) m_decoderSettings->Take();
}

bool ConfigurationManager::Update() {
  // A change is whole when the outermost Update() ends: only then does the decoder see it.
  ++m_updateDepth;
  bool const ok = RunObservers();
  if (--m_updateDepth == 0 && m_decoderSettings != nullptr) {
    m_decoderSettings->Publish(m_images.CurrentBank(), m_images.volatileImage);
  }
  return ok;
}

bool ConfigurationManager::RunObservers() {
  // This change: the queue entries from m_queueBase and the log records from the floor.
  // An observer that changes settings and calls Update() itself makes a change of its
  // own inside this one.
  std::size_t const queueBase = m_queueBase;
  std::size_t const logBase = m_log.Floor();
  auto notify = [this](CommonPropertyHandle const& h) {
    std::size_t const savedBase = m_queueBase;
    std::size_t const savedFloor = m_log.Floor();
    m_queueBase = m_queue.size();
    m_log.SetFloor(m_log.Size());
    bool const result = h.Notify();
    m_queueBase = savedBase;
    m_log.SetFloor(savedFloor);
    return result;
  };

  SyncCurrentBank();
  bool ok = true;
  std::size_t i = queueBase;
  for (; i < m_queue.size(); ++i) {
    CommonPropertyHandle const* h = m_queue[i];
    h->m_queued = false;
    if (!notify(*h)) {
      ok = false;
      break;
    }
  }
  if (!ok) {
    std::vector<CommonPropertyHandle const*> told(m_queue.begin() + static_cast<std::ptrdiff_t>(queueBase),
                                                  m_queue.begin() + static_cast<std::ptrdiff_t>(i) + 1);
    for (std::size_t j = i + 1; j < m_queue.size(); ++j) m_queue[j]->m_queued = false;
    m_queue.resize(queueBase);
    m_log.RestoreTo(logBase, m_images);
    SyncCurrentBank();
    // Observers that took the new values keep copies of them; let them see the old ones.
    // Actions are not run again.
    for (CommonPropertyHandle const* h : told) {
      if (h->Kind() != KeyKind::kAction && h->Kind() != KeyKind::kVolatile) notify(*h);
    }
  }
  for (std::size_t j = queueBase; j < m_queue.size(); ++j) m_queue[j]->m_queued = false;
  m_queue.resize(queueBase);
  m_log.Truncate(logBase);
  return ok;
}

bool ConfigurationManager::StoreDefaults(unsigned bank, bool perBank, bool shared) {
  for (CommonPropertyHandle const* h = &m_root; h != nullptr;) {
    if (!h->IsNode() && IsStoredKind(h->Kind()) && (IsSharedKind(h->Kind()) ? shared : perBank)) {
      if (!Store(*h, bank, m_images.factory + h->Address(), false)) return false;
    }
    // Depth-first walk in key order.
    if (h->FirstChild() != nullptr) {
      h = h->FirstChild();
      continue;
    }
    while (h != nullptr && h->NextSibling() == nullptr) h = h->Parent();
    if (h != nullptr) h = h->NextSibling();
  }
  return true;
}

bool ConfigurationManager::SetDefault() {
  Savepoint const sp = Begin();
  bool ok = StoreDefaults(0, true, true);
  if (ok && m_bank != nullptr) {
    unsigned char zero[4] = {};
    ok = Store(*m_bank, 0, zero, false);
  }
  if (!ok) {
    RollBack(sp);
    return false;
  }
  Commit(sp);
  return Update();
}

bool ConfigurationManager::SetDefaultToBank(unsigned bank) {
  if (bank >= kBankCount) return false;
  Savepoint const sp = Begin();
  if (!StoreDefaults(bank, true, false)) {
    RollBack(sp);
    return false;
  }
  Commit(sp);
  return Update();
}

bool ConfigurationManager::OnBankChange() {
  std::uint32_t bank;
  std::memcpy(&bank, m_images.banks[0] + m_bank->Address(), sizeof bank);
  return bank < kBankCount;
}

bool ConfigurationManager::OnSetDefault() { return SetDefault(); }

bool ConfigurationManager::OnSetDefaultToBank() {
  std::uint32_t bank;
  std::memcpy(&bank, m_images.volatileImage + m_setDefaultToBank->Address(), sizeof bank);
  return SetDefaultToBank(bank);
}

bool ConfigurationManager::OnSetDefaultAllBank() {
  bool ok = true;
  for (unsigned b = 0; b < kBankCount; ++b) ok = SetDefaultToBank(b) && ok;
  return ok;
}

} // namespace ivra_configuration
