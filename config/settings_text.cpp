// The stored settings text: one CR-ended JSON line per bank, then (separately) the
// custom default. Only values that differ from the factory defaults are written, so a
// line is read onto the factory defaults of its bank.

#include "config/configuration_manager.h"
#include "config/json_output.h"
#include "config/json_tree.h"
#include "config/stream.h"

#include <rapidjson/document.h>

#include <cstring>
#include <string>

namespace ivra_configuration {

namespace {

constexpr char kLineEnd = '\r';
constexpr unsigned char kErased = 0xFF;
// A line longer than any the tree can produce (with room for white space and escapes)
// is damaged.
constexpr std::size_t kMaxLineLength = 2 * kTreeTextBound + 4096;

bool WriteLine(configuration::Handle const& root, JsonView const& view, OutputStream& out) {
  JsonOutput output(out);
  JsonWriter writer(output);
  return WriteTree(root, view, writer) && output.Ok() && out.Write(kLineEnd);
}

enum class LineRead { kLine, kEnd, kTooLong };

// Reads up to CR. Erased flash (0xFF) or the end of the stream before CR ends the text.
LineRead ReadLine(InputStream& in, std::string& line) {
  line.clear();
  bool tooLong = false;
  char c;
  while (in.Read(c)) {
    if (static_cast<unsigned char>(c) == kErased) return LineRead::kEnd;
    if (c == kLineEnd) return tooLong ? LineRead::kTooLong : LineRead::kLine;
    if (line.size() < kMaxLineLength) {
      line.push_back(c);
    } else {
      tooLong = true;
    }
  }
  return LineRead::kEnd;
}

} // namespace

bool ConfigurationManager::Export(OutputStream& out) {
  for (unsigned bank = 0; bank < kBankCount; ++bank) {
    JsonView view;
    view.image = JsonView::Image::kBank;
    view.bank = bank;
    view.hidden = true;
    view.modifiedOnly = true;
    view.shared = bank == 0;
    view.transient = false;
    if (!WriteLine(m_root, view, out)) return false;
  }
  return out.Flush();
}

bool ConfigurationManager::ImportLine(unsigned bank, char const* text, std::size_t length) {
  rapidjson::Document doc;
  if (!ParseJson(std::string_view(text, length), doc) || !doc.IsObject()) return false;
  Savepoint const sp = Begin();
  std::vector<unsigned char> scratch;
  // Keys that this firmware no longer has are passed over; everything else must be right.
  bool const ok = StoreDefaults(bank, true, bank == 0) &&
                  ApplyJson(m_root, doc, WriteTarget{bank, nullptr}, ApplyOptions{true}, scratch);
  if (!ok) {
    RollBack(sp);
    return false;
  }
  Commit(sp);
  return Update();
}

bool ConfigurationManager::Import(InputStream& in) {
  std::string line;
  for (unsigned bank = 0; bank < kBankCount; ++bank) {
    if (ReadLine(in, line) != LineRead::kLine) return false;
    if (!ImportLine(bank, line.data(), line.size())) return false;
  }
  return true;
}

bool ConfigurationManager::ExportCustomDefault(OutputStream& out) {
  JsonView view;
  view.image = JsonView::Image::kCustom;
  view.hidden = true;
  view.modifiedOnly = true;
  view.transient = false;
  return WriteLine(m_root, view, out) && out.Flush();
}

bool ConfigurationManager::ImportCustomDefault(InputStream& in) {
  std::string line;
  if (ReadLine(in, line) != LineRead::kLine) return false;
  rapidjson::Document doc;
  if (!ParseJson(line, doc) || !doc.IsObject()) return false;
  // Read into a copy so that a damaged line leaves the custom default untouched.
  std::vector<unsigned char> image(m_images.factory, m_images.factory + sizeof(configuration::Struct));
  std::vector<unsigned char> scratch;
  if (!ApplyJson(m_root, doc, WriteTarget{0, image.data()}, ApplyOptions{true}, scratch)) return false;
  std::memcpy(m_images.custom, image.data(), image.size());
  return true;
}

} // namespace ivra_configuration
