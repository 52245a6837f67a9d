// KeyExpr: a dBASE key or FOR expression, compiled once against a table's
// field layout and evaluated on raw record buffers.
//
// The language (grammar, types, result lengths, the choices made where the
// old products differ) is written out in storage/doc/expressions.md. A
// compiled expression has a fixed result type and, for character results, a
// fixed length: every evaluation yields exactly length() bytes, blank padded.
// Compile rejects anything it cannot type or bound (unknown names, type
// mismatches, nesting deeper than ExprLimits::max_depth, values longer than
// the limits) with a Status; evaluation never fails on bad data in a record:
// bad numeric text reads as 0, a bad date as the blank date.
//
// Threading: a KeyExpr is immutable after Compile; Evaluate may run on many
// threads at once as long as each passes its own KeyValue.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "storage/api/status.h"

namespace kx::storage {

struct ExprProgram;

// One field of the record layout, as the table header describes it.
struct ExprField {
  std::string name;  // descriptor name; matched case-insensitively
  char type = 'C';   // descriptor type byte: C N F D L M I + O @ B G P ...
  int offset = 0;    // in the record buffer, where the deletion byte is 0
  int length = 0;
  int decimals = 0;
};

// Case mapping for UPPER() and LOWER(). The default maps ASCII letters only;
// a language driver supplies its code page's mapping. Compile reads it once
// into tables, so the object need only live during Compile.
class CaseMap {
 public:
  virtual ~CaseMap() = default;
  virtual unsigned char Upper(unsigned char c) const;
  virtual unsigned char Lower(unsigned char c) const;
  static const CaseMap& Ascii();
};

// Bounds that keep a hostile expression from exhausting stack or memory.
struct ExprLimits {
  int max_key_length = 240;      // a character result (the key itself)
  int max_value_length = 4096;   // any character value inside the expression
  int max_work_bytes = 65536;    // all intermediate character values together
  int max_depth = 64;            // nesting of operators, calls and parentheses
  int max_text_length = 1024;    // characters of expression text
};

// The result of one evaluation. Reuse one KeyValue across records: after the
// first call no evaluation allocates.
struct KeyValue {
  char type = 0;                     // 'C', 'N', 'D' or 'L'
  std::vector<unsigned char> bytes;  // C: exactly KeyExpr::length() bytes
  double number = 0;                 // N: the value; D: Julian day, 0 = blank
  bool logical = false;              // L
  std::vector<unsigned char> work;   // scratch for intermediate values
};

// Julian day number of 1970-01-01; D values count days on this scale.
constexpr double kJulian19700101 = 2440588;

class KeyExpr {
 public:
  // Compiles `text` against `fields`. case_map may be null (ASCII).
  // Codes: DBIERR_INVALIDPARAM for a syntax, name, type or limit error (the
  // message names it and its column; context 0 is the text);
  // DBIERR_NOTSUPPORTED for constructs this engine knows but cannot index
  // soundly (DATE(), timestamp fields). *out is set only on success.
  static Status Compile(const std::string& text, const std::vector<ExprField>& fields,
                        const CaseMap* case_map, std::unique_ptr<KeyExpr>* out);
  static Status Compile(const std::string& text, const std::vector<ExprField>& fields,
                        const CaseMap* case_map, const ExprLimits& limits,
                        std::unique_ptr<KeyExpr>* out);
  // Compiles a FOR filter: as Compile, but the result must be logical and
  // character values are bounded only by max_value_length.
  static Status CompileFilter(const std::string& text, const std::vector<ExprField>& fields,
                              const CaseMap* case_map, std::unique_ptr<KeyExpr>* out);

  ~KeyExpr();
  KeyExpr(const KeyExpr&) = delete;
  KeyExpr& operator=(const KeyExpr&) = delete;

  const std::string& text() const { return text_; }
  // 'C', 'N', 'D' or 'L'.
  char type() const { return type_; }
  // C: the key length; N and D: 8 (a double); L: 1.
  int length() const { return length_; }
  // The index in `fields` when the whole expression is one field, else -1.
  int bare_field() const { return bare_field_; }

  // Evaluates on one record. REQUIRES: record spans every field's
  // offset + length. RECNO() reads `recno` (0 in the first form).
  // Returns DBIERR_INVALIDPARAM only for a null record or out.
  Status Evaluate(const unsigned char* record, KeyValue* out) const;
  Status Evaluate(const unsigned char* record, std::uint32_t recno, KeyValue* out) const;

 private:
  KeyExpr() = default;
  static Status CompileAs(const std::string& text, const std::vector<ExprField>& fields,
                          const CaseMap* case_map, const ExprLimits& limits, bool filter,
                          std::unique_ptr<KeyExpr>* out);

  std::string text_;
  char type_ = 0;
  int length_ = 0;
  int bare_field_ = -1;
  std::unique_ptr<ExprProgram> program_;
};

}  // namespace kx::storage
