// Type-information records: the kind of value a published property holds
// and the name of its type.
//
// A record is laid out as the class library lays it out: one kind byte, then
// the type's name as a short string (one length byte and up to 255
// characters). The records of the built-in property types (AnsiString,
// Boolean, Integer) live as long as the program. A record made with
// NewTypeInfo belongs to its maker, who frees it with FreeTypeInfo;
// LiveTypeInfoRecords counts the made records still alive, so that a package
// loaded and unloaded again can be seen to leave none behind.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kx {

enum TTypeKind : std::uint8_t {
  tkUnknown, tkInteger, tkChar, tkEnumeration, tkFloat, tkString, tkSet, tkClass, tkMethod,
  tkWChar, tkLString, tkWString, tkVariant, tkArray, tkRecord, tkInterface, tkInt64, tkDynArray
};

struct TTypeInfo {
  TTypeKind Kind;
  std::uint8_t NameLength;  // the short string's length byte
  char NameChars[255];

  std::string Name() const { return std::string(NameChars, NameLength); }
};
static_assert(offsetof(TTypeInfo, NameLength) == 1 && offsetof(TTypeInfo, NameChars) == 2);

using PTypeInfo = TTypeInfo*;

// Makes a record on the heap. A name longer than 255 characters raises
// ERangeError and makes nothing.
TTypeInfo* NewTypeInfo(TTypeKind kind, std::string_view name);
// Frees a record made by NewTypeInfo; null is allowed.
void FreeTypeInfo(TTypeInfo* info);
// How many records made by NewTypeInfo are alive.
int LiveTypeInfoRecords();

// True when both describe the same type: the same record, or the same kind
// and name (letter case aside).
bool SameType(const TTypeInfo* a, const TTypeInfo* b);

const TTypeInfo* TypeInfoAnsiString();
const TTypeInfo* TypeInfoBoolean();
const TTypeInfo* TypeInfoInteger();

// The record of a property type T; null for the types without one.
template <class T>
struct TypeInfoOf {
  static const TTypeInfo* Get() { return nullptr; }
};
template <>
struct TypeInfoOf<std::string> {
  static const TTypeInfo* Get() { return TypeInfoAnsiString(); }
};
template <>
struct TypeInfoOf<bool> {
  static const TTypeInfo* Get() { return TypeInfoBoolean(); }
};
template <>
struct TypeInfoOf<int> {
  static const TTypeInfo* Get() { return TypeInfoInteger(); }
};

}  // namespace kx
