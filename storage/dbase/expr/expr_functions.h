// The function catalogue of the expression language: names, argument
// counts and types, and each call's result type and length.
//
// A name matches exactly or, when at least four characters long, as the
// unique prefix of one function name (the old products accept SUBS() for
// SUBSTR() and ALLT() for ALLTRIM()). Arguments that fix a result length
// (STR width, SUBSTR/LEFT/RIGHT count, SPACE, REPLICATE) must be numeric
// literals, so that every key has a length known at compile time.
#pragma once

#include <string>
#include <vector>

#include "storage/dbase/expr/expr_program.h"

namespace kx::storage {

struct ExprLimits;

struct FunctionInfo {
  const char* name;
  ExprFunc func;
  int min_args;
  int max_args;
};

// The function called `upper_name`, or null.
const FunctionInfo* FindFunction(const std::string& upper_name);

// Checks a call's arguments (already typed, in nodes) and sets the call
// node's type, length and literal parameters. On failure returns false
// with a message naming what is wrong.
bool TypeFunctionCall(const FunctionInfo& info, const std::vector<ExprNode>& nodes,
                      const ExprLimits& limits, ExprNode* call, std::string* error);

}  // namespace kx::storage
