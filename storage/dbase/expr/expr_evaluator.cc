// ExprEvaluator: fields, constants, operators and comparisons (see
// expr_evaluator.h). Function calls are in expr_calls.cc.
#include "storage/dbase/expr/expr_evaluator.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "storage/dbase/expr/expr_values.h"

namespace kx::storage {
namespace {

// Compares two character values byte by byte, the shorter padded with
// blanks. With `right_length_only` (SET EXACT OFF) only as many bytes as
// the right value has take part, so "SMITH  " = "SMITH" holds.
int CompareChars(const ExprValue& a, const ExprValue& b, bool right_length_only) {
  const int n = right_length_only ? b.size : std::max(a.size, b.size);
  for (int i = 0; i < n; ++i) {
    const unsigned char ca = i < a.size ? a.bytes[i] : ' ';
    const unsigned char cb = i < b.size ? b.bytes[i] : ' ';
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  return 0;
}

int CompareNumbers(double a, double b) { return a < b ? -1 : (a > b ? 1 : 0); }

bool Holds(CompareOp op, int order) {
  switch (op) {
    case CompareOp::kEq: return order == 0;
    case CompareOp::kNe: return order != 0;
    case CompareOp::kLt: return order < 0;
    case CompareOp::kGt: return order > 0;
    case CompareOp::kLe: return order <= 0;
    case CompareOp::kGe: return order >= 0;
  }
  return false;
}

ExprValue Number(double value) {
  ExprValue v;
  v.number = FiniteOrZero(value);
  return v;
}

ExprValue Logical(bool value) {
  ExprValue v;
  v.logical = value;
  return v;
}

}  // namespace

ExprValue ExprEvaluator::Eval(int index) const {
  const ExprNode& node = program_.nodes[index];
  switch (node.op) {
    case ExprOp::kField:
      return EvalField(node);
    case ExprOp::kConstant: {
      ExprValue v;
      v.number = node.number;
      v.logical = node.logical;
      if (node.type == 'C') {
        v.bytes = reinterpret_cast<const unsigned char*>(program_.pool.data()) + node.text_pos;
        v.size = node.length;
      }
      return v;
    }
    case ExprOp::kCompare:
    case ExprOp::kExactEqual:
    case ExprOp::kContains:
      return EvalComparison(node);
    case ExprOp::kCall:
      return EvalCall(node);
    default:
      return EvalOperator(node);
  }
}

ExprValue ExprEvaluator::EvalField(const ExprNode& node) const {
  const unsigned char* p = record_ + node.field_offset;
  ExprValue v;
  switch (node.type) {
    case 'C':
      v.bytes = p;
      v.size = node.field_length;
      break;
    case 'N':
      v.number = DecodeNumericField(node.field_type, p, node.field_length);
      break;
    case 'D':
      v.number = ParseDtosText(p, node.field_length);
      break;
    default:
      v.logical = p[0] == 'T' || p[0] == 't' || p[0] == 'Y' || p[0] == 'y';
      break;
  }
  return v;
}

ExprValue ExprEvaluator::EvalOperator(const ExprNode& node) const {
  const ExprValue a = Eval(node.args[0]);
  // .AND. and .OR. stop early, as the old products do.
  if (node.op == ExprOp::kNot) return Logical(!a.logical);
  if (node.op == ExprOp::kNegate) return Number(-a.number);
  if (node.op == ExprOp::kAnd && !a.logical) return Logical(false);
  if (node.op == ExprOp::kOr && a.logical) return Logical(true);
  const ExprValue b = Eval(node.args[1]);
  switch (node.op) {
    case ExprOp::kAnd:
    case ExprOp::kOr:
      return Logical(b.logical);
    case ExprOp::kConcat: {
      unsigned char* out = Slot(node);
      std::memcpy(out, a.bytes, a.size);
      std::memcpy(out + a.size, b.bytes, b.size);
      ExprValue v;
      v.bytes = out;
      v.size = a.size + b.size;
      return v;
    }
    case ExprOp::kConcatMoveBlanks: {
      int kept = a.size;
      while (kept > 0 && a.bytes[kept - 1] == ' ') --kept;
      unsigned char* out = Slot(node);
      std::memcpy(out, a.bytes, kept);
      std::memcpy(out + kept, b.bytes, b.size);
      std::memset(out + kept + b.size, ' ', a.size - kept);
      ExprValue v;
      v.bytes = out;
      v.size = a.size + b.size;
      return v;
    }
    case ExprOp::kAdd: return Number(a.number + b.number);
    case ExprOp::kSubtract: return Number(a.number - b.number);
    case ExprOp::kMultiply: return Number(a.number * b.number);
    case ExprOp::kDivide: return Number(b.number == 0 ? 0 : a.number / b.number);
    case ExprOp::kModulo: {
      if (b.number == 0) return Number(0);
      double r = std::fmod(a.number, b.number);
      if (r != 0 && ((r < 0) != (b.number < 0))) r += b.number;  // sign of the divisor
      return Number(r);
    }
    case ExprOp::kPower: return Number(std::pow(a.number, b.number));
    // A blank date stays blank whatever is added to it.
    case ExprOp::kDatePlus:
      return Number(a.number == 0 ? 0 : NormalizeJulian(a.number + std::trunc(b.number)));
    case ExprOp::kDateMinus:
      return Number(a.number == 0 ? 0 : NormalizeJulian(a.number - std::trunc(b.number)));
    case ExprOp::kDateDiff:
      return Number(a.number - b.number);
    default:
      return ExprValue();
  }
}

ExprValue ExprEvaluator::EvalComparison(const ExprNode& node) const {
  const ExprValue a = Eval(node.args[0]);
  const ExprValue b = Eval(node.args[1]);
  const char type = program_.nodes[node.args[0]].type;
  if (node.op == ExprOp::kContains) {
    if (a.size == 0 || a.size > b.size) return Logical(false);
    return Logical(std::search(b.bytes, b.bytes + b.size, a.bytes, a.bytes + a.size) !=
                   b.bytes + b.size);
  }
  int order = 0;
  switch (type) {
    case 'C': order = CompareChars(a, b, node.op != ExprOp::kExactEqual); break;
    case 'L': order = a.logical == b.logical ? 0 : 1; break;
    default: order = CompareNumbers(a.number, b.number); break;
  }
  return Logical(Holds(node.op == ExprOp::kExactEqual ? CompareOp::kEq : node.compare, order));
}

}  // namespace kx::storage
