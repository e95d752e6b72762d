// Observers see a change after it is made, in head-to-tail order, and a refusal undoes
// the whole change, including the parts other observers had accepted.

#include "tests/config/tree/store_fixture.h"

namespace ivra_configuration::test {
namespace {

TEST_F(StoreTest, RefusingObserverUndoesTheWholeChange) {
  auto readU8 = [this] { return root.t.u8.Value(); };
  Probe accept(true, readU8);
  Probe refuse(false, [this] { return root.group.sub.leaf.Value(); });
  root.t.u8.Push(accept);
  root.group.sub.leaf.Push(refuse);
  Snapshot const before = Snapshot::Of(manager);

  EXPECT_EQ(Run("set :{\"t\":{\"u8\":50,\"text\":\"zz\"},\"s\":{\"count\":1},\"group\":{\"sub\":{\"leaf\":9}}}"),
            kNakText);
  EXPECT_TRUE(Snapshot::Of(manager) == before);
  // The accepting observer saw the new value, then the restored one.
  ASSERT_EQ(accept.seen.size(), 2u);
  EXPECT_EQ(accept.seen[0], 50);
  EXPECT_EQ(accept.seen[1], 7);
  EXPECT_EQ(refuse.seen.front(), 9);
}

TEST_F(StoreTest, NodeObserversRunOnceForAChangeBelowThem) {
  int calls = 0;
  auto count = [&calls] { return ++calls; };
  Probe onT(true, count);
  Probe onRoot(true, [] { return 0; });
  root.t.Push(onT);
  root.Push(onRoot);
  ASSERT_EQ(Run("set t:{\"u8\":1,\"u16\":2,\"u32\":3}"), kAckText);
  EXPECT_EQ(onT.calls, 1);
  EXPECT_EQ(onRoot.calls, 1);
  // An equal value is no change.
  ASSERT_EQ(Run("set t/u8:1"), kAckText);
  EXPECT_EQ(onT.calls, 1);
}

TEST_F(StoreTest, LaterPushRunsFirstAndTheFirstRefusalStops) {
  std::vector<int> order;
  Probe first(true, [&order] { order.push_back(1); return 1; });
  Probe second(false, [&order] { order.push_back(2); return 2; });
  root.t.u16.Push(first);
  root.t.u16.Push(second);
  EXPECT_EQ(Run("set t/u16:5"), kNakText);
  // second refused; first never saw the change, and is not told of the undo either.
  EXPECT_EQ(order, (std::vector<int>{2, 2}));
  EXPECT_EQ(root.t.u16.Value(), 300);
}

TEST_F(StoreTest, ObserverCannotBeLinkedTwice) {
  Probe once(true, [] { return 0; });
  EXPECT_TRUE(root.t.u8.Push(once));
  EXPECT_FALSE(root.t.u8.Push(once));
  EXPECT_FALSE(root.t.u16.Push(once));
  ASSERT_EQ(Run("set t/u8:2"), kAckText);
  EXPECT_EQ(once.calls, 1);
}

TEST_F(StoreTest, DelegateObserverCallsItsOwner) {
  struct Owner {
    int changes = 0;
    bool allow = true;
    bool onChange() {
      ++changes;
      return allow;
    }
  } owner;
  DelegateObserver observer(owner, &Owner::onChange);
  root.s.flag.Push(observer);
  EXPECT_EQ(Run("set s/flag:true"), kAckText);
  owner.allow = false;
  EXPECT_EQ(Run("set s/flag:false"), kNakText);
  EXPECT_TRUE(root.s.flag.Value());
  // Accepted, refused, and told again of the restored value.
  EXPECT_EQ(owner.changes, 3);
}

TEST_F(StoreTest, ActionsRunTheirObserversEveryTime) {
  int runs = 0;
  Probe go(true, [&runs] { return ++runs; });
  root.v.go.Push(go);
  EXPECT_EQ(Run("v/go"), kAckText);
  EXPECT_EQ(Run("v/go"), kAckText);
  EXPECT_EQ(runs, 2);

  Probe argument(true, [this] { return root.v.argument.Value(); });
  root.v.argument.Push(argument);
  EXPECT_EQ(Run("v/argument:17"), kAckText);
  EXPECT_EQ(Run("v/argument:17"), kAckText);  // the same value runs again
  EXPECT_EQ(Run("v/argument"), kAckText);     // and so does the key alone
  EXPECT_EQ(argument.seen, (std::vector<std::uint32_t>{17, 17, 17}));
  EXPECT_EQ(Get("v/argument"), "17");
}

TEST_F(StoreTest, RefusedActionAnswersNak) {
  Probe no(false, [] { return 0; });
  root.v.go.Push(no);
  EXPECT_EQ(Run("v/go"), kNakText);
}

TEST_F(StoreTest, BankSelectsWhereValuesAreReadAndWritten) {
  auto const& u8 = root.t.u8;
  ASSERT_EQ(Run("set t/u8:10"), kAckText);
  ASSERT_EQ(Run("set bank:6"), kAckText);
  EXPECT_EQ(manager.CurrentBank(), 6u);
  EXPECT_EQ(root.bank.Value(), 6u);
  EXPECT_EQ(u8.Value(), 7);
  EXPECT_EQ(u8.CalcAddress(), u8.CalcBankAddress(6));
  ASSERT_EQ(Run("set t/u8:60"), kAckText);
  ASSERT_EQ(Run("set bank:0"), kAckText);
  EXPECT_EQ(u8.Value(), 10);
  EXPECT_EQ(*u8.ValueInBank(6), 60);
  EXPECT_EQ(u8.ValueInBank(8), nullptr);
}

TEST_F(StoreTest, DefaultActions) {
  ASSERT_EQ(Run("set t/u8:1"), kAckText);
  ASSERT_EQ(Run("set s/count:1"), kAckText);
  ASSERT_EQ(Run("set bank:4"), kAckText);
  ASSERT_EQ(Run("set t/u8:4"), kAckText);
  ASSERT_EQ(Run("set bank:2"), kAckText);
  ASSERT_EQ(Run("set t/u8:2"), kAckText);

  // One bank back to the factory values; the others and the shared ones stay.
  ASSERT_EQ(Run("set_default_to_bank:4"), kAckText);
  EXPECT_EQ(*root.t.u8.ValueInBank(4), 7);
  EXPECT_EQ(*root.t.u8.ValueInBank(2), 2);
  EXPECT_EQ(root.s.count.Value(), 1);
  EXPECT_EQ(manager.CurrentBank(), 2u);

  // Bank 0 and the shared values, and bank 0 selected.
  ASSERT_EQ(Run("set_default"), kAckText);
  EXPECT_EQ(manager.CurrentBank(), 0u);
  EXPECT_EQ(*root.t.u8.ValueInBank(0), 7);
  EXPECT_EQ(*root.t.u8.ValueInBank(2), 2);
  EXPECT_EQ(root.s.count.Value(), 10);

  ASSERT_EQ(Run("set_default_all_bank"), kAckText);
  for (unsigned b = 0; b < kBankCount; ++b) {
    EXPECT_EQ(std::memcmp(manager.BankImage(b), manager.FactoryImage(), ConfigurationManager::ImageSize()), 0);
  }
}

TEST_F(StoreTest, ObserverMayMakeAChangeOfItsOwn) {
  // An observer that imports settings (the load action) commits them itself; a refusal
  // later in the outer change does not take them back.
  struct Loader {
    ConfigurationManager& m;
    bool onLoad() {
      MemoryInputStream in("{\"t\":{\"u8\":77}}\r{}\r{}\r{}\r{}\r{}\r{}\r{}\r");
      return m.Import(in);
    }
  } loader{manager};
  DelegateObserver observer(loader, &Loader::onLoad);
  root.load.Push(observer);
  EXPECT_EQ(Run("load"), kAckText);
  EXPECT_EQ(root.t.u8.Value(), 77);
}

TEST_F(StoreTest, LargeChangeThatTheLogCannotHoldIsRefused) {
  // Byte-sized element handles over the script value in all banks: each is a record of
  // its own, so the log runs out of room. Every write stops there and a refusal restores
  // everything that was written.
  Probe refuse(false, [] { return 0; });
  root.t.script.Push(refuse);
  Snapshot const before = Snapshot::Of(manager);
  auto const& script = root.t.script;
  unsigned written = 0;
  bool refused = false;
  for (unsigned i = 0; i < script.Size() && !refused; ++i) {
    CommonPropertyHandle byte(manager, "cell", &script, script.Address() + static_cast<int>(i), 1);
    unsigned char const value = 0xA5;
    if (byte.SetBytes(&value, true)) {
      ++written;
    } else {
      refused = true;
    }
  }
  EXPECT_TRUE(refused);
  EXPECT_GT(written, 0u);
  EXPECT_FALSE(manager.Update());
  EXPECT_TRUE(Snapshot::Of(manager) == before);
}

TEST_F(StoreTest, WholeBankChangeFitsTheLog) {
  // Every value of a bank and every shared value changed at once.
  ASSERT_EQ(Run("set :{\"universal_response\":false,\"t\":{\"flag\":false,\"u8\":1,\"u16\":1,\"u32\":1,\"u64\":1,"
                "\"i8\":1,\"i16\":1,\"i32\":1,\"mode\":\"OFF\",\"text\":\"12345678\",\"list\":[1,2,3,4],"
                "\"modes\":[3,3,3],\"big\":[1,2,3],\"length\":{\"lengths\":[1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16]},"
                "\"script\":[1,2,3]},\"s\":{\"flag\":true,\"count\":1,\"text\":\"abcd\"},"
                "\"h\":{\"secret\":1,\"shared_secret\":1},\"group\":{\"sub\":{\"leaf\":1},\"sub-word\":{\"x-y\":1},"
                "\"2of5\":true,\"default\":true},\"ignore_eci_protocol\":true,\"bank\":3}"),
            kAckText);
  EXPECT_EQ(manager.CurrentBank(), 3u);
  ASSERT_EQ(Run("set_default"), kAckText);
}

} // namespace
} // namespace ivra_configuration::test
