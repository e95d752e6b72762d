#pragma once
// The process-wide store with its evaluator and the one lock that serialises every
// command and every write of a setting.

#include "config/command_evaluator.h"
#include "config/configuration_manager.h"

#include <mutex>

namespace ivra_configuration {

class CommandSystem {
 public:
  CommandSystem();
  CommandSystem(CommandSystem const&) = delete;
  CommandSystem& operator=(CommandSystem const&) = delete;

  // The process-wide instance, built on first use.
  static CommandSystem& Instance();

  ConfigurationManager& Manager() { return m_manager; }
  CommandEvaluator& Evaluator() { return m_evaluator; }
  // Held while a command runs and while settings are written. Recursive, because the
  // observers of a change may themselves export, import or change settings.
  std::recursive_mutex& Mutex() { return m_mutex; }

  // The operations below take the lock.
  bool Update();
  void Evaluate(InputStream& in, OutputStream& out);
  bool SetDefault();
  bool SetDefaultToBank(unsigned bank);
  bool Export(OutputStream& out);
  bool Import(InputStream& in);
  bool ExportCustomDefault(OutputStream& out);
  bool ImportCustomDefault(InputStream& in);

 private:
  std::recursive_mutex m_mutex;
  ConfigurationManager m_manager;
  CommandEvaluator m_evaluator;
};

// ---- The process-wide store ----

// Root of the key tree. Every key has a member at its place in the tree, named by its
// path words ('-' becomes '_', a word starting with a digit gets a leading '_', a C++
// keyword a trailing '_'):
//   Root().read.code128                      PropertyHandle<bool>
//   Root().fixed_length.code39               PropertyHandle<FixedLength>
//   Root().interface.keyboard.language       PropertyHandle<configuration::interface::keyboard::language::Enum>
// Root().Find("read/code128") finds a handle by its path text.
configuration::Handle& Root();

bool Update();
void Evaluate(InputStream& in, OutputStream& out);
bool SetDefault();
bool SetDefaultToBank(unsigned bank);
bool Export(OutputStream& out);
bool Import(InputStream& in);
bool ExportCustomDefault(OutputStream& out);
bool ImportCustomDefault(InputStream& in);

void SetUndefinedCommandExecutor(UndefinedCommandExecutor& executor);
// Where the fixed-code command set registers itself.
void SetUniversalCommand(CommonUniversalCommand& command);
bool PushHandledCommandObserver(Observer& observer);
bool PushUnhandledCommandObserver(Observer& observer);
bool PushCommandSucceedObserver(Observer& observer);
bool PushCommandExceptedObserver(Observer& observer);

// The command lock. Take it around Backup / store / UpdateAll / Update when changing a
// setting outside a command (the label thread's data-editing functions do).
std::recursive_mutex& CommandMutex();

} // namespace ivra_configuration
