// Text commands that are malformed, too long, of the wrong type or out of range are
// answered NAK and change nothing at all.

#include "tests/config/tree/store_fixture.h"

namespace ivra_configuration::test {
namespace {

class RefusedCommand : public StoreTest, public ::testing::WithParamInterface<char const*> {};

TEST_P(RefusedCommand, AnswersNakAndChangesNothing) {
  // Something other than the defaults in play, so that a partial write would show.
  ASSERT_EQ(Run("set bank:3"), kAckText);
  ASSERT_EQ(Run("set t:{\"u8\":11,\"u16\":12,\"text\":\"keep\"}"), kAckText);
  Snapshot const before = Snapshot::Of(manager);

  EXPECT_EQ(Run(GetParam()), kNakText) << GetParam();
  EXPECT_TRUE(Snapshot::Of(manager) == before) << GetParam();
}

constexpr char const* kRefused[] = {
    // out of range
    "set t/u8:256", "set t/u8:-1", "set t/i8:128", "set t/i8:-129", "set t/u16:65536",
    "set t/u32:4294967296", "set t/u64:18446744073709551616", "set t/i32:2147483648", "set bank:8",
    "set bank:4294967295", "set t/mode:2", "set t/mode:\"off\"", "set t/mode:\"NOPE\"",
    "set t/modes:[\"RED\",4]", "set set_default_to_bank:8", "set_default_to_bank:99",
    // wrong type
    "set t/u8:1.5", "set t/u8:1e2", "set t/u8:\"1\"", "set t/u8:true", "set t/flag:1", "set t/flag:null",
    "set t/text:5", "set t/list:{}", "set t/length:[]", "set t:5", "set t/list:[1,\"2\"]",
    // too long
    "set t/text:\"123456789\"", "set t/list:[1,2,3,4,5]", "set t/modes:[1,1,1,1]",
    "set t/length:{\"lengths\":[1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17]}", "set s/text:\"abcde\"",
    // malformed JSON and text
    "set t/u8:", "set t/u8", "set t/u8:1 2", "set t/u8:01", "set t:{", "set t:{\"u8\":1,}",
    "set t/text:\"\xff\"", "set t/text:\"\\ud800\"", "set t/text:\"\xed\xa0\x80\"", "set t/text:\"abc",
    "set t:{\"u8\":1,\"u8\":", "set T/u8:1", "set t/u8;1", "set -x t/u8:1", "set - t/u8:1",
    // a bad member after good ones: the good ones are undone too
    "set t:{\"u8\":1,\"u16\":2,\"bogus\":3}", "set t:{\"u8\":1,\"u16\":\"x\"}",
    "set :{\"t\":{\"u8\":1},\"s\":{\"count\":70000}}", "set :{\"bank\":1,\"t\":{\"u8\":300}}",
    "set t/length:{\"lengths\":[1],\"minimum\":-1}", "set t/length:{\"lengths\":[1],\"extra\":0}",
    // keys that are not there, or not of that kind
    "set nothing:1", "set t/u8/deeper:1", "set save:1", "set v:{\"argument\":1}", "set :{\"save\":1}",
    "nothing", "t/u8:1", "save:1", "v/go:1", "setx t/u8:1", "bank",
};

INSTANTIATE_TEST_SUITE_P(Inputs, RefusedCommand, ::testing::ValuesIn(kRefused));

TEST_F(StoreTest, GetThatCannotBeReadIsNak) {
  for (char const* command : {"get nothing", "get t/u8 extra", "get -x t", "get -dc t", "get save", "get v/go",
                              "get -d v/argument", "get t/u8:1", "get -"}) {
    EXPECT_EQ(Run(command), kNakText) << command;
  }
}

TEST_F(StoreTest, OverlongLineIsRefusedWholeAndTheNextLineStillRuns) {
  Snapshot const before = Snapshot::Of(manager);
  std::string line = "set t/text:\"" + std::string(3 * kTreeTextBound, 'a') + "\"";
  EXPECT_EQ(Run(line), kNakText);
  EXPECT_TRUE(Snapshot::Of(manager) == before);
  EXPECT_EQ(Run("set t/u8:3"), kAckText);
}

TEST_F(StoreTest, DeeplyNestedValueIsRefusedWithoutRecursion) {
  Snapshot const before = Snapshot::Of(manager);
  std::size_t const depth = kTreeTextBound / 2;
  EXPECT_EQ(Run("set t/list:" + std::string(depth, '[') + std::string(depth, ']')), kNakText);
  EXPECT_EQ(Run("set :" + std::string(depth, '[')), kNakText);
  EXPECT_TRUE(Snapshot::Of(manager) == before);
}

TEST_F(StoreTest, ForceSkipsOnlyKeysTheTreeLacks) {
  EXPECT_EQ(Run("set -f t:{\"u8\":1,\"gone\":{\"x\":1},\"u16\":2}"), kAckText);
  EXPECT_EQ(root.t.u8.Value(), 1);
  EXPECT_EQ(root.t.u16.Value(), 2);
  EXPECT_EQ(Run("set -f gone/key:1"), kAckText);
  // A value of the wrong type is still refused.
  Snapshot const before = Snapshot::Of(manager);
  EXPECT_EQ(Run("set -f t:{\"u8\":5,\"u16\":\"x\"}"), kNakText);
  EXPECT_TRUE(Snapshot::Of(manager) == before);
}

TEST_F(StoreTest, BytesAroundCommandsAreSkippedAndEscRestarts) {
  // Noise before ESC, a command cut short by a new ESC, an empty command.
  std::string const bytes = std::string("noise\r") + "\x1bset t/u8:200" + "\x1bset t/u8:201\r" + "\x1b\r" + "tail";
  EXPECT_EQ(Feed(bytes), kAckText);
  EXPECT_EQ(root.t.u8.Value(), 201);
}

} // namespace
} // namespace ivra_configuration::test
