#pragma once
// What the evaluator has read of the current command line of one input stream.

#include "config/universal_command.h"

#include <cstdint>
#include <string>

namespace ivra_configuration {

struct CommandLineState {
  enum class Mode : unsigned char { kOutside, kStart, kText, kFixed };
  enum class Token : unsigned char { kNone, kPlain, kPrefixed, kBrace, kQuoted };

  Mode mode = Mode::kOutside;

  // A text command, read whole before it runs.
  std::string text;
  bool textTooLong = false;

  // The fixed-code token being read.
  std::string token;
  Token tokenKind = Token::kNone;
  unsigned tokenWant = 0;
  bool tokenTooLong = false;

  // A code taken by the universal command set, waiting for its digits.
  bool pending = false;
  bool inParameters = false;
  CommandCheck check = CommandCheck::kRefused;
  std::uint32_t code = 0;
  std::uint32_t subId = 0;
  std::string parameters;

  // Outcome of the line so far.
  bool anyCommand = false;
  bool failed = false;

  void ResetToken() {
    token.clear();
    tokenKind = Token::kNone;
    tokenWant = 0;
    tokenTooLong = false;
  }
  void ResetLine() {
    text.clear();
    textTooLong = false;
    ResetToken();
    pending = false;
    inParameters = false;
    parameters.clear();
    anyCommand = false;
    failed = false;
  }
};

} // namespace ivra_configuration
