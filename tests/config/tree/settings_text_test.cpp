// The stored settings text: eight CR-ended JSON lines, only what differs from the factory
// defaults, shared values in the first line, hidden values included; reading it back
// reproduces every bank byte for byte, and a damaged line changes nothing of its bank.

#include "tests/config/tree/store_fixture.h"

#include <rapidjson/document.h>

namespace ivra_configuration::test {
namespace {

std::vector<std::string> SplitLines(std::string const& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t cr; (cr = text.find('\r', start)) != std::string::npos; start = cr + 1) {
    lines.push_back(text.substr(start, cr - start));
  }
  EXPECT_EQ(start, text.size()) << "text after the last CR";
  return lines;
}

class SettingsText : public StoreTest {
 protected:
  // A different value of every type in several banks, shared and hidden ones too.
  void Populate() {
    char const* const perBank[] = {
        "set t:{\"flag\":false,\"u8\":%,\"u64\":18446744073709551615,\"i8\":-128,\"mode\":\"AUTO\","
        "\"text\":\"\xc3\xa9%\",\"list\":[%,0],\"modes\":[\"BLUE\"],\"big\":[%],"
        "\"length\":{\"lengths\":[%],\"minimum\":2,\"maximum\":3},\"script\":[%,7667712]}",
        "set h/secret:%",
        "set group/sub-word/x-y:%",
    };
    for (unsigned bank : {0u, 1u, 5u, 7u}) {
      ASSERT_EQ(Run("set bank:" + std::to_string(bank)), kAckText);
      for (std::string command : perBank) {
        for (std::size_t p; (p = command.find('%')) != std::string::npos;) {
          command.replace(p, 1, std::to_string(bank + 1));
        }
        ASSERT_EQ(Run(command), kAckText) << command;
      }
    }
    ASSERT_EQ(Run("set s:{\"flag\":true,\"text\":\"\\u0000\"}"), kAckText);
    ASSERT_EQ(Run("set h/shared_secret:0"), kAckText);
    ASSERT_EQ(Run("set bank:5"), kAckText);
    ASSERT_EQ(Run("v/argument:3"), kAckText);
  }

  std::string ExportText() {
    StringOutputStream out;
    EXPECT_TRUE(manager.Export(out));
    return out.Text();
  }
};

TEST_F(SettingsText, FreshStoreExportsEightEmptyLines) {
  EXPECT_EQ(ExportText(), "{}\r{}\r{}\r{}\r{}\r{}\r{}\r{}\r");
}

TEST_F(SettingsText, ExportThenImportReproducesEveryBank) {
  Populate();
  std::string const text = ExportText();

  CommandSystem fresh;
  MemoryInputStream in(text);
  ASSERT_TRUE(fresh.Import(in));
  for (unsigned b = 0; b < kBankCount; ++b) {
    EXPECT_EQ(std::memcmp(fresh.Manager().BankImage(b), manager.BankImage(b), ConfigurationManager::ImageSize()), 0)
        << "bank " << b;
  }
  EXPECT_EQ(fresh.Manager().CurrentBank(), 5u);

  // Importing into a store that holds other values gives the same banks again.
  ASSERT_EQ(Run("set_default_all_bank"), kAckText);
  ASSERT_EQ(Run("set t/u16:1"), kAckText);
  MemoryInputStream again(text);
  ASSERT_TRUE(manager.Import(again));
  for (unsigned b = 0; b < kBankCount; ++b) {
    EXPECT_EQ(std::memcmp(fresh.Manager().BankImage(b), manager.BankImage(b), ConfigurationManager::ImageSize()), 0)
        << "bank " << b;
  }
}

TEST_F(SettingsText, ExportedLinesAreJsonWithOnlyTheChangedValues) {
  Populate();
  std::vector<std::string> const lines = SplitLines(ExportText());
  ASSERT_EQ(lines.size(), kBankCount);
  for (unsigned b = 0; b < kBankCount; ++b) {
    rapidjson::Document doc;
    ASSERT_FALSE(doc.Parse(lines[b].c_str()).HasParseError()) << lines[b];
    ASSERT_TRUE(doc.IsObject());
    bool const changed = b == 0 || b == 1 || b == 5 || b == 7;
    EXPECT_EQ(doc.HasMember("t"), changed) << lines[b];
    if (changed) {
      EXPECT_EQ(doc["t"]["u8"].GetUint(), b + 1);
      EXPECT_FALSE(doc["t"].HasMember("u16"));  // still the default
      EXPECT_EQ(doc["h"]["secret"].GetUint(), b + 1);  // hidden values are stored
      EXPECT_EQ(doc["group"]["sub-word"]["x-y"].GetUint(), b + 1);
    }
    // Shared values in the first line only; transient values never.
    EXPECT_EQ(doc.HasMember("s"), b == 0);
    EXPECT_EQ(doc.HasMember("bank"), b == 0);
    EXPECT_FALSE(doc.HasMember("v"));
  }
  rapidjson::Document first;
  first.Parse(lines[0].c_str());
  EXPECT_EQ(first["bank"].GetUint(), 5u);
  EXPECT_EQ(first["h"]["shared_secret"].GetUint(), 0u);
  EXPECT_EQ(std::string(first["s"]["text"].GetString(), first["s"]["text"].GetStringLength()), std::string(1, '\0'));
}

TEST_F(SettingsText, ImportStopsAtErasedFlash) {
  Populate();
  std::string text = ExportText() + "\xff" + "garbage";
  CommandSystem fresh;
  MemoryInputStream in(text);
  EXPECT_TRUE(fresh.Import(in));

  // Erased flash in the middle of the text ends it early: not every bank was read.
  std::string cut = ExportText();
  cut.insert(cut.find('\r') + 1, "\xff");
  CommandSystem partial;
  MemoryInputStream cutIn(cut);
  EXPECT_FALSE(partial.Import(cutIn));
}

// A damaged line leaves its bank as it was, keeps the banks read before it, and ends the
// import with false.
class DamagedLine : public SettingsText, public ::testing::WithParamInterface<char const*> {};

TEST_P(DamagedLine, LeavesTheBanksFromThatLineOnAsTheyWere) {
  Populate();
  std::vector<std::string> lines = SplitLines(ExportText());

  // Two stores holding the same values of their own; the reference reads only the three
  // good lines (erased flash after them).
  std::string const prepared = "{\"t\":{\"u8\":99}}\r{}\r{}\r{\"t\":{\"u16\":4}}\r{}\r{}\r{}\r{\"t\":{\"i8\":1}}\r";
  CommandSystem target;
  CommandSystem reference;
  for (CommandSystem* s : {&target, &reference}) {
    MemoryInputStream in(prepared);
    ASSERT_TRUE(s->Import(in));
  }
  std::string const goodText = lines[0] + "\r" + lines[1] + "\r" + lines[2] + "\r\xff";
  MemoryInputStream good(goodText);
  EXPECT_FALSE(reference.Import(good));

  lines[3] = GetParam();
  std::string text;
  for (auto const& l : lines) text += l + "\r";
  MemoryInputStream in(text);
  EXPECT_FALSE(target.Import(in));
  EXPECT_TRUE(Snapshot::Of(target.Manager()) == Snapshot::Of(reference.Manager()));
  for (unsigned b = 0; b < 3; ++b) {
    EXPECT_EQ(std::memcmp(target.Manager().BankImage(b), manager.BankImage(b), ConfigurationManager::ImageSize()), 0)
        << b;
  }
}

INSTANTIATE_TEST_SUITE_P(Lines, DamagedLine,
                         ::testing::Values("", "{", "[]", "5", "{\"t\":{\"u8\":256}}", "{\"t\":{\"u16\":4},\"t\":5}",
                                           "{\"t\":{\"u16\":4,\"mode\":\"NOPE\"}}", "{\"t\":{\"text\":\"123456789\"}}",
                                           "{\"t\":{\"u16\":4}} x", "{\"v\":{\"argument\":1}}", "{\"save\":null}",
                                           "{\"t\":{\"u16\":4,\"flag\":\"\xff\"}}", "{\"bank\":9}"));

TEST_F(SettingsText, LineRefusedByAnObserverIsUndone) {
  Probe refuse(false, [] { return 0; });
  root.t.u32.Push(refuse);
  Snapshot const before = Snapshot::Of(manager);
  MemoryInputStream in("{\"t\":{\"u8\":1,\"u32\":2}}\r{}\r{}\r{}\r{}\r{}\r{}\r{}\r");
  EXPECT_FALSE(manager.Import(in));
  EXPECT_TRUE(Snapshot::Of(manager) == before);
}

TEST_F(SettingsText, KeysTheTreeNoLongerHasArePassedOver) {
  MemoryInputStream in("{\"old\":{\"key\":1},\"t\":{\"u8\":8,\"gone\":2}}\r{}\r{}\r{}\r{}\r{}\r{}\r{}\r");
  EXPECT_TRUE(manager.Import(in));
  EXPECT_EQ(root.t.u8.Value(), 8);
}

TEST_F(SettingsText, OverlongLineIsRefused) {
  std::string text = "{\"t\":{\"text\":\"" + std::string(3 * kTreeTextBound, 'a') + "\"}}\r";
  for (int i = 0; i < 7; ++i) text += "{}\r";
  Snapshot const before = Snapshot::Of(manager);
  MemoryInputStream in(text);
  EXPECT_FALSE(manager.Import(in));
  EXPECT_TRUE(Snapshot::Of(manager) == before);
}

TEST_F(SettingsText, ExportReportsAFullDevice) {
  Populate();
  std::string const text = ExportText();
  StringOutputStream small(text.size() / 2);
  EXPECT_FALSE(manager.Export(small));
}

TEST_F(SettingsText, CustomDefaultRoundTripAndDamagedLine) {
  std::string const line = "{\"t\":{\"u8\":42,\"text\":\"cd\"},\"s\":{\"count\":3}}\r";
  MemoryInputStream in(line);
  ASSERT_TRUE(manager.ImportCustomDefault(in));
  EXPECT_EQ(Get("-c t/u8"), "42");
  EXPECT_EQ(root.t.u8.Value(), 7);  // the banks are not touched

  StringOutputStream out;
  ASSERT_TRUE(manager.ExportCustomDefault(out));
  CommandSystem fresh;
  MemoryInputStream back(out.Text());
  ASSERT_TRUE(fresh.ImportCustomDefault(back));
  EXPECT_EQ(std::memcmp(fresh.Manager().CustomDefaultImage(), manager.CustomDefaultImage(),
                        ConfigurationManager::ImageSize()),
            0);

  Snapshot const before = Snapshot::Of(manager);
  for (char const* bad : {"{\"t\":{\"u8\":1,\"u16\":-1}}\r", "{\"t\":{\"u8\":1}", "{\"v\":{\"argument\":1}}\r",
                          "\xff"}) {
    MemoryInputStream damaged(bad);
    EXPECT_FALSE(manager.ImportCustomDefault(damaged)) << bad;
    EXPECT_TRUE(Snapshot::Of(manager) == before) << bad;
  }
}

} // namespace
} // namespace ivra_configuration::test
