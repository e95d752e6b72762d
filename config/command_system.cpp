#include "config/command_system.h"

#include "config/common_property_reference.h"

namespace ivra_configuration {

namespace {
using Lock = std::lock_guard<std::recursive_mutex>;
}

CommandSystem::CommandSystem() : m_evaluator(m_manager, m_mutex) {}

CommandSystem& CommandSystem::Instance() {
  // Never destroyed: command threads may still run while the process exits.
  static CommandSystem* const system = new CommandSystem();
  return *system;
}

bool CommandSystem::Update() {
  Lock lock(m_mutex);
  return m_manager.Update();
}

void CommandSystem::Evaluate(InputStream& in, OutputStream& out) { m_evaluator.Evaluate(in, out); }

bool CommandSystem::SetDefault() {
  Lock lock(m_mutex);
  return m_manager.SetDefault();
}

bool CommandSystem::SetDefaultToBank(unsigned bank) {
  Lock lock(m_mutex);
  return m_manager.SetDefaultToBank(bank);
}

bool CommandSystem::Export(OutputStream& out) {
  Lock lock(m_mutex);
  return m_manager.Export(out);
}

bool CommandSystem::Import(InputStream& in) {
  Lock lock(m_mutex);
  return m_manager.Import(in);
}

bool CommandSystem::ExportCustomDefault(OutputStream& out) {
  Lock lock(m_mutex);
  return m_manager.ExportCustomDefault(out);
}

bool CommandSystem::ImportCustomDefault(InputStream& in) {
  Lock lock(m_mutex);
  return m_manager.ImportCustomDefault(in);
}

configuration::Handle& Root() { return CommandSystem::Instance().Manager().Root(); }
configuration::Handle& CommonPropertyReference::RootHandle() { return Root(); }

bool Update() { return CommandSystem::Instance().Update(); }
void Evaluate(InputStream& in, OutputStream& out) { CommandSystem::Instance().Evaluate(in, out); }
bool SetDefault() { return CommandSystem::Instance().SetDefault(); }
bool SetDefaultToBank(unsigned bank) { return CommandSystem::Instance().SetDefaultToBank(bank); }
bool Export(OutputStream& out) { return CommandSystem::Instance().Export(out); }
bool Import(InputStream& in) { return CommandSystem::Instance().Import(in); }
bool ExportCustomDefault(OutputStream& out) { return CommandSystem::Instance().ExportCustomDefault(out); }
bool ImportCustomDefault(InputStream& in) { return CommandSystem::Instance().ImportCustomDefault(in); }

void SetUndefinedCommandExecutor(UndefinedCommandExecutor& executor) {
  CommandSystem& s = CommandSystem::Instance();
  Lock lock(s.Mutex());
  s.Evaluator().SetUndefinedCommandExecutor(executor);
}

void SetUniversalCommand(CommonUniversalCommand& command) {
  CommandSystem& s = CommandSystem::Instance();
  Lock lock(s.Mutex());
  s.Evaluator().SetUniversalCommand(command);
}

bool PushHandledCommandObserver(Observer& observer) {
  CommandSystem& s = CommandSystem::Instance();
  Lock lock(s.Mutex());
  return s.Evaluator().PushHandledCommandObserver(observer);
}

bool PushUnhandledCommandObserver(Observer& observer) {
  CommandSystem& s = CommandSystem::Instance();
  Lock lock(s.Mutex());
  return s.Evaluator().PushUnhandledCommandObserver(observer);
}

bool PushCommandSucceedObserver(Observer& observer) {
  CommandSystem& s = CommandSystem::Instance();
  Lock lock(s.Mutex());
  return s.Evaluator().PushCommandSucceedObserver(observer);
}

bool PushCommandExceptedObserver(Observer& observer) {
  CommandSystem& s = CommandSystem::Instance();
  Lock lock(s.Mutex());
  return s.Evaluator().PushCommandExceptedObserver(observer);
}

std::recursive_mutex& CommandMutex() { return CommandSystem::Instance().Mutex(); }

} // namespace ivra_configuration
