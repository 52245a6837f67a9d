// A small record layout and record for the expression tests: one field of
// each type an expression can read, built in code.
#pragma once

#include <cstring>
#include <string>
#include <vector>

#include "storage/dbase/expr/key_expr.h"

namespace kx::storage::expr_test {

// Field name, type, length, decimals and the bytes stored in the record.
struct FixtureField {
  const char* name;
  char type;
  int length;
  int decimals;
  std::string bytes;
};

inline const std::vector<FixtureField>& FixtureFields() {
  static const std::vector<FixtureField> fields = {
      {"NAME", 'C', 10, 0, "Smith     "},
      {"FIRST", 'C', 8, 0, "John    "},
      {"CITY", 'C', 12, 0, "  Paris     "},
      {"AMOUNT", 'N', 10, 2, "   -123.45"},
      {"QTY", 'N', 5, 0, "   42"},
      {"BORN", 'D', 8, 0, "19700101"},
      {"HIRED", 'D', 8, 0, "20240229"},
      {"NODATE", 'D', 8, 0, "        "},
      {"ACTIVE", 'L', 1, 0, "T"},
      {"COUNT", 'I', 4, 0, std::string("\x80\x00\x00\x07", 4)},
      {"PRICE", 'O', 8, 0, std::string("\xC0\x04\x00\x00\x00\x00\x00\x00", 8)},
      {"BADNUM", 'N', 6, 0, "12x4  "},
      {"BADDATE", 'D', 8, 0, "20231399"},
      {"NOTES", 'M', 10, 0, "         5"},
      {"STAMP", '@', 8, 0, std::string(8, '\0')},
  };
  return fields;
}

// The layout: fields packed after the deletion byte, names in mixed case
// as some headers carry them.
inline std::vector<ExprField> FixtureLayout() {
  std::vector<ExprField> layout;
  int offset = 1;
  for (const FixtureField& f : FixtureFields()) {
    layout.push_back({f.name, f.type, offset, f.length, f.decimals});
    offset += f.length;
  }
  return layout;
}

inline std::vector<unsigned char> FixtureRecord(bool deleted = false) {
  std::vector<unsigned char> record(1, deleted ? '*' : ' ');
  for (const FixtureField& f : FixtureFields()) record.insert(record.end(), f.bytes.begin(), f.bytes.end());
  return record;
}

inline std::string Bytes(const KeyValue& v) { return std::string(v.bytes.begin(), v.bytes.end()); }

}  // namespace kx::storage::expr_test
