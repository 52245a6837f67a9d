// Type-information records.
#include "platform/type_info.h"

#include <atomic>
#include <cstring>

#include "platform/sys_utils.h"

namespace kx {
namespace {

std::atomic<int> live_records{0};

TTypeInfo MakeRecord(TTypeKind kind, std::string_view name) {
  TTypeInfo info{};
  info.Kind = kind;
  info.NameLength = static_cast<std::uint8_t>(name.size());
  std::memcpy(info.NameChars, name.data(), name.size());
  return info;
}

}  // namespace

TTypeInfo* NewTypeInfo(TTypeKind kind, std::string_view name) {
  if (name.size() > sizeof(TTypeInfo::NameChars))
    throw ERangeError("type name of " + std::to_string(name.size()) + " characters (at most 255)");
  TTypeInfo* info = new TTypeInfo(MakeRecord(kind, name));
  ++live_records;
  return info;
}

void FreeTypeInfo(TTypeInfo* info) {
  if (!info) return;
  delete info;
  --live_records;
}

int LiveTypeInfoRecords() { return live_records.load(); }

bool SameType(const TTypeInfo* a, const TTypeInfo* b) {
  if (a == b) return true;
  if (!a || !b) return false;
  return a->Kind == b->Kind && SameText(a->Name(), b->Name());
}

const TTypeInfo* TypeInfoAnsiString() {
  static const TTypeInfo info = MakeRecord(tkLString, "AnsiString");
  return &info;
}

const TTypeInfo* TypeInfoBoolean() {
  static const TTypeInfo info = MakeRecord(tkEnumeration, "Boolean");
  return &info;
}

const TTypeInfo* TypeInfoInteger() {
  static const TTypeInfo info = MakeRecord(tkInteger, "Integer");
  return &info;
}

}  // namespace kx
