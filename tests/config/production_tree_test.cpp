// The production key tree: the store's own keys by name, every key reachable and its
// default readable, and the settings text reproducing banks in which every value differs
// from its default.

#include "config/configuration.h"

#include <gtest/gtest.h>
#include <rapidjson/document.h>

#include <cstring>
#include <string>
#include <type_traits>
#include <vector>

namespace ivra_configuration {
namespace {

std::string RunCommand(CommandSystem& system, std::string const& command) {
  std::string const line = "\x1b" + command + "\r";
  MemoryInputStream in(line);
  StringOutputStream out;
  system.Evaluate(in, out);
  return out.Text();
}

TEST(ProductionTree, StoreKeysHaveTheirKindsAndDefaults) {
  configuration::Handle& root = Root();
  static_assert(std::is_same_v<decltype(root.bank), NoBankPropertyHandle<std::uint32_t>>);
  static_assert(std::is_same_v<decltype(root.universal_response), PropertyHandle<bool>>);
  static_assert(std::is_same_v<decltype(root.save), VolatilityPropertyHandle<void>>);
  static_assert(std::is_same_v<decltype(root.load), VolatilityPropertyHandle<void>>);
  static_assert(std::is_same_v<decltype(root.set_default), VolatilityPropertyHandle<void>>);
  static_assert(std::is_same_v<decltype(root.set_default_all_bank), VolatilityPropertyHandle<void>>);
  static_assert(std::is_same_v<decltype(root.set_default_to_bank), VolatilityPropertyHandle<std::uint32_t>>);
  EXPECT_EQ(&CommonPropertyReference::RootHandle(), &root);
  EXPECT_EQ(root.Find("bank"), &root.bank);
  EXPECT_EQ(root.bank.DefaultValue(), 0u);
  EXPECT_TRUE(root.universal_response.DefaultValue());
  EXPECT_TRUE(CommandSystem::Instance().Manager().FactoryDefaultsValid());
}

TEST(ProductionTree, EveryKeyIsFoundAtItsPath) {
  configuration::Handle& root = Root();
  for (KeyInfo const& k : kKeyInfo) {
    CommonPropertyHandle const* h = root.Find(k.path);
    ASSERT_NE(h, nullptr) << k.path;
    EXPECT_EQ(h->Info(), &k) << k.path;
  }
}

TEST(ProductionTree, EveryDefaultReadsBackThroughItsText) {
  CommandSystem system;
  ConfigurationManager& m = system.Manager();
  for (KeyInfo const& k : kKeyInfo) {
    if (!IsStoredKind(k.kind)) continue;
    std::string answer = RunCommand(system, std::string("get -d ") + k.path);
    ASSERT_FALSE(answer.empty()) << k.path;
    ASSERT_EQ(answer.back(), '\r') << k.path;
    answer.pop_back();
    EXPECT_EQ(RunCommand(system, std::string("set ") + k.path + ":" + answer), std::string(1, kAck)) << k.path << " " << answer;
  }
  for (unsigned b = 0; b < kBankCount; ++b) {
    EXPECT_EQ(std::memcmp(m.BankImage(b), m.FactoryImage(), ConfigurationManager::ImageSize()), 0);
  }
}

// A value of the key's type that differs from the default, as long as the type allows.
void OtherValue(TypeInfo const& t, unsigned char const* def, std::vector<unsigned char>& out, unsigned salt) {
  out.assign(t.size, 0);
  auto put32 = [&out](std::size_t at, std::uint32_t v) { std::memcpy(out.data() + at, &v, 4); };
  auto otherEnum = [&t](std::uint32_t current, unsigned i) {
    for (std::uint32_t k = 0; k < t.enumCount; ++k) {
      std::uint32_t const v = t.enumItems[(k + i) % t.enumCount].value;
      if (v != current) return v;
    }
    return current;
  };
  switch (t.type) {
    case ValueType::kBool:
      out[0] = def[0] ? 0 : 1;
      break;
    case ValueType::kEnum: {
      std::uint32_t current;
      std::memcpy(&current, def, 4);
      put32(0, otherEnum(current, salt));
      break;
    }
    case ValueType::kString:
      put32(0, t.capacity);
      for (std::uint32_t i = 0; i < t.capacity; ++i) put32(4 + 4 * i, 0x4E00 + salt + i);  // 3-byte UTF-8
      break;
    case ValueType::kArray: {
      put32(0, t.capacity);
      for (std::uint32_t i = 0; i < t.capacity; ++i) {
        unsigned char* item = out.data() + t.itemsOffset + i * t.elementSize;
        if (t.element == ValueType::kEnum) {
          std::uint32_t const v = t.enumItems[(i + salt) % t.enumCount].value;
          std::memcpy(item, &v, 4);
        } else {
          std::memset(item, 0xFF, t.elementSize);  // the widest text
          item[0] = static_cast<unsigned char>(i + salt);
        }
      }
      break;
    }
    case ValueType::kFixedLength: {
      FixedLength f{};
      f.count = FixedLength::Capacity;
      for (unsigned i = 0; i < FixedLength::Capacity; ++i) f.lengths[i] = static_cast<std::uint16_t>(1000 + i + salt);
      f.minimum = 3;
      f.maximum = 999;
      std::memcpy(out.data(), &f, sizeof f);
      break;
    }
    default:
      std::memcpy(out.data(), def, t.size);
      out[0] ^= 1;
      break;
  }
}

TEST(ProductionTree, SettingsTextReproducesBanksWhereEveryValueDiffers) {
  CommandSystem system;
  ConfigurationManager& m = system.Manager();
  configuration::Handle& root = m.Root();
  std::vector<unsigned char> value;
  for (unsigned bank : {7u, 0u, 3u}) {
    ASSERT_TRUE(root.bank.Set(bank));
    ASSERT_TRUE(m.Update());
    for (KeyInfo const& k : kKeyInfo) {
      if (!IsStoredKind(k.kind) || std::strcmp(k.path, "bank") == 0) continue;
      OtherValue(k.type, m.FactoryImage() + k.offset, value, bank);
      CommonPropertyHandle const* h = root.Find(k.path);
      ASSERT_TRUE(h->SetBytes(value.data())) << k.path;
    }
    // One change holding every value of a bank.
    ASSERT_TRUE(m.Update());
  }

  StringOutputStream out;
  ASSERT_TRUE(m.Export(out));
  std::string const& text = out.Text();

  // Eight lines of JSON, read by a document of their own.
  std::size_t start = 0;
  for (unsigned b = 0; b < kBankCount; ++b) {
    std::size_t const cr = text.find('\r', start);
    ASSERT_NE(cr, std::string::npos);
    std::string const line = text.substr(start, cr - start);
    rapidjson::Document doc;
    ASSERT_FALSE(doc.Parse(line.c_str()).HasParseError()) << "line " << b;
    EXPECT_TRUE(doc.IsObject());
    EXPECT_EQ(doc.MemberCount() == 0, b != 0 && b != 3 && b != 7) << "line " << b;
    start = cr + 1;
  }
  EXPECT_EQ(start, text.size());

  CommandSystem fresh;
  MemoryInputStream in(text);
  ASSERT_TRUE(fresh.Import(in));
  for (unsigned b = 0; b < kBankCount; ++b) {
    EXPECT_EQ(std::memcmp(fresh.Manager().BankImage(b), m.BankImage(b), ConfigurationManager::ImageSize()), 0)
        << "bank " << b;
  }
  EXPECT_EQ(fresh.Manager().CurrentBank(), 3u);
}

TEST(ProductionTree, CommandsThroughTheProcessWideStore) {
  std::string const line = "\x1bset bank:2\r\x1bget bank\r\x1bget -d universal_response\r\x1bset bank:0\r";
  MemoryInputStream in(line);
  StringOutputStream out;
  Evaluate(in, out);
  EXPECT_EQ(out.Text(), std::string(1, kAck) + "2\r" + "true\r" + std::string(1, kAck));
  EXPECT_EQ(CommandSystem::Instance().Manager().CurrentBank(), 0u);
}

} // namespace
} // namespace ivra_configuration
