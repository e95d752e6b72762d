// Fixed-code command lines: how they are cut into tokens, which executor gets each token,
// and which observers hear of the outcome.

#include "tests/config/tree/store_fixture.h"

#include <functional>

namespace ivra_configuration::test {
namespace {

// Records every token; refuses the ones listed.
class RecordingExecutor final : public UndefinedCommandExecutor {
 public:
  bool Execute(char const* token, unsigned length, InputStream&, OutputStream& out) override {
    tokens.emplace_back(token, length);
    if (writeOnExecute != nullptr) writeOnExecute();
    out.Write('.');
    return refuse.find(tokens.back()) == std::string::npos;
  }
  std::vector<std::string> tokens;
  std::string refuse = "\x01";  // tokens that appear in here are refused
  std::function<void()> writeOnExecute;
};

// A fixed-code set with one code, "D34": two sub-identifier digits, then one or two
// parameter digits; "K" with no digits at all.
class OneCodeSet final : public CommonUniversalCommand {
 public:
  explicit OneCodeSet(ConfigurationManager& m) : m_manager(m) {}
  CommandCheck CheckSubId(std::uint32_t code, std::uint32_t subId) override {
    if (code == PackCommandCode("K", 1)) return CommandCheck::kComplete;
    if (code != 0x443334) return CommandCheck::kNotTaken;
    unsigned digits = 0;
    for (std::uint32_t s = subId; s != 0; s >>= 4) ++digits;
    return digits < 2 ? CommandCheck::kNeedMore : CommandCheck::kComplete;
  }
  CommandCheck CheckParameter(std::uint32_t code, std::uint32_t, char const* p, unsigned n) override {
    if (code == PackCommandCode("K", 1)) return n == 0 ? CommandCheck::kComplete : CommandCheck::kRefused;
    if (n % 2 != 0 || (n > 0 && p[0] != 'Q')) return CommandCheck::kRefused;
    return n == 0 ? CommandCheck::kNeedMore : n == 2 ? CommandCheck::kAcceptable : CommandCheck::kComplete;
  }
  int ExecuteCommandId(std::uint32_t code, std::uint32_t subId, char const* p, unsigned n, InputStream&,
                       OutputStream&) override {
    runs.push_back({code, subId, std::string(p, n)});
    // Writes a setting with the three steps; the value is the last parameter digit.
    auto const& u8 = m_manager.Root().t.u8;
    std::uint8_t const value = n >= 2 ? static_cast<std::uint8_t>(p[n - 1] - '0') : 0;
    if (!u8.Set(value)) return 0;
    return value == 9 ? 0 : 1;  // 9: refused after writing
  }
  struct Run {
    std::uint32_t code;
    std::uint32_t subId;
    std::string parameters;
    bool operator==(Run const&) const = default;
  };
  std::vector<Run> runs;

 private:
  ConfigurationManager& m_manager;
};

class FixedCodeLine : public StoreTest {
 protected:
  FixedCodeLine() {
    system.Evaluator().SetUndefinedCommandExecutor(executor);
    system.Evaluator().PushHandledCommandObserver(handled);
    system.Evaluator().PushUnhandledCommandObserver(unhandled);
    system.Evaluator().PushCommandSucceedObserver(succeeded);
    system.Evaluator().PushCommandExceptedObserver(excepted);
  }

  struct Counter final : Observer {
    int calls = 0;
    bool Update() override {
      ++calls;
      return true;
    }
  };

  RecordingExecutor executor;
  Counter handled, unhandled, succeeded, excepted;
};

struct Tokens {
  char const* bytes;
  std::vector<std::string> tokens;
};

class Tokenising : public FixedCodeLine, public ::testing::WithParamInterface<Tokens> {};

TEST_P(Tokenising, CutsTheLineIntoTokens) {
  Feed(GetParam().bytes);
  EXPECT_EQ(executor.tokens, GetParam().tokens);
}

using namespace std::string_literals;

INSTANTIATE_TEST_SUITE_P(
    Lines, Tokenising,
    ::testing::Values(Tokens{"\x1bZ1\r", {"Z1"}}, Tokens{"\x1b" "A\r", {"A"}},
                      Tokens{"\x1bGCW7*4[BAW\r", {"GC", "W7", "*4", "[BAW"}},
                      Tokens{"\x1bRZ7I[DLF]ABCD{ABCDE\r", {"RZ", "7I", "[DLF", "]ABCD", "{ABCDE"}},
                      Tokens{"\x1b[EFKQ2\r", {"[EFK", "Q2"}},
                      Tokens{"\x1b[SS:'ABC 123'\r", {"[SS:", "'ABC 123'"}},
                      Tokens{"\x1b}ABCDEFQ1\r", {"}ABCDEF", "Q1"}},
                      Tokens{"\x1b}ABCDEFGH*9A01234\r", {"}ABCDEFGH*9A01234"}},
                      Tokens{"\x1b}ABCDEFGH*9A01234Z1\r", {"}ABCDEF", "GH", "*9", "A0", "12", "34", "Z1"}},
                      Tokens{"noise\x1bZ1\x1bZ3\r\r", {"Z1", "Z3"}},
                      Tokens{"\x1bZ1\x1b\rZ3", {"Z1"}}));

TEST_F(FixedCodeLine, NulToken) {
  Feed("\x1bZ2\0\r"s);
  EXPECT_EQ(executor.tokens, (std::vector<std::string>{"Z2", "\0"s}));
  Feed("\x1b\0Q1\r"s);
  EXPECT_EQ(executor.tokens.size(), 4u);
}

TEST_F(FixedCodeLine, ObserversPerTokenAndPerLine) {
  executor.refuse = "Z9";
  Feed("\x1bZ1Z2\r");
  EXPECT_EQ(handled.calls, 2);
  EXPECT_EQ(succeeded.calls, 1);
  EXPECT_EQ(excepted.calls, 0);

  Feed("\x1bZ1Z9Z3\r");  // one refused token fails the line; the rest still run
  EXPECT_EQ(handled.calls, 4);
  EXPECT_EQ(unhandled.calls, 1);
  EXPECT_EQ(succeeded.calls, 1);
  EXPECT_EQ(excepted.calls, 1);
  EXPECT_EQ(executor.tokens.back(), "Z3");
}

TEST_F(FixedCodeLine, MalformedTokensAreUnhandledAndNothingElseIsLost) {
  struct Case {
    std::string bytes;
    int unhandledCalls;
  } const cases[] = {
      {"\x1b[AB\r", 1},                           // prefix without its three characters
      {"\x1b]A\r", 1},                            // prefix without its four
      {"\x1b'open\r", 1},                         // unterminated quote
      {"\x1b'" + std::string(600, 'x') + "'\r", 1},  // overlong quote
      {"\x1b}ABC\r", 1},                          // brace without six
  };
  for (auto const& c : cases) {
    int const before = unhandled.calls;
    int const exceptedBefore = excepted.calls;
    Feed(c.bytes);
    EXPECT_EQ(unhandled.calls - before, c.unhandledCalls) << c.bytes;
    EXPECT_EQ(excepted.calls - exceptedBefore, 1) << c.bytes;
  }
  EXPECT_TRUE(executor.tokens.empty());
  Feed("\x1bZ1\r");
  EXPECT_EQ(executor.tokens, (std::vector<std::string>{"Z1"}));
}

TEST_F(FixedCodeLine, WithoutExecutorNothingAnswers) {
  CommandSystem bare;
  MemoryInputStream in("\x1bZ1\r");
  StringOutputStream out;
  bare.Evaluate(in, out);
  EXPECT_EQ(out.Text(), "");
}

TEST_F(FixedCodeLine, RefusedExecutorWritesAreUndone) {
  executor.refuse = "Z9";
  executor.writeOnExecute = [this] { root.t.u16.Set(1234); };
  Feed("\x1bZ9\r");
  EXPECT_EQ(root.t.u16.Value(), 300);
  Feed("\x1bZ1\r");
  EXPECT_EQ(root.t.u16.Value(), 1234);
}

TEST_F(FixedCodeLine, UniversalCommandTakesItsCodeWithDigits) {
  OneCodeSet set(manager);
  system.Evaluator().SetUniversalCommand(set);
  // D34, sub-identifier 1 0, parameter 5, then a code of the undefined executor.
  Feed("\x1b[D34Q1Q0Q5Z1\r");
  ASSERT_EQ(set.runs.size(), 1u);
  EXPECT_EQ(set.runs[0], (OneCodeSet::Run{0x443334, 0x43, "Q5"}));  // "10" packs to 0x43
  EXPECT_EQ(executor.tokens, (std::vector<std::string>{"Z1"}));
  EXPECT_EQ(root.t.u8.Value(), 5);
  EXPECT_EQ(succeeded.calls, 1);

  // Two parameter digits complete it at once.
  Feed("\x1b[D34Q2Q3Q4Q6\r");
  EXPECT_EQ(set.runs.back(), (OneCodeSet::Run{0x443334, 0x56, "Q4Q6"}));
  EXPECT_EQ(root.t.u8.Value(), 6);

  // A code that needs no digits runs at once.
  Feed("\x1bK\r");
  EXPECT_EQ(set.runs.back().code, 0x4Bu);
}

TEST_F(FixedCodeLine, UniversalCommandRefusals) {
  OneCodeSet set(manager);
  system.Evaluator().SetUniversalCommand(set);
  Snapshot const before = Snapshot::Of(manager);
  Feed("\x1b[D34Q1\r");         // sub-identifier unfinished at CR
  Feed("\x1b[D34Q1Z1\r");       // unfinished before another code
  Feed("\x1b[D34Q1Q0\r");       // parameter missing
  Feed("\x1b[D34Q1Q0'x'\r");    // wrong parameter
  Feed("\x1b[D34Q1Q0Q9\r");     // executor refuses after writing
  EXPECT_EQ(excepted.calls, 5);
  EXPECT_EQ(succeeded.calls, 0);
  EXPECT_TRUE(Snapshot::Of(manager) == before);
}

TEST_F(FixedCodeLine, ObserverRefusalOfAnExecutorsChangeFailsTheCommand) {
  OneCodeSet set(manager);
  system.Evaluator().SetUniversalCommand(set);
  Probe refuse(false, [] { return 0; });
  root.t.u8.Push(refuse);
  Feed("\x1b[D34Q1Q0Q5\r");
  EXPECT_EQ(set.runs.size(), 1u);
  EXPECT_EQ(root.t.u8.Value(), 7);
  EXPECT_EQ(excepted.calls, 1);
}

// An input that reports its end in mid-line, as the memory pipe may when it wakes
// without data; the next Evaluate on the same stream carries on.
class Stuttering final : public InputStream {
 public:
  explicit Stuttering(std::string data) : m_data(std::move(data)) {}
  using InputStream::Read;
  bool Read(char& c) override {
    if (m_position >= m_data.size() || (m_position % 3 == 2 && !m_paused)) {
      m_paused = true;
      return false;
    }
    m_paused = false;
    c = m_data[m_position++];
    return true;
  }
  bool Done() const { return m_position >= m_data.size(); }

 private:
  std::string m_data;
  std::size_t m_position = 0;
  bool m_paused = false;
};

TEST_F(FixedCodeLine, LineSurvivesAReadThatEndsEarly) {
  Stuttering in("\x1b[BAWZ1\x1bset t/u8:33\r\x1bZ3\r");
  StringOutputStream out;
  for (int i = 0; i < 100 && !in.Done(); ++i) system.Evaluate(in, out);
  EXPECT_EQ(executor.tokens, (std::vector<std::string>{"[BAW", "Z1", "Z3"}));
  EXPECT_EQ(root.t.u8.Value(), 33);
  EXPECT_EQ(succeeded.calls, 1);  // the first line never ended
}

TEST_F(FixedCodeLine, TextCommandsAnswerForThemselves) {
  EXPECT_EQ(Run("set t/u8:1"), kAckText);
  EXPECT_EQ(Run("get t/u8"), "1\r");
  EXPECT_EQ(handled.calls + unhandled.calls + succeeded.calls + excepted.calls, 0);
  EXPECT_EQ(Run("Z1"), ".");
}

} // namespace
} // namespace ivra_configuration::test
