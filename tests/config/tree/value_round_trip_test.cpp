// Every value type goes in as JSON text and comes back out the same, per bank and shared.

#include "tests/config/tree/store_fixture.h"

#include <rapidjson/document.h>

namespace ivra_configuration::test {
namespace {

struct RoundTrip {
  char const* path;
  char const* json;  // as "get" writes it
};

// Values at the edges of each type.
constexpr RoundTrip kValues[] = {
    {"t/flag", "false"},
    {"t/u8", "255"},
    {"t/u16", "65535"},
    {"t/u32", "4294967295"},
    {"t/u64", "18446744073709551615"},
    {"t/i8", "-128"},
    {"t/i16", "32767"},
    {"t/i32", "-2147483648"},
    {"t/mode", "\"AUTO\""},
    {"t/text", "\"12345678\""},
    {"t/text", "\"\""},
    {"t/text", "\"\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80\""},  // 2-, 3- and 4-byte characters
    {"t/text", "\"a\\u0000b\\n\\\"\""},                      // escapes and a NUL character
    {"t/list", "[65535,0,7,1]"},
    {"t/list", "[]"},
    {"t/modes", "[\"BLUE\",\"GREEN\",\"RED\"]"},
    {"t/big", "[18446744073709551615,0,1]"},
    {"t/length", "{\"lengths\":[1,65535],\"minimum\":0,\"maximum\":65535}"},
    {"t/length", "{\"lengths\":[],\"minimum\":4,\"maximum\":20}"},
    {"t/script", "[7667712,65,4294967295]"},
    {"h/secret", "123456"},
    {"group/sub-word/x-y", "9"},
    {"group/2of5", "true"},
    {"group/default", "true"},
    {"ignore_eci_protocol", "true"},
};

class ValueRoundTrip : public StoreTest, public ::testing::WithParamInterface<RoundTrip> {};

TEST_P(ValueRoundTrip, PerBankValueStaysInItsBank) {
  RoundTrip const& v = GetParam();
  ASSERT_EQ(Run("set bank:2"), kAckText);
  ASSERT_EQ(Run(std::string("set ") + v.path + ":" + v.json), kAckText);
  EXPECT_EQ(Get(v.path), v.json);

  CommonPropertyHandle const* h = root.Find(v.path);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(std::memcmp(h->CalcAddress(), h->CalcBankAddress(2), h->Size()), 0);
  for (unsigned b : {0u, 1u, 7u}) {
    EXPECT_EQ(std::memcmp(h->CalcBankAddress(b), h->CalcDefaultAddress(), h->Size()), 0) << "bank " << b;
  }
}

INSTANTIATE_TEST_SUITE_P(Types, ValueRoundTrip, ::testing::ValuesIn(kValues));

constexpr RoundTrip kSharedValues[] = {
    {"s/flag", "true"},
    {"s/count", "65535"},
    {"s/text", "\"wxyz\""},
    {"h/shared_secret", "200"},
};

class SharedRoundTrip : public StoreTest, public ::testing::WithParamInterface<RoundTrip> {};

TEST_P(SharedRoundTrip, SharedValueIsTheSameInEveryBank) {
  RoundTrip const& v = GetParam();
  ASSERT_EQ(Run("set bank:5"), kAckText);
  ASSERT_EQ(Run(std::string("set ") + v.path + ":" + v.json), kAckText);
  for (unsigned b = 0; b < kBankCount; ++b) {
    ASSERT_EQ(Run("set bank:" + std::to_string(b)), kAckText);
    EXPECT_EQ(Get(v.path), v.json) << "bank " << b;
  }
}

INSTANTIATE_TEST_SUITE_P(Types, SharedRoundTrip, ::testing::ValuesIn(kSharedValues));

TEST_F(StoreTest, InputFormsThatReadTheSameValue) {
  // Names and declared numbers for enumerations; escapes for characters; spacing.
  struct Case {
    char const* set;
    char const* path;
    char const* get;
  } const cases[] = {
      {"set t/mode:7", "t/mode", "\"AUTO\""},
      {"set t/text:\"\\u00e9\\ud83d\\ude00\"", "t/text", "\"\xc3\xa9\xf0\x9f\x98\x80\""},
      {"set   t/u8  :  12  ", "t/u8", "12"},
      {"set /t/u16:1", "t/u16", "1"},
      {"set t/modes:[2, \"RED\"]", "t/modes", "[\"GREEN\",\"RED\"]"},
      {"set t/length:{}", "t/length", "{\"lengths\":[],\"minimum\":0,\"maximum\":65535}"},
  };
  for (auto const& c : cases) {
    EXPECT_EQ(Run(c.set), kAckText) << c.set;
    EXPECT_EQ(Get(c.path), c.get) << c.set;
  }
}

TEST_F(StoreTest, ShorterValueLeavesNoTrace) {
  // A shorter text or list zeroes what the longer one left, so equal values are equal bytes.
  ASSERT_EQ(Run("set t/text:\"abcdefgh\""), kAckText);
  ASSERT_EQ(Run("set t/text:\"ab\""), kAckText);
  ASSERT_EQ(Run("set t/list:[9,9,9,9]"), kAckText);
  ASSERT_EQ(Run("set t/list:[1,2]"), kAckText);
  auto const& t = root.t;
  EXPECT_EQ(std::memcmp(&t.text.Value(), &t.text.DefaultValue(), t.text.Size()), 0);
  EXPECT_EQ(std::memcmp(&t.list.Value(), &t.list.DefaultValue(), t.list.Size()), 0);
}

TEST_F(StoreTest, NodeTakesAnObjectOfItsKeys) {
  ASSERT_EQ(Run("set t:{\"u8\":1,\"flag\":false,\"mode\":\"OFF\"}"), kAckText);
  EXPECT_EQ(root.t.u8.Value(), 1);
  EXPECT_FALSE(root.t.flag.Value());
  EXPECT_EQ(root.t.mode.Value(), configuration::t::mode::Enum::OFF);
  ASSERT_EQ(Run("set :{\"group\":{\"sub\":{\"leaf\":4}}}"), kAckText);
  EXPECT_EQ(root.group.sub.leaf.Value(), 4);
}

TEST_F(StoreTest, GetOptionsChooseTheImage) {
  ASSERT_EQ(Run("set t/u8:99"), kAckText);
  EXPECT_EQ(Get("t/u8"), "99");
  EXPECT_EQ(Get("-d t/u8"), "7");  // factory default
  EXPECT_EQ(Get("-c t/u8"), "7");  // custom default
  EXPECT_EQ(Get("-m t"), "{\"u8\":99}");
  EXPECT_EQ(Get("-m h"), "{}");  // hidden values only on request
  ASSERT_EQ(Run("set h/secret:5"), kAckText);
  EXPECT_EQ(Get("-m h"), "{}");
  EXPECT_EQ(Get("-hm h"), "{\"secret\":5}");
  EXPECT_EQ(Get("h/secret"), "5");  // named directly, a hidden value is shown
  EXPECT_EQ(Get("group/sub"), "{\"leaf\":0}");
}

TEST_F(StoreTest, WholeTreeGetParsesAsOneObject) {
  std::string const text = Get("-h");
  rapidjson::Document doc;
  ASSERT_FALSE(doc.Parse(text.c_str()).HasParseError()) << text;
  ASSERT_TRUE(doc.IsObject());
  EXPECT_EQ(doc["t"]["u64"].GetUint64(), 5000000000u);
  EXPECT_EQ(doc["h"]["shared_secret"].GetUint(), 3u);
  EXPECT_FALSE(doc.HasMember("save"));  // actions hold no value
  EXPECT_LE(text.size(), kTreeTextBound);
}

TEST_F(StoreTest, TypedAccessReadsAndWritesInPlace) {
  auto const& t = root.t;
  EXPECT_EQ(t.u64.Value(), 5000000000u);
  EXPECT_EQ(t.i32.Value(), -70000);
  EXPECT_EQ(t.length.Value().count, 2u);
  EXPECT_TRUE(t.length.Value().Admits(13));
  EXPECT_FALSE(t.length.Value().Admits(12));

  string_t<8> text{};
  text.count = 3;
  text.data[0] = 'x';
  text.data[1] = 0x20AC;
  text.data[2] = 'y';
  ASSERT_TRUE(t.text.Set(text));
  ASSERT_TRUE(manager.Update());
  EXPECT_EQ(Get("t/text"), "\"x\xe2\x82\xacy\"");

  text.count = 9;  // beyond capacity
  EXPECT_FALSE(t.text.Set(text));
  text.count = 1;
  text.data[0] = 0xD800;  // not a character
  EXPECT_FALSE(t.text.Set(text));
  EXPECT_FALSE(t.mode.Set(static_cast<configuration::t::mode::Enum>(2)));

  // Written into every bank on request.
  ASSERT_TRUE(t.u8.Set(42, true));
  ASSERT_TRUE(manager.Update());
  for (unsigned b = 0; b < kBankCount; ++b) EXPECT_EQ(*t.u8.ValueInBank(b), 42) << b;
}

TEST_F(StoreTest, ElementHandleWritesOneItem) {
  auto const& list = root.t.list;
  ASSERT_EQ(Run("set t/list:[1,2,3]"), kAckText);
  CommonPropertyHandle item(manager, "item", &list, list.Address() + 4 + 2 * 1, 2);
  std::uint16_t const value = 500;
  ASSERT_TRUE(item.SetBytes(&value));
  ASSERT_TRUE(manager.Update());
  EXPECT_EQ(Get("t/list"), "[1,500,3]");
  EXPECT_EQ(*static_cast<std::uint16_t const*>(item.CalcAddress()), 500);
}

TEST_F(StoreTest, NodeAddressIsItsStructure) {
  auto const* node = static_cast<configuration::t::Struct const*>(root.t.CalcAddress());
  EXPECT_EQ(node->u16, 300);
  EXPECT_EQ(&node->u16, &root.t.u16.Value());
  EXPECT_EQ(root.Find("t/u16"), &root.t.u16);
  EXPECT_EQ(root.Find("group/2of5"), &root.group._2of5);
  EXPECT_EQ(root.Find("t/nothing"), nullptr);
  EXPECT_EQ(root.t.u16.Path(), "t/u16");
}

} // namespace
} // namespace ivra_configuration::test
