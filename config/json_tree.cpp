#include "config/json_tree.h"

#include "config/configuration_manager.h"
#include "config/value_codec.h"

#include <cstring>

namespace ivra_configuration {

namespace {

unsigned char const* ValueAddress(CommonPropertyHandle const& h, JsonView const& view) {
  ImageSet const& images = h.Manager().Images();
  if (h.ValueArea() == Area::kVolatile) {
    return view.image == JsonView::Image::kCurrentBank ? images.volatileImage + h.Address() : nullptr;
  }
  switch (view.image) {
    case JsonView::Image::kCurrentBank:
      return images.CurrentBank() + h.Address();
    case JsonView::Image::kBank:
      return view.bank < kBankCount ? images.banks[view.bank] + h.Address() : nullptr;
    case JsonView::Image::kFactory:
      return images.factory + h.Address();
    case JsonView::Image::kCustom:
      return images.custom + h.Address();
  }
  return nullptr;
}

// Whether a leaf shows up as a member of its node.
bool Selected(CommonPropertyHandle const& h, JsonView const& view) {
  KeyKind const kind = h.Kind();
  if (kind == KeyKind::kAction) return false;
  if (kind == KeyKind::kVolatile) return view.transient && view.image == JsonView::Image::kCurrentBank;
  if (IsHiddenKind(kind) && !view.hidden) return false;
  if (IsSharedKind(kind) && !view.shared) return false;
  if (view.modifiedOnly) {
    unsigned char const* value = ValueAddress(h, view);
    if (value == nullptr) return false;
    return std::memcmp(value, h.Manager().Images().factory + h.Address(), h.Size()) != 0;
  }
  return true;
}

bool HasOutput(CommonPropertyHandle const& node, JsonView const& view) {
  for (auto const* c = node.FirstChild(); c != nullptr; c = c->NextSibling()) {
    if (c->IsNode() ? HasOutput(*c, view) : Selected(*c, view)) return true;
  }
  return false;
}

void WriteNode(CommonPropertyHandle const& node, JsonView const& view, JsonWriter& w) {
  w.StartObject();
  for (auto const* c = node.FirstChild(); c != nullptr; c = c->NextSibling()) {
    if (c->IsNode()) {
      if (!HasOutput(*c, view)) continue;
      w.Key(c->Name());
      WriteNode(*c, view, w);
    } else if (Selected(*c, view)) {
      w.Key(c->Name());
      WriteValue(c->Info()->type, ValueAddress(*c, view), w);
    }
  }
  w.EndObject();
}

CommonPropertyHandle const* Child(CommonPropertyHandle const& node, char const* name, std::size_t length) {
  for (auto const* c = node.FirstChild(); c != nullptr; c = c->NextSibling()) {
    if (std::strlen(c->Name()) == length && std::memcmp(c->Name(), name, length) == 0) return c;
  }
  return nullptr;
}

bool ApplyLeaf(CommonPropertyHandle const& h, rapidjson::Value const& value, WriteTarget const& target,
               std::vector<unsigned char>& scratch) {
  KeyInfo const* info = h.Info();
  if (info == nullptr || h.Kind() == KeyKind::kAction) return false;
  bool const transient = h.Kind() == KeyKind::kVolatile;
  if (transient && target.raw != nullptr) return false;
  scratch.resize(info->size);
  if (!ReadValue(info->type, value, scratch.data())) return false;
  if (target.raw != nullptr) {
    std::memcpy(target.raw + h.Address(), scratch.data(), info->size);
    return true;
  }
  return h.Manager().Store(h, target.bank, scratch.data(), transient);
}

bool ApplyNode(CommonPropertyHandle const& node, rapidjson::Value const& value, WriteTarget const& target,
               ApplyOptions const& options, std::vector<unsigned char>& scratch) {
  if (!value.IsObject()) return false;
  for (auto const& m : value.GetObject()) {
    CommonPropertyHandle const* c = Child(node, m.name.GetString(), m.name.GetStringLength());
    if (c == nullptr) {
      if (options.skipUnknown) continue;
      return false;
    }
    if (c->IsNode()) {
      if (!ApplyNode(*c, m.value, target, options, scratch)) return false;
    } else {
      if (c->Kind() == KeyKind::kAction || c->Kind() == KeyKind::kVolatile) return false;
      if (!ApplyLeaf(*c, m.value, target, scratch)) return false;
    }
  }
  return true;
}

} // namespace

bool ParseJson(std::string_view text, rapidjson::Document& document) {
  if (text.empty()) return false;
  constexpr unsigned kFlags = rapidjson::kParseIterativeFlag | rapidjson::kParseValidateEncodingFlag;
  document.Parse<kFlags>(text.data(), text.size());
  return !document.HasParseError();
}

bool WriteTree(CommonPropertyHandle const& handle, JsonView const& view, JsonWriter& writer) {
  if (view.image == JsonView::Image::kBank && view.bank >= kBankCount) return false;
  if (handle.IsNode()) {
    WriteNode(handle, view, writer);
    return true;
  }
  if (handle.Info() == nullptr || handle.Kind() == KeyKind::kAction) return false;
  unsigned char const* value = ValueAddress(handle, view);
  if (value == nullptr) return false;
  WriteValue(handle.Info()->type, value, writer);
  return true;
}

bool ApplyJson(CommonPropertyHandle const& handle, rapidjson::Value const& value, WriteTarget const& target,
               ApplyOptions const& options, std::vector<unsigned char>& scratch) {
  if (handle.IsNode()) return ApplyNode(handle, value, target, options, scratch);
  return ApplyLeaf(handle, value, target, scratch);
}

} // namespace ivra_configuration
