#pragma once
// Reads command lines from an input stream and runs them; answers go to the output
// stream. A line begins with ESC and ends with CR; a new ESC drops an unfinished line and
// bytes outside a line are skipped.
//
// A line whose first character is a lower-case letter is a text command, answered here:
//   set [-f] PATH:JSON   store a value (an object for a node); -f passes over keys that
//                        the tree lacks. ACK or NAK.
//   get [-hdcm] [PATH]   answer the JSON text of the key or node and CR, or NAK.
//                        h: hidden values too; d: the factory defaults; c: the custom
//                        default; m: only values that differ from the factory defaults.
//   PATH[:JSON]          run an action key, or one that carries a value. ACK or NAK.
// Any other line is a run of fixed-code tokens (see universal_command.h). After each
// token the handled or unhandled observers run; at CR, the succeed observers when every
// token was handled, else the excepted ones. Fixed-code lines get no answer from here.
//
// The command lock is held while a command runs, never while waiting for input.

#include "config/observer.h"
#include "config/universal_command.h"

#include <mutex>
#include <string>
#include <string_view>

namespace ivra_configuration {

class ConfigurationManager;
class InputStream;
class OutputStream;
struct CommandLineState;

inline constexpr char kAck = 0x06;
inline constexpr char kNak = 0x15;

class CommandEvaluator {
 public:
  CommandEvaluator(ConfigurationManager& manager, std::recursive_mutex& mutex);

  // Runs command lines until the input reports its end. A line read in part stays with
  // the stream for the next call.
  void Evaluate(InputStream& in, OutputStream& out);

  void SetUndefinedCommandExecutor(UndefinedCommandExecutor& executor) { m_undefined = &executor; }
  void SetUniversalCommand(CommonUniversalCommand& command) { m_universal = &command; }

  bool PushHandledCommandObserver(Observer& o) { return m_handled.Push(o); }
  bool PushUnhandledCommandObserver(Observer& o) { return m_unhandled.Push(o); }
  bool PushCommandSucceedObserver(Observer& o) { return m_succeeded.Push(o); }
  bool PushCommandExceptedObserver(Observer& o) { return m_excepted.Push(o); }

 private:
  struct Io {
    InputStream& in;
    OutputStream& out;
  };

  void Feed(CommandLineState& st, char c, Io io);
  void FeedToken(CommandLineState& st, char c, Io io);
  void EndFixedLine(CommandLineState& st, Io io);
  void Dispatch(CommandLineState& st, std::string_view token, Io io);
  void Report(CommandLineState& st, bool handled);

  void Advance(CommandLineState& st, CommandCheck check, Io io);
  // False when the token was not taken as a parameter and must be dispatched on its own.
  bool Continue(CommandLineState& st, std::string_view token, Io io);
  void Finish(CommandLineState& st, Io io);
  void Execute(CommandLineState& st, Io io);

  void RunText(std::string_view line, bool tooLong, OutputStream& out);
  bool RunSet(std::string_view args);
  bool RunGet(std::string_view args, std::string& answer);
  bool RunAction(std::string_view line);

  ConfigurationManager& m_manager;
  std::recursive_mutex& m_mutex;
  UndefinedCommandExecutor* m_undefined = nullptr;
  CommonUniversalCommand* m_universal = nullptr;
  Subject m_handled;
  Subject m_unhandled;
  Subject m_succeeded;
  Subject m_excepted;
};

} // namespace ivra_configuration
