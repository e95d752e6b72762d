#pragma once
// A fresh store per test, commands run as framed lines, and snapshots of every image to
// prove that a refused input changed nothing.

#include "config/configuration.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ivra_configuration::test {

inline std::string Frame(std::string_view command) { return "\x1b" + std::string(command) + "\r"; }

struct Snapshot {
  std::vector<unsigned char> bytes;

  static Snapshot Of(ConfigurationManager& m) {
    Snapshot s;
    auto add = [&s](unsigned char const* p, std::size_t n) { s.bytes.insert(s.bytes.end(), p, p + n); };
    for (unsigned b = 0; b < kBankCount; ++b) add(m.BankImage(b), ConfigurationManager::ImageSize());
    add(m.CustomDefaultImage(), ConfigurationManager::ImageSize());
    add(m.VolatileImage(), kVolatileImageSize);
    unsigned const bank = m.CurrentBank();
    add(reinterpret_cast<unsigned char const*>(&bank), sizeof bank);
    return s;
  }
  bool operator==(Snapshot const&) const = default;
};

class StoreTest : public ::testing::Test {
 protected:
  CommandSystem system;
  ConfigurationManager& manager = system.Manager();
  configuration::Handle& root = manager.Root();

  // Runs one framed command line and returns what it answered.
  std::string Run(std::string_view command) {
    std::string const line = Frame(command);
    MemoryInputStream in(line);
    StringOutputStream out;
    system.Evaluate(in, out);
    return out.Text();
  }
  // Runs raw bytes through the evaluator.
  std::string Feed(std::string_view bytes) {
    MemoryInputStream in(bytes);
    StringOutputStream out;
    system.Evaluate(in, out);
    return out.Text();
  }
  std::string Get(std::string_view path) {
    std::string answer = Run("get " + std::string(path));
    if (!answer.empty() && answer.back() == '\r') answer.pop_back();
    return answer;
  }
};

inline std::string const kAckText(1, kAck);
inline std::string const kNakText(1, kNak);

// An observer with a fixed answer that counts its calls and remembers a value it reads.
template <class Read>
class Probe final : public Observer {
 public:
  Probe(bool answer, Read read) : m_answer(answer), m_read(read) {}
  bool Update() override {
    ++calls;
    seen.push_back(m_read());
    return m_answer;
  }
  int calls = 0;
  std::vector<decltype(std::declval<Read>()())> seen;

 private:
  bool m_answer;
  Read m_read;
};

} // namespace ivra_configuration::test
