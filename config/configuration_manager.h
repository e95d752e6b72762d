#pragma once
// Owner of all settings: the factory-default image (built from the key tables'
// defaults), the custom default, eight bank images, the current bank, the tree of
// handles, the undo log and the queue of changed handles.
//
// The manager takes no lock; CommandSystem serialises its users (see command_system.h).

#include "config/decoder_settings.h"
#include "config/image_set.h"
#include "config/key_tree.h"
#include "config/observer.h"
#include "config/undo_log.h"

#include <cstddef>
#include <memory>
#include <vector>

namespace ivra_configuration {

class InputStream;
class OutputStream;

class ConfigurationManager {
 public:
  ConfigurationManager();
  ConfigurationManager(ConfigurationManager const&) = delete;
  ConfigurationManager& operator=(ConfigurationManager const&) = delete;
  ~ConfigurationManager();

  configuration::Handle& Root() { return m_root; }
  configuration::Handle const& Root() const { return m_root; }

  unsigned CurrentBank() const { return m_images.current.load(std::memory_order_relaxed); }
  ImageSet const& Images() const { return m_images; }
  unsigned char* BankImage(unsigned bank) { return bank < kBankCount ? m_images.banks[bank] : nullptr; }
  unsigned char const* FactoryImage() const { return m_images.factory; }
  unsigned char* CustomDefaultImage() { return m_images.custom; }
  unsigned char* VolatileImage() { return m_images.volatileImage; }
  static constexpr std::size_t ImageSize() { return kBankImageSize; }
  // False when a default of the key tables could not be read (then that value is zero).
  bool FactoryDefaultsValid() const { return m_defaultsValid; }

  // From now on the decoder reads a copy of the settings, published after every change
  // and taken by TakeDecoderSettings at each frame boundary. Once, before the decoder's
  // thread starts; a second call changes nothing.
  void SeparateDecoderSettings();
  // On the decoder's thread: the newest published settings become the ones it reads.
  // Does nothing before SeparateDecoderSettings.
  void TakeDecoderSettings();

  // Runs the observers of every queued handle. When one refuses, every change since the
  // last Update() is undone and the observers that had already seen it are told again.
  // Then the queue and the undo log are cleared. Returns the observers' result.
  bool Update();

  // Factory defaults into bank 0 and the shared values, bank 0 selected.
  bool SetDefault();
  // Factory defaults into the per-bank values of one bank.
  bool SetDefaultToBank(unsigned bank);

  // The banks as eight CR-ended JSON lines (line n is bank n) holding the values that
  // differ from the factory defaults, hidden ones included, shared ones in line 0 only.
  bool Export(OutputStream& out);
  // Reads those lines; stops at the first 0xFF byte. Each line is one change: a line that
  // is malformed or refused leaves its bank as it was and ends the import with false.
  bool Import(InputStream& in);
  // The custom default as one such line (shared values included).
  bool ExportCustomDefault(OutputStream& out);
  bool ImportCustomDefault(InputStream& in);

  // --- Used by the handles and the evaluator ---

  bool Backup(Area area, unsigned bank, std::uint32_t offset, std::uint32_t size);
  void Queue(CommonPropertyHandle const& handle);
  // Stores a checked value of `handle` in `bank` (shared keys: all banks) with Backup
  // and UpdateAll. An equal value is left alone unless `always` (actions, transient
  // values). False when the undo log has no room.
  bool Store(CommonPropertyHandle const& handle, unsigned bank, unsigned char const* value, bool always);

  // A point to roll back to when a multi-part change fails before Update().
  struct Savepoint {
    std::size_t log;
    std::size_t queue;
    std::size_t floor;
  };
  Savepoint Begin();
  void Commit(Savepoint const& sp);    // keep the changes for Update()
  void RollBack(Savepoint const& sp);  // undo them without telling anyone

  std::size_t UndoCapacity() const { return m_log.ByteCapacity(); }

 private:
  void BuildFactoryImage();
  void SyncCurrentBank();
  bool RunObservers();
  bool StoreDefaults(unsigned bank, bool perBank, bool shared);
  bool ImportLine(unsigned bank, char const* text, std::size_t length);

  bool OnBankChange();
  bool OnSetDefault();
  bool OnSetDefaultToBank();
  bool OnSetDefaultAllBank();

  std::unique_ptr<configuration::Struct[]> m_storage;  // factory, custom, banks 0-7
  std::unique_ptr<configuration::VolatileStruct> m_volatile;
  ImageSet m_images;
  UndoLog m_log;
  std::vector<CommonPropertyHandle const*> m_queue;
  std::size_t m_queueBase = 0;  // first queue entry of the change being updated
  unsigned m_updateDepth = 0;   // Update() calls under way (observers may nest them)
  std::unique_ptr<DecoderSettings> m_decoderSettings;
  bool m_defaultsValid = true;

  configuration::Handle m_root;

  CommonPropertyHandle const* m_bank = nullptr;
  CommonPropertyHandle const* m_setDefaultToBank = nullptr;
  DelegateObserver<ConfigurationManager> m_bankObserver{*this, &ConfigurationManager::OnBankChange};
  DelegateObserver<ConfigurationManager> m_setDefaultObserver{*this, &ConfigurationManager::OnSetDefault};
  DelegateObserver<ConfigurationManager> m_setDefaultToBankObserver{*this,
                                                                    &ConfigurationManager::OnSetDefaultToBank};
  DelegateObserver<ConfigurationManager> m_setDefaultAllBankObserver{*this,
                                                                     &ConfigurationManager::OnSetDefaultAllBank};
};

} // namespace ivra_configuration
