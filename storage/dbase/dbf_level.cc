// DbfLevel: see dbf_level.h. Widths follow the format notes' table of types
// (dbase.md §4 and §12); storage/doc/dbf_format.md repeats it.
#include "storage/dbase/dbf_level.h"

#include <string>

#include "storage/api/codes.h"

namespace kx::storage {
namespace {

constexpr DbfLevel kLevels[] = {
    {3, false, 32, 32, 128, 10, 4000, MemoKind::kDbt3, 0x03, 0x83, false},
    {4, false, 32, 32, 255, 10, 32767, MemoKind::kDbt4, 0x03, 0x8B, false},
    {5, false, 32, 32, 255, 10, 32767, MemoKind::kDbt4, 0x03, 0x8B, false},
    {7, false, 68, 48, 1024, 31, 32767, MemoKind::kDbt4, 0x04, 0x8C, false},
    {25, true, 32, 32, 255, 10, 32767, MemoKind::kFpt, 0x03, 0xF5, true},
};

Status CannotHold(const DbfField& f, int level, const std::string& why) {
  std::string where = "field " + f.name;
  return Status::Error(DBIERR_CANNOTCONVERT,
                       "a level " + std::to_string(level) + " table cannot hold field '" + f.name +
                           "': " + why,
                       std::string(), where);
}

}  // namespace

const DbfLevel* FindDbfLevel(int level) {
  for (const DbfLevel& l : kLevels) {
    if (l.level == level) return &l;
  }
  return nullptr;
}

bool IsMemoFieldType(char type, bool foxpro) {
  return type == 'M' || type == 'G' || type == 'P' || (!foxpro && type == 'B');
}

bool HasFixedWidth(char type) {
  switch (type) {
    case 'D': case 'L': case 'M': case 'B': case 'G': case 'P':
    case 'I': case '+': case 'O': case '@':
      return true;
    default:
      return false;
  }
}

int MaxFieldWidth(int level, char type) {
  const bool l3 = level == 3, l7 = level == 7, fox = level == 25;
  const bool l5up = level == 5 || l7;
  switch (type) {
    case 'C': return 254;
    case 'N': return l3 ? 19 : 20;
    case 'F': return l3 ? 0 : 20;
    case 'D': return 8;
    case 'L': return 1;
    case 'M': return 10;
    case 'B': return l5up ? 10 : 0;
    case 'G': return l5up || fox ? 10 : 0;
    case 'P': return fox ? 10 : 0;
    case 'I': case '+': return l7 ? 4 : 0;
    case 'O': case '@': return l7 ? 8 : 0;
    default: return 0;
  }
}

Status CheckFieldFitsLevel(const DbfField& field, int level) {
  const DbfLevel* rules = FindDbfLevel(level);
  if (rules == nullptr) {
    return Status::Error(DBIERR_INVALIDVALUE, "no table level " + std::to_string(level));
  }
  const int max = MaxFieldWidth(level, field.type);
  if (max == 0) {
    return CannotHold(field, level, std::string("it has no fields of type ") + field.type);
  }
  if (HasFixedWidth(field.type) ? field.length != max : field.length > max) {
    return CannotHold(field, level,
                      std::string("type ") + field.type + " of width " +
                          std::to_string(field.length) + " (at most " + std::to_string(max) + ")");
  }
  if (field.name.size() > rules->max_name) {
    return CannotHold(field, level,
                      "the name is longer than " + std::to_string(rules->max_name) + " characters");
  }
  return Status::OK();
}

}  // namespace kx::storage
