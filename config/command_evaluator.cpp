#include "config/command_evaluator.h"

#include "config/command_line_state.h"
#include "config/configuration_manager.h"
#include "config/stream.h"

namespace ivra_configuration {

namespace {

constexpr char kEsc = 0x1B;
constexpr char kCr = 0x0D;
constexpr std::size_t kMaxTextLength = 2 * kTreeTextBound + 4096;
// A quoted parameter: the longest text parameter is 99 two-byte parameters.
constexpr std::size_t kMaxQuoted = 512;
constexpr std::size_t kMaxParameters = 1024;
constexpr std::size_t kBraceToken = 7;     // '}' + 6
constexpr std::size_t kProgramToken = 17;  // '}' + 16, alone at the end of a line

bool IsParameterToken(std::string_view t) {
  if (t.size() == 2 && t[0] == 'Q' && t[1] >= '*' && t[1] <= '9') return true;
  return t.size() >= 2 && t.front() == '\'' && t.back() == '\'';
}

bool IsDigitToken(std::string_view t) { return t.size() == 2 && t[0] == 'Q' && t[1] >= '0' && t[1] <= '9'; }

// The code characters of a token without its length prefix.
std::string_view CodeOf(std::string_view t) {
  if (t.size() >= 4 && t.size() <= 7) {
    static constexpr char kPrefix[] = {'[', ']', '{', '}'};
    if (t[0] == kPrefix[t.size() - 4]) return t.substr(1);
  }
  return t;
}

} // namespace

CommandEvaluator::CommandEvaluator(ConfigurationManager& manager, std::recursive_mutex& mutex)
    : m_manager(manager), m_mutex(mutex) {}

void CommandEvaluator::Evaluate(InputStream& in, OutputStream& out) {
  if (!in.m_commandState) in.m_commandState = std::make_unique<CommandLineState>();
  CommandLineState& st = *in.m_commandState;
  Io const io{in, out};
  char c;
  while (in.Read(c)) Feed(st, c, io);
}

void CommandEvaluator::Feed(CommandLineState& st, char c, Io io) {
  if (c == kEsc) {
    // A new command drops the unfinished one without an answer.
    st.ResetLine();
    st.mode = CommandLineState::Mode::kStart;
    return;
  }
  switch (st.mode) {
    case CommandLineState::Mode::kOutside:
      return;
    case CommandLineState::Mode::kStart:
      if (c == kCr) {
        st.mode = CommandLineState::Mode::kOutside;
      } else if (c >= 'a' && c <= 'z') {
        st.mode = CommandLineState::Mode::kText;
        st.text.assign(1, c);
      } else {
        st.mode = CommandLineState::Mode::kFixed;
        FeedToken(st, c, io);
      }
      return;
    case CommandLineState::Mode::kText:
      if (c == kCr) {
        {
          std::lock_guard<std::recursive_mutex> lock(m_mutex);
          RunText(st.text, st.textTooLong, io.out);
        }
        st.ResetLine();
        st.text.shrink_to_fit();
        st.mode = CommandLineState::Mode::kOutside;
      } else if (st.text.size() < kMaxTextLength) {
        st.text.push_back(c);
      } else {
        st.textTooLong = true;
      }
      return;
    case CommandLineState::Mode::kFixed:
      if (c == kCr) {
        EndFixedLine(st, io);
        st.ResetLine();
        st.mode = CommandLineState::Mode::kOutside;
      } else {
        FeedToken(st, c, io);
      }
      return;
  }
}

void CommandEvaluator::FeedToken(CommandLineState& st, char c, Io io) {
  using Token = CommandLineState::Token;
  if (st.tokenKind == Token::kNone) {
    if (c == '\0') {
      Dispatch(st, std::string_view("\0", 1), io);
      return;
    }
    st.token.assign(1, c);
    switch (c) {
      case '\'':
        st.tokenKind = Token::kQuoted;
        return;
      case '[':
      case ']':
      case '{':
        st.tokenKind = Token::kPrefixed;
        st.tokenWant = c == '[' ? 4 : c == ']' ? 5 : 6;
        return;
      case '}':
        st.tokenKind = Token::kBrace;
        return;
      default:
        st.tokenKind = Token::kPlain;
        st.tokenWant = 2;
        return;
    }
  }
  switch (st.tokenKind) {
    case Token::kPlain:
    case Token::kPrefixed:
      st.token.push_back(c);
      if (st.token.size() == st.tokenWant) {
        std::string const token = st.token;
        st.ResetToken();
        Dispatch(st, token, io);
      }
      return;
    case Token::kQuoted:
      if (c == '\'') {
        std::string token = st.token;
        bool const tooLong = st.tokenTooLong;
        st.ResetToken();
        if (tooLong) {
          std::lock_guard<std::recursive_mutex> lock(m_mutex);
          st.anyCommand = true;
          Report(st, false);
        } else {
          token.push_back(c);
          Dispatch(st, token, io);
        }
      } else if (st.token.size() + 1 < kMaxQuoted) {
        st.token.push_back(c);
      } else {
        st.tokenTooLong = true;
      }
      return;
    case Token::kBrace:
      st.token.push_back(c);
      // '}' and 16 characters make the program token only when CR follows; anything
      // else makes it a six-character code followed by more tokens.
      if (st.token.size() == kProgramToken + 1) {
        std::string const rest = st.token.substr(kBraceToken);
        std::string const token = st.token.substr(0, kBraceToken);
        st.ResetToken();
        Dispatch(st, token, io);
        for (char r : rest) FeedToken(st, r, io);
      }
      return;
    case Token::kNone:
      return;
  }
}

void CommandEvaluator::EndFixedLine(CommandLineState& st, Io io) {
  using Token = CommandLineState::Token;
  // The token the line ends in.
  while (st.tokenKind != Token::kNone) {
    std::string const token = st.token;
    Token const kind = st.tokenKind;
    st.ResetToken();
    if (kind == Token::kPlain) {
      Dispatch(st, token, io);  // a single character: "A"
    } else if (kind == Token::kBrace && (token.size() == kProgramToken || token.size() == kBraceToken)) {
      Dispatch(st, token, io);
    } else if (kind == Token::kBrace && token.size() > kBraceToken) {
      Dispatch(st, token.substr(0, kBraceToken), io);
      for (char r : token.substr(kBraceToken)) FeedToken(st, r, io);
    } else {
      // An unfinished prefixed token or an unterminated quote.
      std::lock_guard<std::recursive_mutex> lock(m_mutex);
      st.anyCommand = true;
      Report(st, false);
    }
  }
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  if (m_undefined != nullptr && !m_undefined->EndOfLine()) {
    st.anyCommand = true;
    Report(st, false);
  }
  Finish(st, io);
  if (st.anyCommand) (st.failed ? m_excepted : m_succeeded).Notify();
}

void CommandEvaluator::Report(CommandLineState& st, bool handled) {
  if (!handled) st.failed = true;
  (handled ? m_handled : m_unhandled).Notify();
}

void CommandEvaluator::Dispatch(CommandLineState& st, std::string_view token, Io io) {
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  st.anyCommand = true;
  bool const parameter = IsParameterToken(token);
  if (st.pending && parameter && Continue(st, token, io)) return;
  if (st.pending) Finish(st, io);
  bool const nul = token.size() == 1 && token[0] == '\0';
  if (!parameter && !nul && m_universal != nullptr && token.size() != kProgramToken) {
    std::string_view const code = CodeOf(token);
    if (code.size() <= 4) {
      std::uint32_t const packed = PackCommandCode(code.data(), static_cast<unsigned>(code.size()));
      CommandCheck const check = m_universal->CheckSubId(packed, 0);
      if (check != CommandCheck::kNotTaken) {
        st.code = packed;
        st.subId = 0;
        st.parameters.clear();
        st.inParameters = false;
        Advance(st, check, io);
        return;
      }
    }
  }
  bool handled = false;
  if (m_undefined != nullptr) {
    ConfigurationManager::Savepoint const sp = m_manager.Begin();
    handled = m_undefined->Execute(token.data(), static_cast<unsigned>(token.size()), io.in, io.out);
    if (handled) {
      m_manager.Commit(sp);
      handled = m_manager.Update();
    } else {
      m_manager.RollBack(sp);
    }
  }
  Report(st, handled);
}

void CommandEvaluator::Advance(CommandLineState& st, CommandCheck check, Io io) {
  switch (check) {
    case CommandCheck::kNotTaken:
    case CommandCheck::kRefused:
      st.pending = false;
      Report(st, false);
      return;
    case CommandCheck::kNeedMore:
    case CommandCheck::kAcceptable:
      st.pending = true;
      st.check = check;
      return;
    case CommandCheck::kComplete:
      if (!st.inParameters) {
        st.inParameters = true;
        Advance(st, m_universal->CheckParameter(st.code, st.subId, "", 0), io);
      } else {
        Execute(st, io);
      }
      return;
  }
}

bool CommandEvaluator::Continue(CommandLineState& st, std::string_view token, Io io) {
  if (!st.inParameters) {
    if (IsDigitToken(token)) {
      st.subId = AppendSubIdDigit(st.subId, static_cast<unsigned>(token[1] - '0'));
      Advance(st, m_universal->CheckSubId(st.code, st.subId), io);
      return true;
    }
    // The sub-identifier ends here; the token is the first parameter.
    if (st.check != CommandCheck::kAcceptable) {
      st.pending = false;
      Report(st, false);
      return true;
    }
    st.inParameters = true;
    Advance(st, m_universal->CheckParameter(st.code, st.subId, "", 0), io);
    if (!st.pending) return false;  // it ran or was refused without parameters; the token stands alone
  }
  if (st.parameters.size() + token.size() > kMaxParameters) {
    st.pending = false;
    Report(st, false);
    return true;
  }
  st.parameters.append(token);
  Advance(st,
          m_universal->CheckParameter(st.code, st.subId, st.parameters.data(),
                                      static_cast<unsigned>(st.parameters.size())),
          io);
  return true;
}

void CommandEvaluator::Finish(CommandLineState& st, Io io) {
  if (!st.pending) return;
  if (st.check == CommandCheck::kAcceptable && !st.inParameters) {
    st.inParameters = true;
    Advance(st, m_universal->CheckParameter(st.code, st.subId, "", 0), io);
    if (!st.pending) return;
  }
  if (st.check == CommandCheck::kAcceptable) {
    Execute(st, io);
  } else {
    st.pending = false;
    Report(st, false);
  }
}

void CommandEvaluator::Execute(CommandLineState& st, Io io) {
  st.pending = false;
  ConfigurationManager::Savepoint const sp = m_manager.Begin();
  int const result = m_universal->ExecuteCommandId(st.code, st.subId, st.parameters.data(),
                                                   static_cast<unsigned>(st.parameters.size()), io.in, io.out);
  if (result != 1) {
    m_manager.RollBack(sp);
    Report(st, false);
    return;
  }
  m_manager.Commit(sp);
  Report(st, m_manager.Update());
}

} // namespace ivra_configuration
