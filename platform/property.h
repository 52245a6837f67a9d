// Published properties: small objects bound to a field (or to a getter and a
// setter), registered with their owner under a name, with a default.
//
//   bool FVisiMode = false;
//   TProp<bool> VisiMode{this, "VisiMode", FVisiMode, false};
//   kx.VisiMode = true;           // writes FVisiMode (or calls the setter)
//   if (kx.VisiMode) ...          // reads it
//
// One mechanism serves the form reader (ReadValue from a parsed value) and
// the writer (ValueText, and Stored: false when the value is the default).
// How a type looks in form text is its PropCodec: numbers, True/False,
// quoted texts, identifiers of an enumeration (EnumInfo), sets [a, b],
// string lists ('a' 'b'), component references and event handlers by name
// (component.h). Font and Items are sub-objects (TSubObjectProp) whose own
// properties are written as "Font.Name = ...".
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "platform/persistent.h"
#include "platform/type_info.h"

namespace kx {

class TComponent;

// One value of a form description, as the parser found it.
struct FormValue {
  enum class Type { Integer, String, Ident, Set, List };
  Type type = Type::Integer;
  long long integer = 0;
  std::string text;                // String, Ident
  std::vector<std::string> items;  // Set (identifiers), List (texts)
};

// What a form read needs beyond one value: the form that is being read, and
// the work left for when every component exists (references by name).
struct ReadContext {
  TComponent* root = nullptr;
  std::vector<std::function<void()>> fixups;
};

class PropertyBase {
 public:
  PropertyBase(TPersistent* owner, const char* name);
  virtual ~PropertyBase() = default;
  PropertyBase(const PropertyBase&) = delete;
  PropertyBase& operator=(const PropertyBase&) = delete;

  const char* Name() const { return name_; }
  // False when the writer leaves the property out (default value, or a
  // property that is not stored at all).
  virtual bool Stored() const = 0;
  // The value in form syntax.
  virtual std::string ValueText() const = 0;
  // Sets the property from a parsed value; raises EReadError on a mismatch.
  virtual void ReadValue(const FormValue& value, ReadContext& context) = 0;
  // For a sub-object property (Font, Items): the object whose properties
  // follow its name after a dot.
  virtual TPersistent* SubObject() const { return nullptr; }
  // The type of the value (null for the types without a record): what a
  // property editor is registered for.
  virtual const TTypeInfo* PropType() const { return nullptr; }

 private:
  const char* name_;
};

[[noreturn]] void ThrowPropertyMismatch(const char* expected, const FormValue& value);
std::string QuoteFormString(std::string_view text);

// Identifiers of an enumeration (or named values of a number, like colours).
struct EnumInfo {
  std::vector<std::pair<const char*, long long>> idents;
  bool numbers_allowed = false;

  const char* NameOf(long long value) const;
  std::optional<long long> ValueOf(std::string_view name) const;
};

// A set over an enumeration of at most 32 members.
template <class E>
class TSet {
 public:
  TSet() = default;
  TSet(std::initializer_list<E> members) {
    for (E e : members) Include(e);
  }
  static TSet FromBits(std::uint32_t bits) {
    TSet s;
    s.bits_ = bits;
    return s;
  }
  bool Contains(E e) const { return bits_ & Bit(e); }
  TSet& Include(E e) { bits_ |= Bit(e); return *this; }
  TSet& Exclude(E e) { bits_ &= ~Bit(e); return *this; }
  bool Empty() const { return bits_ == 0; }
  std::uint32_t bits() const { return bits_; }
  friend bool operator==(const TSet& a, const TSet& b) { return a.bits_ == b.bits_; }

 private:
  static std::uint32_t Bit(E e) { return 1u << static_cast<unsigned>(e); }
  std::uint32_t bits_ = 0;
};

using Assign = std::function<void(const FormValue&)>;

template <class T, class Enable = void>
struct PropCodec;

template <>
struct PropCodec<bool> {
  static std::string Write(bool v) { return v ? "True" : "False"; }
  static void Read(const FormValue& v, ReadContext&, const std::function<void(const bool&)>& set);
};

template <class T>
struct PropCodec<T, std::enable_if_t<std::is_integral_v<T> && !std::is_same_v<T, bool>>> {
  static std::string Write(T v) { return std::to_string(v); }
  static void Read(const FormValue& v, ReadContext&, const std::function<void(const T&)>& set) {
    if (v.type != FormValue::Type::Integer) ThrowPropertyMismatch("a number", v);
    set(static_cast<T>(v.integer));
  }
};

template <>
struct PropCodec<std::string> {
  static std::string Write(const std::string& v) { return QuoteFormString(v); }
  static void Read(const FormValue& v, ReadContext&, const std::function<void(const std::string&)>& set);
};

template <>
struct PropCodec<std::vector<std::string>> {
  static std::string Write(const std::vector<std::string>& v);
  static void Read(const FormValue& v, ReadContext&,
                   const std::function<void(const std::vector<std::string>&)>& set);
};

// Enumerations: each declares `const EnumInfo& EnumInfoOf(E)` beside itself.
template <class E>
struct PropCodec<E, std::enable_if_t<std::is_enum_v<E>>> {
  static std::string Write(E v) {
    const EnumInfo& info = EnumInfoOf(E{});
    if (const char* name = info.NameOf(static_cast<long long>(v))) return name;
    return std::to_string(static_cast<long long>(v));
  }
  static void Read(const FormValue& v, ReadContext&, const std::function<void(const E&)>& set) {
    const EnumInfo& info = EnumInfoOf(E{});
    if (v.type == FormValue::Type::Ident) {
      if (auto value = info.ValueOf(v.text)) return set(static_cast<E>(*value));
    } else if (v.type == FormValue::Type::Integer && info.numbers_allowed) {
      return set(static_cast<E>(v.integer));
    }
    ThrowPropertyMismatch("a known identifier", v);
  }
};

template <class E>
struct PropCodec<TSet<E>> {
  static std::string Write(const TSet<E>& v) {
    const EnumInfo& info = EnumInfoOf(E{});
    std::string out = "[";
    for (const auto& [name, value] : info.idents) {
      if (!v.Contains(static_cast<E>(value))) continue;
      if (out.size() > 1) out += ", ";
      out += name;
    }
    return out + "]";
  }
  static void Read(const FormValue& v, ReadContext&, const std::function<void(const TSet<E>&)>& set) {
    if (v.type != FormValue::Type::Set) ThrowPropertyMismatch("a set", v);
    const EnumInfo& info = EnumInfoOf(E{});
    TSet<E> result;
    for (const std::string& item : v.items) {
      auto value = info.ValueOf(item);
      if (!value) ThrowPropertyMismatch("a known set member", FormValue{FormValue::Type::Ident, 0, item, {}});
      result.Include(static_cast<E>(*value));
    }
    set(result);
  }
};

// A property of type T. Either bound to a field (with an optional setter that
// replaces the plain write) or computed by a getter and a setter.
template <class T>
class TProp final : public PropertyBase {
 public:
  using Getter = std::function<T()>;
  using Setter = std::function<void(const T&)>;

  TProp(TPersistent* owner, const char* name, T& field, T default_value, Setter setter = {})
      : PropertyBase(owner, name), field_(&field), default_(std::move(default_value)),
        setter_(std::move(setter)) {}
  // A computed property; it is written only when `default_value` is given
  // and differs from the value.
  TProp(TPersistent* owner, const char* name, Getter getter, Setter setter,
        std::optional<T> default_value = std::nullopt)
      : PropertyBase(owner, name), getter_(std::move(getter)), setter_(std::move(setter)),
        stored_(default_value.has_value()) {
    if (default_value) default_ = std::move(*default_value);
  }

  T Get() const { return getter_ ? getter_() : *field_; }
  void Set(const T& value) {
    if (setter_) setter_(value);
    else *field_ = value;
  }
  TProp& operator=(const T& value) { Set(value); return *this; }
  TProp& operator=(const TProp& other) { Set(other.Get()); return *this; }
  operator T() const { return Get(); }
  template <class U = T, class = std::enable_if_t<std::is_pointer_v<U>>>
  U operator->() const { return Get(); }

  friend bool operator==(const TProp& p, const T& v) { return p.Get() == v; }
  friend std::ostream& operator<<(std::ostream& os, const TProp& p) {
    if constexpr (requires(std::ostream& o, const T& t) { o << t; }) os << p.Get();
    else os << p.ValueText();
    return os;
  }

  void SetStored(bool stored) { stored_ = stored; }
  bool Stored() const override { return stored_ && !(Get() == default_); }
  std::string ValueText() const override { return PropCodec<T>::Write(Get()); }
  void ReadValue(const FormValue& value, ReadContext& context) override {
    PropCodec<T>::Read(value, context, [this](const T& v) { Set(v); });
  }
  const TTypeInfo* PropType() const override { return TypeInfoOf<T>::Get(); }

 private:
  T* field_ = nullptr;
  Getter getter_;
  T default_{};
  Setter setter_;
  bool stored_ = true;
};

// A property that is an object of its own (a font, a string list).
class TSubObjectProp final : public PropertyBase {
 public:
  TSubObjectProp(TPersistent* owner, const char* name, TPersistent* object)
      : PropertyBase(owner, name), object_(object) {}
  TPersistent* SubObject() const override { return object_; }
  bool Stored() const override;
  std::string ValueText() const override { return {}; }
  void ReadValue(const FormValue& value, ReadContext&) override;

 private:
  TPersistent* object_;
};

}  // namespace kx
