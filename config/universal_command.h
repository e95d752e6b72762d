#pragma once
// The two ways a fixed command code leaves the evaluator.
//
// A fixed-code command line is a run of tokens: two characters by default ("Z1"; a last
// single character before CR stands alone: "A"), or three to six characters behind a
// length prefix ('[' + 3, ']' + 4, '{' + 5, '}' + 6), or '}' + 16 characters ending the
// line (the program token), or a quoted string ('...'), or a NUL byte. "Q" and one of
// the characters '*' to '9' is a parameter token.
//
// Each code token is first offered to the registered CommonUniversalCommand: CheckSubId
// with sub-identifier 0; when taken, the following "Q" digit tokens build the
// sub-identifier (each digit stored as one 4-bit digit of value digit + 3, first digit
// highest: "10" is 0x43), then CheckParameter with the parameter bytes collected so far
// ("Q" + character per parameter token, a quoted token whole), and ExecuteCommandId once
// the parameters are complete. Tokens that it does not take go to the
// UndefinedCommandExecutor unchanged.

#include <cstdint>

namespace ivra_configuration {

class InputStream;
class OutputStream;

enum class CommandCheck {
  kNotTaken,    // not this command set's code (only meaningful for CheckSubId(code, 0))
  kRefused,     // known, but this sub-identifier or these parameters are wrong
  kNeedMore,    // valid so far; more digits must follow
  kAcceptable,  // complete as it stands, but may take more; runs at the next other token or CR
  kComplete,    // complete; runs now
};

class CommonUniversalCommand {
 public:
  virtual ~CommonUniversalCommand() = default;

  virtual CommandCheck CheckSubId(std::uint32_t code, std::uint32_t subId) = 0;
  virtual CommandCheck CheckParameter(std::uint32_t code, std::uint32_t subId, char const* parameters,
                                      unsigned length) = 0;
  // 1 when done, 0 when refused. Settings are written with Backup, store, UpdateAll; the
  // evaluator runs Update() afterwards and undoes everything on a refusal.
  virtual int ExecuteCommandId(std::uint32_t code, std::uint32_t subId, char const* parameters, unsigned length,
                               InputStream& in, OutputStream& out) = 0;
};

class UndefinedCommandExecutor {
 public:
  virtual ~UndefinedCommandExecutor() = default;
  // Every token that no fixed-code executor takes, as read (prefixes and quotes kept).
  // True: handled.
  virtual bool Execute(char const* token, unsigned length, InputStream& in, OutputStream& out) = 0;
  // The command line has ended. False: a command of it still waited for parameters and
  // is dropped, so the line is refused rather than answered as done.
  virtual bool EndOfLine() { return true; }
};

// Characters packed big-endian into 32 bits ("D34" is 0x443334); the last four remain.
inline std::uint32_t PackCommandCode(char const* text, unsigned length) {
  std::uint32_t v = 0;
  for (unsigned i = 0; i < length; ++i) v = (v << 8) | static_cast<unsigned char>(text[i]);
  return v;
}

// Appends one decimal digit to a packed sub-identifier.
inline std::uint32_t AppendSubIdDigit(std::uint32_t subId, unsigned digit) { return (subId << 4) | (digit + 3); }

} // namespace ivra_configuration
