// Bytes read as stored settings text (the banks, then the custom default). A refused
// line must leave the store consistent, and what was read must survive being written
// out and read again.

#include "config/configuration.h"

#include <cstdint>
#include <cstring>
#include <string_view>

namespace {

using namespace ivra_configuration;

struct Fixture {
  CommandSystem store;
  CommandSystem copy;
};

Fixture& Get() {
  static Fixture* fixture = new Fixture();
  return *fixture;
}

bool SameBanks(ConfigurationManager& a, ConfigurationManager& b) {
  for (unsigned bank = 0; bank < kBankCount; ++bank) {
    if (std::memcmp(a.BankImage(bank), b.BankImage(bank), ConfigurationManager::ImageSize()) != 0) return false;
  }
  return a.CurrentBank() == b.CurrentBank();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size) {
  Fixture& f = Get();
  std::string_view const bytes(reinterpret_cast<char const*>(data), size);
  MemoryInputStream in(bytes);
  f.store.Import(in);
  MemoryInputStream custom(bytes);
  f.store.ImportCustomDefault(custom);

  StringOutputStream text;
  if (!f.store.Export(text)) __builtin_trap();
  MemoryInputStream back(text.Text());
  if (!f.copy.Import(back)) __builtin_trap();
  if (!SameBanks(f.store.Manager(), f.copy.Manager())) __builtin_trap();

  StringOutputStream customText;
  if (!f.store.ExportCustomDefault(customText)) __builtin_trap();
  MemoryInputStream customBack(customText.Text());
  if (!f.copy.ImportCustomDefault(customBack)) __builtin_trap();
  if (std::memcmp(f.store.Manager().CustomDefaultImage(), f.copy.Manager().CustomDefaultImage(),
                  ConfigurationManager::ImageSize()) != 0) {
    __builtin_trap();
  }

  if (!f.store.SetDefault()) __builtin_trap();
  for (unsigned b = 0; b < kBankCount; ++b) {
    if (!f.store.SetDefaultToBank(b)) __builtin_trap();
  }
  return 0;
}
