// Codecs and helpers of property.h.
#include "platform/property.h"

#include "platform/sys_utils.h"

namespace kx {
namespace {

std::string Describe(const FormValue& v) {
  switch (v.type) {
    case FormValue::Type::Integer: return std::to_string(v.integer);
    case FormValue::Type::String: return QuoteFormString(v.text);
    case FormValue::Type::Ident: return v.text;
    case FormValue::Type::Set: return "a set";
    case FormValue::Type::List: return "a list";
  }
  return "?";
}

}  // namespace

void ThrowPropertyMismatch(const char* expected, const FormValue& value) {
  throw EReadError(std::string("Invalid property value: expected ") + expected + ", found " +
                   Describe(value));
}

std::string QuoteFormString(std::string_view text) {
  std::string out;
  bool quoted = false;
  for (unsigned char c : text) {
    if (c >= 32 && c < 127) {
      if (!quoted) out += '\'';
      quoted = true;
      out += static_cast<char>(c);
      if (c == '\'') out += '\'';
    } else {
      if (quoted) out += '\'';
      quoted = false;
      out += '#' + std::to_string(c);
    }
  }
  if (quoted) out += '\'';
  if (out.empty()) out = "''";
  return out;
}

const char* EnumInfo::NameOf(long long value) const {
  for (const auto& [name, v] : idents) {
    if (v == value) return name;
  }
  return nullptr;
}

std::optional<long long> EnumInfo::ValueOf(std::string_view name) const {
  for (const auto& [n, v] : idents) {
    if (SameText(n, name)) return v;
  }
  return std::nullopt;
}

void PropCodec<bool>::Read(const FormValue& v, ReadContext&, const std::function<void(const bool&)>& set) {
  if (v.type == FormValue::Type::Ident && SameText(v.text, "True")) return set(true);
  if (v.type == FormValue::Type::Ident && SameText(v.text, "False")) return set(false);
  ThrowPropertyMismatch("True or False", v);
}

void PropCodec<std::string>::Read(const FormValue& v, ReadContext&,
                                  const std::function<void(const std::string&)>& set) {
  if (v.type != FormValue::Type::String) ThrowPropertyMismatch("a text", v);
  set(v.text);
}

std::string PropCodec<std::vector<std::string>>::Write(const std::vector<std::string>& v) {
  std::string out = "(";
  for (const std::string& s : v) out += "\n" + QuoteFormString(s);
  return out + ")";
}

void PropCodec<std::vector<std::string>>::Read(
    const FormValue& v, ReadContext&, const std::function<void(const std::vector<std::string>&)>& set) {
  if (v.type != FormValue::Type::List) ThrowPropertyMismatch("a list of texts", v);
  set(v.items);
}

bool TSubObjectProp::Stored() const {
  for (PropertyBase* p : object_->Properties()) {
    if (p->Stored()) return true;
  }
  return false;
}

void TSubObjectProp::ReadValue(const FormValue& value, ReadContext&) {
  ThrowPropertyMismatch("a property of the sub-object", value);
}

}  // namespace kx
