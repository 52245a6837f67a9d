// ExprEvaluator: evaluates a compiled ExprProgram on one record.
//
// Character values are (pointer, size) views: into the record for a field,
// into the program's pool for a literal, or into the caller's work area for
// a node that builds bytes (each such node owns the slot the parser gave
// it, so no value is overwritten while still in use). A character value's
// size may be below its node's length (TRIM() and friends); the caller pads
// the final key. Nothing here allocates, and recursion is bounded by the
// program's depth limit.
#pragma once

#include <cstdint>

#include "storage/dbase/expr/expr_program.h"

namespace kx::storage {

struct ExprValue {
  const unsigned char* bytes = nullptr;  // C
  int size = 0;                          // C: bytes in use, <= node length
  double number = 0;                     // N; D as a Julian day, 0 = blank
  bool logical = false;                  // L
};

class ExprEvaluator {
 public:
  // REQUIRES: `work` holds program.work_bytes bytes; `record` spans every
  // field the program reads.
  ExprEvaluator(const ExprProgram& program, const unsigned char* record, std::uint32_t recno,
                unsigned char* work)
      : program_(program), record_(record), recno_(recno), work_(work) {}

  ExprValue Eval(int index) const;

 private:
  ExprValue EvalField(const ExprNode& node) const;
  ExprValue EvalOperator(const ExprNode& node) const;
  ExprValue EvalComparison(const ExprNode& node) const;
  ExprValue EvalCall(const ExprNode& node) const;
  ExprValue EvalStringCall(const ExprNode& node) const;
  unsigned char* Slot(const ExprNode& node) const { return work_ + node.slot; }

  const ExprProgram& program_;
  const unsigned char* record_;
  std::uint32_t recno_;
  unsigned char* work_;
};

}  // namespace kx::storage
