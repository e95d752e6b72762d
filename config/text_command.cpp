// The text commands: set, get and action keys. They answer for themselves.

#include "config/command_evaluator.h"
#include "config/configuration_manager.h"
#include "config/json_output.h"
#include "config/json_tree.h"
#include "config/memory_stream.h"

#include <rapidjson/document.h>

#include <string>
#include <vector>

namespace ivra_configuration {

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t'; }
bool IsPathChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '-' || c == '/';
}

std::string_view TrimLeft(std::string_view s) {
  while (!s.empty() && IsSpace(s.front())) s.remove_prefix(1);
  return s;
}

std::string_view Trim(std::string_view s) {
  s = TrimLeft(s);
  while (!s.empty() && IsSpace(s.back())) s.remove_suffix(1);
  return s;
}

// Takes the option words ("-f", "-hd") at the front; false on a letter not in `allowed`.
bool TakeOptions(std::string_view& s, std::string_view allowed, std::string& letters) {
  for (s = TrimLeft(s); !s.empty() && s.front() == '-'; s = TrimLeft(s)) {
    s.remove_prefix(1);
    if (s.empty() || IsSpace(s.front())) return false;
    while (!s.empty() && !IsSpace(s.front())) {
      if (allowed.find(s.front()) == std::string_view::npos) return false;
      letters.push_back(s.front());
      s.remove_prefix(1);
    }
  }
  return true;
}

std::string_view TakePath(std::string_view& s) {
  s = TrimLeft(s);
  std::size_t n = 0;
  while (n < s.size() && IsPathChar(s[n])) ++n;
  std::string_view const path = s.substr(0, n);
  s.remove_prefix(n);
  return path;
}

bool Has(std::string const& letters, char c) { return letters.find(c) != std::string::npos; }

} // namespace

void CommandEvaluator::RunText(std::string_view line, bool tooLong, OutputStream& out) {
  std::string answer;
  bool ok = false;
  if (!tooLong) {
    std::size_t n = 0;
    while (n < line.size() && IsPathChar(line[n])) ++n;
    std::string_view const word = line.substr(0, n);
    bool const command = n == line.size() || IsSpace(line[n]);
    if (word == "set" && command) {
      ok = RunSet(line.substr(n));
    } else if (word == "get" && command) {
      if (RunGet(line.substr(n), answer)) {
        answer.push_back('\r');
        // Byte by byte: some streams' block writes report less than they wrote.
        for (char c : answer) {
          if (!out.Write(c)) break;
        }
        out.Flush();
        return;
      }
    } else {
      ok = RunAction(line);
    }
  }
  out.Write(ok ? kAck : kNak);
  out.Flush();
}

bool CommandEvaluator::RunSet(std::string_view args) {
  std::string options;
  if (!TakeOptions(args, "f", options)) return false;
  bool const force = Has(options, 'f');
  std::string_view const path = TakePath(args);
  args = TrimLeft(args);
  if (args.empty() || args.front() != ':') return false;
  std::string_view const text = Trim(args.substr(1));

  rapidjson::Document doc;
  if (!ParseJson(text, doc)) return false;
  CommonPropertyHandle const* h = m_manager.Root().Find(path);
  if (h == nullptr) return force;  // nothing the tree has: nothing to do
  if (h->Kind() == KeyKind::kAction) return false;

  ConfigurationManager::Savepoint const sp = m_manager.Begin();
  std::vector<unsigned char> scratch;
  if (!ApplyJson(*h, doc, WriteTarget{m_manager.CurrentBank(), nullptr}, ApplyOptions{force}, scratch)) {
    m_manager.RollBack(sp);
    return false;
  }
  m_manager.Commit(sp);
  return m_manager.Update();
}

bool CommandEvaluator::RunGet(std::string_view args, std::string& answer) {
  std::string options;
  if (!TakeOptions(args, "hdcm", options)) return false;
  std::string_view const path = TakePath(args);
  if (!Trim(args).empty()) return false;
  CommonPropertyHandle const* h = m_manager.Root().Find(path);
  if (h == nullptr) return false;

  JsonView view;
  view.hidden = Has(options, 'h');
  view.modifiedOnly = Has(options, 'm');
  if (Has(options, 'd') && Has(options, 'c')) return false;
  if (Has(options, 'd')) view.image = JsonView::Image::kFactory;
  if (Has(options, 'c')) view.image = JsonView::Image::kCustom;

  StringOutputStream text;
  if (!h->WriteJson(text, view)) return false;
  answer = text.Text();
  return true;
}

bool CommandEvaluator::RunAction(std::string_view line) {
  std::string_view rest = line;
  std::string_view const path = TakePath(rest);
  rest = TrimLeft(rest);
  bool const withValue = !rest.empty();
  if (withValue && rest.front() != ':') return false;
  CommonPropertyHandle const* h = m_manager.Root().Find(path);
  if (h == nullptr || path.empty()) return false;

  ConfigurationManager::Savepoint const sp = m_manager.Begin();
  bool ok = false;
  if (h->Kind() == KeyKind::kAction) {
    if (withValue) {
      m_manager.RollBack(sp);
      return false;
    }
    h->UpdateAll();
    ok = true;
  } else if (h->Kind() == KeyKind::kVolatile) {
    if (withValue) {
      rapidjson::Document doc;
      std::vector<unsigned char> scratch;
      ok = ParseJson(Trim(rest.substr(1)), doc) &&
           ApplyJson(*h, doc, WriteTarget{m_manager.CurrentBank(), nullptr}, ApplyOptions{}, scratch);
    } else {
      h->UpdateAll();  // run it with the value it holds
      ok = true;
    }
  }
  if (!ok) {
    m_manager.RollBack(sp);
    return false;
  }
  m_manager.Commit(sp);
  return m_manager.Update();
}

} // namespace ivra_configuration
