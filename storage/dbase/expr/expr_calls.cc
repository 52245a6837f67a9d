// ExprEvaluator: function calls. Argument types and literal parameters were
// checked by TypeFunctionCall, so each case reads them without checking.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "storage/dbase/expr/expr_evaluator.h"
#include "storage/dbase/expr/expr_values.h"

namespace kx::storage {
namespace {

ExprValue Number(double value) {
  ExprValue v;
  v.number = FiniteOrZero(value);
  return v;
}

ExprValue Chars(const unsigned char* bytes, int size) {
  ExprValue v;
  v.bytes = bytes;
  v.size = size;
  return v;
}

}  // namespace

ExprValue ExprEvaluator::EvalCall(const ExprNode& node) const {
  switch (node.func) {
    case ExprFunc::kRecno:
      return Number(recno_);
    case ExprFunc::kDeleted: {
      ExprValue v;
      v.logical = record_[0] == '*';
      return v;
    }
    case ExprFunc::kIif: {
      const bool condition = Eval(node.args[0]).logical;
      return Eval(node.args[condition ? 1 : 2]);
    }
    case ExprFunc::kMax:
    case ExprFunc::kMin: {
      const double a = Eval(node.args[0]).number;
      const double b = Eval(node.args[1]).number;
      return Number(node.func == ExprFunc::kMax ? std::max(a, b) : std::min(a, b));
    }
    case ExprFunc::kMod: {
      const double a = Eval(node.args[0]).number;
      const double b = Eval(node.args[1]).number;
      if (b == 0) return Number(0);
      double r = std::fmod(a, b);
      if (r != 0 && ((r < 0) != (b < 0))) r += b;
      return Number(r);
    }
    default:
      break;
  }
  if (node.func == ExprFunc::kSpace) {
    std::memset(Slot(node), ' ', node.param[0]);
    return Chars(Slot(node), node.param[0]);
  }
  const ExprValue a = Eval(node.args[0]);
  int y = 0, m = 0, d = 0;
  switch (node.func) {
    case ExprFunc::kStr:
      FormatStr(a.number, node.param[0], node.param[1], Slot(node));
      return Chars(Slot(node), node.param[0]);
    case ExprFunc::kDtos:
      FormatDtos(a.number, Slot(node));
      return Chars(Slot(node), 8);
    case ExprFunc::kDtoc:
      FormatDtoc(a.number, Slot(node));
      return Chars(Slot(node), 8);
    case ExprFunc::kCtod:
      return Number(ParseDtocText(a.bytes, a.size));
    case ExprFunc::kStod:
      return Number(ParseDtosText(a.bytes, a.size));
    case ExprFunc::kVal:
      return Number(ParseNumberText(a.bytes, a.size));
    case ExprFunc::kDay:
    case ExprFunc::kMonth:
    case ExprFunc::kYear:
      if (!YmdFromJulian(a.number, &y, &m, &d)) return Number(0);
      return Number(node.func == ExprFunc::kDay ? d : node.func == ExprFunc::kMonth ? m : y);
    case ExprFunc::kAbs:
      return Number(std::fabs(a.number));
    case ExprFunc::kInt:
      return Number(std::trunc(a.number));
    case ExprFunc::kRound:
      return Number(RoundHalfAway(a.number, node.param[0]));
    case ExprFunc::kDescend: {
      const char type = program_.nodes[node.args[0]].type;
      if (type == 'L') {
        ExprValue v;
        v.logical = !a.logical;
        return v;
      }
      if (type != 'C') return Number(-a.number);
      // Complement over the full declared length, padding included, so the
      // whole key sorts in reverse.
      unsigned char* out = Slot(node);
      for (int i = 0; i < node.length; ++i) {
        out[i] = static_cast<unsigned char>(~(i < a.size ? a.bytes[i] : ' '));
      }
      return Chars(out, node.length);
    }
    default:
      return EvalStringCall(node);
  }
}

// The calls whose first argument is a character value that they cut or
// rebuild.
ExprValue ExprEvaluator::EvalStringCall(const ExprNode& node) const {
  const ExprValue a = Eval(node.args[0]);
  switch (node.func) {
    case ExprFunc::kUpper:
    case ExprFunc::kLower: {
      const unsigned char* map = node.func == ExprFunc::kUpper ? program_.upper : program_.lower;
      unsigned char* out = Slot(node);
      for (int i = 0; i < a.size; ++i) out[i] = map[a.bytes[i]];
      return Chars(out, a.size);
    }
    case ExprFunc::kSubstr: {
      double start = node.param[0];
      if (start == 0) start = Eval(node.args[1]).number;  // a computed start
      if (!(start >= 1)) start = 1;
      if (start > a.size) return Chars(a.bytes, 0);
      const int from = static_cast<int>(start) - 1;
      return Chars(a.bytes + from, std::min({node.param[1], a.size - from, node.length}));
    }
    case ExprFunc::kLeft:
      return Chars(a.bytes, std::min(node.param[0], a.size));
    case ExprFunc::kRight: {
      const int n = std::min(node.param[0], a.size);
      return Chars(a.bytes + a.size - n, n);
    }
    case ExprFunc::kTrim:
    case ExprFunc::kLtrim:
    case ExprFunc::kAlltrim: {
      int from = 0, to = a.size;
      if (node.func != ExprFunc::kTrim) {
        while (from < to && a.bytes[from] == ' ') ++from;
      }
      if (node.func != ExprFunc::kLtrim) {
        while (to > from && a.bytes[to - 1] == ' ') --to;
      }
      return Chars(a.bytes + from, to - from);
    }
    case ExprFunc::kReplicate: {
      unsigned char* out = Slot(node);
      for (int i = 0; i < node.param[0]; ++i) std::memcpy(out + i * a.size, a.bytes, a.size);
      return Chars(out, a.size * node.param[0]);
    }
    default:
      return Chars(a.bytes, 0);
  }
}

}  // namespace kx::storage
