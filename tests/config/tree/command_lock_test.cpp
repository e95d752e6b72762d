// Three command channels and a writer outside the evaluator share one store: the lock
// keeps every command whole.

#include "tests/config/tree/store_fixture.h"

#include <algorithm>
#include <thread>

namespace ivra_configuration::test {
namespace {

TEST_F(StoreTest, ChannelsAndLabelThreadDoNotInterleave) {
  constexpr int kRounds = 300;
  // Each channel writes a pair of values that must always be seen together.
  auto channel = [this](std::string const& node, std::string* answers) {
    std::string lines;
    for (int i = 0; i < kRounds; ++i) {
      std::string const v = std::to_string(i % 200);
      lines += Frame("set " + node + ":{\"sub\":{\"leaf\":" + v + "},\"2of5\":" + (i % 2 ? "true" : "false") + "}");
      lines += Frame("get " + node + "/sub/leaf");
    }
    MemoryInputStream in(lines);
    StringOutputStream out;
    system.Evaluate(in, out);
    *answers = out.Text();
  };
  Probe pairCheck(true, [this] {
    // Runs inside a change, under the lock: the pair was written by one command.
    return (root.group.sub.leaf.Value() % 2 == 1) == root.group._2of5.Value();
  });
  root.group.Push(pairCheck);

  std::string a, b;
  std::thread t1(channel, "group", &a);
  std::thread t2(channel, "group", &b);
  std::thread label([this] {
    for (int i = 0; i < kRounds; ++i) {
      std::lock_guard<std::recursive_mutex> lock(system.Mutex());
      ASSERT_TRUE(root.t.u32.Set(static_cast<std::uint32_t>(i)));
      ASSERT_TRUE(manager.Update());
    }
  });
  t1.join();
  t2.join();
  label.join();

  for (std::string const* answers : {&a, &b}) {
    EXPECT_EQ(std::count(answers->begin(), answers->end(), kAck), kRounds);
    EXPECT_EQ(std::count(answers->begin(), answers->end(), '\r'), kRounds);
  }
  EXPECT_TRUE(std::all_of(pairCheck.seen.begin(), pairCheck.seen.end(), [](bool ok) { return ok; }));
  EXPECT_EQ(root.t.u32.Value(), static_cast<std::uint32_t>(kRounds - 1));
}

} // namespace
} // namespace ivra_configuration::test
