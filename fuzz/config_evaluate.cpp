// Command bytes into the evaluator. Whatever they do, the store must stay consistent:
// its banks survive the settings text unchanged.

#include "config/configuration.h"

#include <cstdint>
#include <cstring>
#include <string_view>

namespace {

using namespace ivra_configuration;

// Takes even-length tokens, so that both answers occur.
class Sink final : public UndefinedCommandExecutor {
 public:
  bool Execute(char const*, unsigned length, InputStream&, OutputStream& out) override {
    return length % 2 == 0 && out.Write('.');
  }
};

// One fixed code "D34" with two sub-identifier digits and one to three parameter tokens;
// it writes universal_response from the last parameter.
class Codes final : public CommonUniversalCommand {
 public:
  explicit Codes(ConfigurationManager& m) : m_manager(m) {}
  CommandCheck CheckSubId(std::uint32_t code, std::uint32_t subId) override {
    if (code != 0x443334) return CommandCheck::kNotTaken;
    return subId > 0xF ? CommandCheck::kComplete : CommandCheck::kNeedMore;
  }
  CommandCheck CheckParameter(std::uint32_t, std::uint32_t, char const*, unsigned length) override {
    if (length == 0) return CommandCheck::kNeedMore;
    return length < 6 ? CommandCheck::kAcceptable : length == 6 ? CommandCheck::kComplete : CommandCheck::kRefused;
  }
  int ExecuteCommandId(std::uint32_t, std::uint32_t, char const* p, unsigned length, InputStream&,
                       OutputStream&) override {
    return m_manager.Root().universal_response.Set((p[length - 1] & 1) != 0) ? 1 : 0;
  }

 private:
  ConfigurationManager& m_manager;
};

// Refuses bank 7, so that undoing is exercised.
struct NoBankSeven final : Observer {
  ConfigurationManager* manager = nullptr;
  bool Update() override { return manager->Root().bank.Value() != 7; }
};

struct Fixture {
  CommandSystem store;
  CommandSystem copy;
  Sink sink;
  Codes codes{store.Manager()};
  NoBankSeven noBankSeven;

  Fixture() {
    store.Evaluator().SetUndefinedCommandExecutor(sink);
    store.Evaluator().SetUniversalCommand(codes);
    noBankSeven.manager = &store.Manager();
    store.Manager().Root().bank.Push(noBankSeven);
  }
};

Fixture& Get() {
  static Fixture* fixture = new Fixture();
  return *fixture;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size) {
  Fixture& f = Get();
  MemoryInputStream in(std::string_view(reinterpret_cast<char const*>(data), size));
  StringOutputStream answers(1 << 20);
  f.store.Evaluate(in, answers);

  ConfigurationManager& m = f.store.Manager();
  if (m.CurrentBank() >= kBankCount || m.CurrentBank() == 7) __builtin_trap();
  StringOutputStream text;
  if (!f.store.Export(text)) __builtin_trap();
  MemoryInputStream back(text.Text());
  if (!f.copy.Import(back)) __builtin_trap();
  for (unsigned b = 0; b < kBankCount; ++b) {
    if (std::memcmp(f.copy.Manager().BankImage(b), m.BankImage(b), ConfigurationManager::ImageSize()) != 0) {
      __builtin_trap();
    }
  }

  // Start the next input from the factory defaults.
  if (!f.store.SetDefault()) __builtin_trap();
  for (unsigned b = 0; b < kBankCount; ++b) {
    if (!f.store.SetDefaultToBank(b)) __builtin_trap();
  }
  return 0;
}
