// The function catalogue: lookup and typing of calls (see expr_functions.h).
#include "storage/dbase/expr/expr_functions.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "storage/dbase/expr/key_expr.h"

namespace kx::storage {
namespace {

constexpr FunctionInfo kFunctions[] = {
    {"UPPER", ExprFunc::kUpper, 1, 1},     {"LOWER", ExprFunc::kLower, 1, 1},
    {"STR", ExprFunc::kStr, 1, 3},         {"DTOS", ExprFunc::kDtos, 1, 1},
    {"DTOC", ExprFunc::kDtoc, 1, 1},       {"CTOD", ExprFunc::kCtod, 1, 1},
    {"STOD", ExprFunc::kStod, 1, 1},       {"SUBSTR", ExprFunc::kSubstr, 2, 3},
    {"LEFT", ExprFunc::kLeft, 2, 2},       {"RIGHT", ExprFunc::kRight, 2, 2},
    {"TRIM", ExprFunc::kTrim, 1, 1},       {"RTRIM", ExprFunc::kTrim, 1, 1},
    {"LTRIM", ExprFunc::kLtrim, 1, 1},     {"ALLTRIM", ExprFunc::kAlltrim, 1, 1},
    {"IIF", ExprFunc::kIif, 3, 3},         {"VAL", ExprFunc::kVal, 1, 1},
    {"DESCEND", ExprFunc::kDescend, 1, 1}, {"SPACE", ExprFunc::kSpace, 1, 1},
    {"REPLICATE", ExprFunc::kReplicate, 2, 2},
    {"DAY", ExprFunc::kDay, 1, 1},         {"MONTH", ExprFunc::kMonth, 1, 1},
    {"YEAR", ExprFunc::kYear, 1, 1},       {"RECNO", ExprFunc::kRecno, 0, 0},
    {"DELETED", ExprFunc::kDeleted, 0, 0}, {"ABS", ExprFunc::kAbs, 1, 1},
    {"INT", ExprFunc::kInt, 1, 1},         {"ROUND", ExprFunc::kRound, 2, 2},
    {"MAX", ExprFunc::kMax, 2, 2},         {"MIN", ExprFunc::kMin, 2, 2},
    {"MOD", ExprFunc::kMod, 2, 2},
};

// A literal integer argument in [low, high], else false.
bool LiteralInt(const ExprNode& arg, int low, int high, int* value) {
  if (arg.op != ExprOp::kConstant || arg.type != 'N') return false;
  if (!(arg.number >= low && arg.number <= high)) return false;
  *value = static_cast<int>(std::trunc(arg.number));
  return true;
}

}  // namespace

const FunctionInfo* FindFunction(const std::string& upper_name) {
  for (const FunctionInfo& f : kFunctions) {
    if (upper_name == f.name) return &f;
  }
  if (upper_name.size() < 4) return nullptr;
  const FunctionInfo* found = nullptr;
  for (const FunctionInfo& f : kFunctions) {
    if (std::strncmp(f.name, upper_name.c_str(), upper_name.size()) == 0) {
      if (found && found->func != f.func) return nullptr;  // ambiguous
      found = &f;
    }
  }
  return found;
}

bool TypeFunctionCall(const FunctionInfo& info, const std::vector<ExprNode>& nodes,
                      const ExprLimits& limits, ExprNode* call, std::string* error) {
  const std::string name = info.name;
  const ExprNode* a[3] = {nullptr, nullptr, nullptr};
  for (int i = 0; i < call->arg_count; ++i) a[i] = &nodes[call->args[i]];
  // Argument i must have type `want`.
  auto expect = [&](int i, char want) {
    if (a[i]->type == want) return true;
    *error = name + "() argument " + std::to_string(i + 1) + " must be " + ExprTypeName(want) +
             ", not " + ExprTypeName(a[i]->type);
    return false;
  };
  auto literal = [&](int i, int low, int high, int* value) {
    if (LiteralInt(*a[i], low, high, value)) return true;
    *error = name + "() argument " + std::to_string(i + 1) + " must be a number from " +
             std::to_string(low) + " to " + std::to_string(high);
    return false;
  };
  const int max_len = limits.max_value_length;
  auto result = [call](char type, int length = 0) {
    call->type = type;
    call->length = length;
    return true;
  };

  switch (info.func) {
    case ExprFunc::kUpper:
    case ExprFunc::kLower:
    case ExprFunc::kTrim:
    case ExprFunc::kLtrim:
    case ExprFunc::kAlltrim:
      return expect(0, 'C') && result('C', a[0]->length);
    case ExprFunc::kStr: {
      int width = 10, decimals = 0;
      if (!expect(0, 'N')) return false;
      if (call->arg_count > 1 && !literal(1, 1, std::min(max_len, 255), &width)) return false;
      if (call->arg_count > 2 && !literal(2, 0, 18, &decimals)) return false;
      call->param[0] = width;
      call->param[1] = decimals;
      return result('C', width);
    }
    case ExprFunc::kDtos:
    case ExprFunc::kDtoc:
      return expect(0, 'D') && result('C', 8);
    case ExprFunc::kCtod:
    case ExprFunc::kStod:
      return expect(0, 'C') && result('D');
    case ExprFunc::kSubstr: {
      if (!expect(0, 'C') || !expect(1, 'N')) return false;
      int start = 0, count = a[0]->length;
      // A literal start shortens the result; a computed one may not.
      if (a[1]->op == ExprOp::kConstant && !literal(1, 1, max_len, &start)) return false;
      int available = start > 0 ? std::max(0, a[0]->length - start + 1) : a[0]->length;
      if (call->arg_count > 2 && !literal(2, 0, max_len, &count)) return false;
      call->param[0] = start;
      call->param[1] = count;
      return result('C', std::min(count, available));
    }
    case ExprFunc::kLeft:
    case ExprFunc::kRight: {
      int count = 0;
      if (!expect(0, 'C') || !literal(1, 0, max_len, &count)) return false;
      call->param[0] = count;
      return result('C', std::min(count, a[0]->length));
    }
    case ExprFunc::kIif:
      if (!expect(0, 'L')) return false;
      if (a[1]->type != a[2]->type) {
        *error = std::string("IIF() branches differ in type: ") + ExprTypeName(a[1]->type) +
                 " and " + ExprTypeName(a[2]->type);
        return false;
      }
      return result(a[1]->type, std::max(a[1]->length, a[2]->length));
    case ExprFunc::kVal:
      return expect(0, 'C') && result('N');
    case ExprFunc::kDescend:
      // Characters are complemented, numbers negated; a date becomes its
      // negated day number, so the result is numeric.
      if (a[0]->type == 'C') return result('C', a[0]->length);
      return result(a[0]->type == 'L' ? 'L' : 'N');
    case ExprFunc::kSpace: {
      int count = 0;
      if (!literal(0, 0, max_len, &count)) return false;
      call->param[0] = count;
      return result('C', count);
    }
    case ExprFunc::kReplicate: {
      int count = 0;
      if (!expect(0, 'C') || !literal(1, 0, max_len, &count)) return false;
      if (static_cast<long long>(count) * a[0]->length > max_len) {
        *error = "REPLICATE() result longer than " + std::to_string(max_len);
        return false;
      }
      call->param[0] = count;
      return result('C', count * a[0]->length);
    }
    case ExprFunc::kDay:
    case ExprFunc::kMonth:
    case ExprFunc::kYear:
      return expect(0, 'D') && result('N');
    case ExprFunc::kRecno:
      return result('N');
    case ExprFunc::kDeleted:
      return result('L');
    case ExprFunc::kAbs:
    case ExprFunc::kInt:
      return expect(0, 'N') && result('N');
    case ExprFunc::kRound: {
      int places = 0;
      if (!expect(0, 'N') || !literal(1, -18, 18, &places)) return false;
      call->param[0] = places;
      return result('N');
    }
    case ExprFunc::kMod:
      return expect(0, 'N') && expect(1, 'N') && result('N');
    case ExprFunc::kMax:
    case ExprFunc::kMin:
      if ((a[0]->type != 'N' && a[0]->type != 'D') || a[1]->type != a[0]->type) {
        *error = name + "() needs two numbers or two dates";
        return false;
      }
      return result(a[0]->type);
    case ExprFunc::kNone:
      break;
  }
  *error = "unknown function " + name;
  return false;
}

}  // namespace kx::storage
