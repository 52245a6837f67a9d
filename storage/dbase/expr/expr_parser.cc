// ExprParser: operators and precedence (see expr_parser.h). Names,
// literals and calls are in expr_parser_terms.cc.
#include "storage/dbase/expr/expr_parser.h"

#include <algorithm>

#include "storage/api/codes.h"

namespace kx::storage {
namespace {

// Counts one level of parser recursion for as long as it lives.
class NestingGuard {
 public:
  explicit NestingGuard(int* nesting) : nesting_(nesting) { ++*nesting_; }
  ~NestingGuard() { --*nesting_; }
  NestingGuard(const NestingGuard&) = delete;
  NestingGuard& operator=(const NestingGuard&) = delete;

 private:
  int* nesting_;
};

bool IsComparison(TokenKind kind) {
  switch (kind) {
    case TokenKind::kEq: case TokenKind::kEqEq: case TokenKind::kNe: case TokenKind::kLt:
    case TokenKind::kGt: case TokenKind::kLe: case TokenKind::kGe: case TokenKind::kDollar:
      return true;
    default:
      return false;
  }
}

}  // namespace

ExprParser::ExprParser(std::string_view text, const std::vector<ExprField>& fields,
                       const ExprLimits& limits, ExprProgram* program)
    : lexer_(text), fields_(fields), limits_(limits), program_(program) {}

Status ExprParser::Parse() {
  Advance();
  if (token_.kind == TokenKind::kEnd) return Status::Error(DBIERR_INVALIDPARAM, "expression: empty");
  const int root = ParseOr();
  if (root < 0) return error_;
  if (token_.kind != TokenKind::kEnd) {
    Expected(token_.kind == TokenKind::kRParen ? "unbalanced ')'"
                                               : "unexpected text after the expression");
    return error_;
  }
  program_->root = root;
  return Status::OK();
}

int ExprParser::Fail(const std::string& message, int column, bool unsupported) {
  if (error_.ok()) {
    error_ = Status::Error(unsupported ? DBIERR_NOTSUPPORTED : DBIERR_INVALIDPARAM,
                           "expression: " + message + " at column " + std::to_string(column));
  }
  return -1;
}

int ExprParser::Expected(const std::string& message) {
  // A token the lexer could not form explains itself better.
  if (token_.kind == TokenKind::kError) return Fail(token_.text, token_.column);
  return Fail(message, token_.column);
}

int ExprParser::Add(ExprNode node, bool builds_bytes) {
  for (int i = 0; i < node.arg_count; ++i) {
    node.depth = std::max(node.depth, program_->nodes[node.args[i]].depth + 1);
  }
  if (node.depth > limits_.max_depth) {
    return Fail("nested deeper than " + std::to_string(limits_.max_depth), node.column);
  }
  if (node.type == 'C' && node.length > limits_.max_value_length) {
    return Fail("character value longer than " + std::to_string(limits_.max_value_length),
                node.column);
  }
  if (builds_bytes) {
    if (program_->work_bytes + node.length > limits_.max_work_bytes) {
      return Fail("expression needs more than " + std::to_string(limits_.max_work_bytes) +
                      " bytes of working space", node.column);
    }
    node.slot = program_->work_bytes;
    program_->work_bytes += node.length;
  }
  program_->nodes.push_back(node);
  return static_cast<int>(program_->nodes.size()) - 1;
}

int ExprParser::ParseOr() {
  NestingGuard guard(&nesting_);
  if (nesting_ > limits_.max_depth) {
    return Fail("nested deeper than " + std::to_string(limits_.max_depth), token_.column);
  }
  int left = ParseAnd();
  while (left >= 0 && token_.kind == TokenKind::kOr) {
    const int column = token_.column;
    Advance();
    const int right = ParseAnd();
    if (right < 0) return -1;
    left = MakeBinary(TokenKind::kOr, left, right, column);
  }
  return left;
}

int ExprParser::ParseAnd() {
  int left = ParseNot();
  while (left >= 0 && token_.kind == TokenKind::kAnd) {
    const int column = token_.column;
    Advance();
    const int right = ParseNot();
    if (right < 0) return -1;
    left = MakeBinary(TokenKind::kAnd, left, right, column);
  }
  return left;
}

int ExprParser::ParseNot() {
  if (token_.kind != TokenKind::kNot) return ParseComparison();
  NestingGuard guard(&nesting_);
  const int column = token_.column;
  if (nesting_ > limits_.max_depth) {
    return Fail("nested deeper than " + std::to_string(limits_.max_depth), column);
  }
  Advance();
  const int operand = ParseNot();
  if (operand < 0) return -1;
  if (program_->nodes[operand].type != 'L') {
    return Fail(std::string(".NOT. needs a logical value, not ") +
                    ExprTypeName(program_->nodes[operand].type), column);
  }
  ExprNode node;
  node.op = ExprOp::kNot;
  node.type = 'L';
  node.args[0] = operand;
  node.arg_count = 1;
  node.column = column;
  return Add(node, false);
}

int ExprParser::ParseComparison() {
  const int left = ParseAdditive();
  if (left < 0 || !IsComparison(token_.kind)) return left;
  const TokenKind op = token_.kind;
  const int column = token_.column;
  Advance();
  const int right = ParseAdditive();
  if (right < 0) return -1;
  if (IsComparison(token_.kind)) return Fail("comparisons cannot be chained", token_.column);
  return MakeComparison(op, left, right, column);
}

int ExprParser::ParseAdditive() {
  int left = ParseMultiplicative();
  while (left >= 0 && (token_.kind == TokenKind::kPlus || token_.kind == TokenKind::kMinus)) {
    const TokenKind op = token_.kind;
    const int column = token_.column;
    Advance();
    const int right = ParseMultiplicative();
    if (right < 0) return -1;
    left = MakeBinary(op, left, right, column);
  }
  return left;
}

int ExprParser::ParseMultiplicative() {
  int left = ParsePower();
  while (left >= 0 && (token_.kind == TokenKind::kStar || token_.kind == TokenKind::kSlash ||
                       token_.kind == TokenKind::kPercent)) {
    const TokenKind op = token_.kind;
    const int column = token_.column;
    Advance();
    const int right = ParsePower();
    if (right < 0) return -1;
    left = MakeBinary(op, left, right, column);
  }
  return left;
}

int ExprParser::ParsePower() {
  int left = ParseUnary();
  while (left >= 0 && token_.kind == TokenKind::kPower) {
    const int column = token_.column;
    Advance();
    const int right = ParseUnary();
    if (right < 0) return -1;
    left = MakeBinary(TokenKind::kPower, left, right, column);
  }
  return left;
}

int ExprParser::ParseUnary() {
  if (token_.kind != TokenKind::kMinus && token_.kind != TokenKind::kPlus) return ParsePrimary();
  NestingGuard guard(&nesting_);
  const bool negate = token_.kind == TokenKind::kMinus;
  const int column = token_.column;
  if (nesting_ > limits_.max_depth) {
    return Fail("nested deeper than " + std::to_string(limits_.max_depth), column);
  }
  Advance();
  const int operand = ParseUnary();
  if (operand < 0) return -1;
  ExprNode& value = program_->nodes[operand];
  if (value.type != 'N') {
    return Fail(std::string("unary ") + (negate ? "-" : "+") + " needs a number, not " +
                    ExprTypeName(value.type), column);
  }
  if (!negate) return operand;
  if (value.op == ExprOp::kConstant) {  // fold, so that SUBSTR(X, -1) reads a literal
    value.number = -value.number;
    return operand;
  }
  ExprNode node;
  node.op = ExprOp::kNegate;
  node.type = 'N';
  node.args[0] = operand;
  node.arg_count = 1;
  node.column = column;
  return Add(node, false);
}

int ExprParser::ParsePrimary() {
  const Token token = token_;
  switch (token.kind) {
    case TokenKind::kLParen: {
      Advance();
      const int inner = ParseOr();
      if (inner < 0) return -1;
      if (token_.kind != TokenKind::kRParen) return Expected("missing ')'");
      Advance();
      return inner;
    }
    case TokenKind::kName:
      Advance();
      return ParseName(token);
    case TokenKind::kNumber: case TokenKind::kString: case TokenKind::kDate:
    case TokenKind::kTrue: case TokenKind::kFalse:
      Advance();
      return ParseLiteral(token);
    case TokenKind::kError:
      return Fail(token.text, token.column);
    case TokenKind::kEnd:
      return Fail("expression ends too early", token.column);
    case TokenKind::kRParen:
      return Fail("unbalanced ')'", token.column);
    default:
      return Fail("operand expected", token.column);
  }
}

}  // namespace kx::storage
