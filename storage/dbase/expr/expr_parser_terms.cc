// ExprParser: operands (fields, literals, calls) and the typing of binary
// operators and comparisons. The operator precedence is in expr_parser.cc.
#include <cstdio>
#include <string>

#include "storage/dbase/expr/expr_functions.h"
#include "storage/dbase/expr/expr_parser.h"
#include "storage/dbase/expr/expr_values.h"

namespace kx::storage {
namespace {

const char* OperatorText(TokenKind op) {
  switch (op) {
    case TokenKind::kPlus: return "+";
    case TokenKind::kMinus: return "-";
    case TokenKind::kStar: return "*";
    case TokenKind::kSlash: return "/";
    case TokenKind::kPercent: return "%";
    case TokenKind::kPower: return "^";
    case TokenKind::kAnd: return ".AND.";
    case TokenKind::kOr: return ".OR.";
    case TokenKind::kDollar: return "$";
    case TokenKind::kEqEq: return "==";
    default: return "comparison";
  }
}

std::string UpperName(const std::string& name) {
  std::string upper;
  for (char c : name) {
    if (c == '\0' || c == ' ') break;
    upper.push_back((c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c);
  }
  return upper;
}

// {^YYYY-MM-DD} (strict form) or {MM/DD/YY[YY]}; {} and blanks are blank.
bool ParseDateLiteral(const std::string& text, double* julian) {
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const int n = static_cast<int>(text.size());
  if (text.find_first_not_of(" /.-") == std::string::npos) {
    *julian = 0;
    return true;
  }
  if (n >= 1 && text[0] == '^') {
    int y = 0, m = 0, d = 0;
    char tail = 0;
    if (std::sscanf(text.c_str() + 1, "%4d%*[-/.]%2d%*[-/.]%2d%c", &y, &m, &d, &tail) != 3) return false;
    *julian = JulianFromYmd(y, m, d);
  } else {
    *julian = ParseDtocText(p, n);
  }
  return *julian != 0;
}

}  // namespace

int ExprParser::ParseLiteral(const Token& token) {
  ExprNode node;
  node.op = ExprOp::kConstant;
  node.column = token.column;
  switch (token.kind) {
    case TokenKind::kNumber:
      node.type = 'N';
      node.number = token.number;
      break;
    case TokenKind::kString:
      node.type = 'C';
      node.length = static_cast<int>(token.text.size());
      node.text_pos = static_cast<int>(program_->pool.size());
      if (node.length > limits_.max_value_length) break;  // Add reports it
      program_->pool += token.text;
      break;
    case TokenKind::kDate:
      node.type = 'D';
      if (!ParseDateLiteral(token.text, &node.number)) {
        return Fail("invalid date {" + token.text + "}", token.column);
      }
      break;
    default:
      node.type = 'L';
      node.logical = token.kind == TokenKind::kTrue;
      break;
  }
  return Add(node, false);
}

int ExprParser::ParseName(const Token& name) {
  if (token_.kind == TokenKind::kLParen) return ParseCall(name);
  if (token_.kind == TokenKind::kArrow) {  // ALIAS->FIELD: the alias is ignored
    Advance();
    if (token_.kind != TokenKind::kName) return Expected("field name expected after ->");
    const Token field = token_;
    Advance();
    return ParseField(field);
  }
  return ParseField(name);
}

int ExprParser::ParseField(const Token& name) {
  int index = -1;
  for (size_t i = 0; i < fields_.size(); ++i) {
    if (UpperName(fields_[i].name) == name.text) {
      index = static_cast<int>(i);
      break;
    }
  }
  if (index < 0) {
    if (FindFunction(name.text)) return Fail(name.text + " is a function: '(' expected", name.column);
    return Fail("unknown field " + name.text, name.column);
  }
  const ExprField& field = fields_[index];
  ExprNode node;
  node.op = ExprOp::kField;
  node.column = name.column;
  node.field_index = index;
  node.field_offset = field.offset;
  node.field_length = field.length;
  node.field_type = field.type;
  int need_length = 0;  // 0: any positive width
  switch (field.type) {
    case 'C': node.type = 'C'; node.length = field.length; break;
    case 'N': case 'F': node.type = 'N'; break;
    case 'I': case '+': node.type = 'N'; need_length = 4; break;
    case 'O': node.type = 'N'; need_length = 8; break;
    case 'D': node.type = 'D'; need_length = 8; break;
    case 'L': node.type = 'L'; break;
    case 'M': case 'B': case 'G': case 'P':
      return Fail("memo field " + name.text + " cannot be used in an expression", name.column);
    case '@':
      return Fail("timestamp field " + name.text + " cannot be used in an expression", name.column,
                  true);
    default:
      return Fail("field " + name.text + " has type '" + std::string(1, field.type) +
                      "', which expressions do not support", name.column, true);
  }
  if (field.offset < 1 || field.length < 1 || (need_length && field.length != need_length)) {
    return Fail("field " + name.text + " has an impossible layout", name.column);
  }
  return Add(node, false);
}

int ExprParser::ParseCall(const Token& name) {
  const FunctionInfo* info = FindFunction(name.text);
  if (!info) {
    if (name.text == "DATE" || name.text == "TIME") {
      return Fail(name.text + "() changes from day to day and cannot be indexed", name.column, true);
    }
    return Fail("unknown function " + name.text, name.column);
  }
  Advance();  // '('
  ExprNode node;
  node.op = ExprOp::kCall;
  node.func = info->func;
  node.column = name.column;
  if (token_.kind != TokenKind::kRParen) {
    while (true) {
      if (node.arg_count == info->max_args) {
        return Fail(std::string("too many arguments to ") + info->name + "()", token_.column);
      }
      const int arg = ParseOr();
      if (arg < 0) return -1;
      node.args[node.arg_count++] = arg;
      if (token_.kind != TokenKind::kComma) break;
      Advance();
    }
  }
  if (token_.kind != TokenKind::kRParen) return Expected("missing ')'");
  Advance();
  if (node.arg_count < info->min_args) {
    return Fail(std::string("too few arguments to ") + info->name + "()", name.column);
  }
  std::string error;
  if (!TypeFunctionCall(*info, program_->nodes, limits_, &node, &error)) {
    return Fail(error, name.column);
  }
  bool builds_bytes = false;
  switch (node.func) {
    case ExprFunc::kUpper: case ExprFunc::kLower: case ExprFunc::kStr: case ExprFunc::kDtos:
    case ExprFunc::kDtoc: case ExprFunc::kSpace: case ExprFunc::kReplicate:
      builds_bytes = true;
      break;
    case ExprFunc::kDescend:
      builds_bytes = node.type == 'C';
      break;
    default:
      break;
  }
  return Add(node, builds_bytes);
}

int ExprParser::MakeBinary(TokenKind op, int left, int right, int column) {
  const ExprNode& a = program_->nodes[left];
  const ExprNode& b = program_->nodes[right];
  ExprNode node;
  node.args[0] = left;
  node.args[1] = right;
  node.arg_count = 2;
  node.column = column;
  const char ta = a.type, tb = b.type;
  bool builds_bytes = false;
  if ((op == TokenKind::kAnd || op == TokenKind::kOr) && ta == 'L' && tb == 'L') {
    node.op = op == TokenKind::kAnd ? ExprOp::kAnd : ExprOp::kOr;
    node.type = 'L';
  } else if ((op == TokenKind::kPlus || op == TokenKind::kMinus) && ta == 'C' && tb == 'C') {
    node.op = op == TokenKind::kPlus ? ExprOp::kConcat : ExprOp::kConcatMoveBlanks;
    node.type = 'C';
    node.length = a.length + b.length;
    builds_bytes = true;
  } else if (ta == 'N' && tb == 'N' && op != TokenKind::kAnd && op != TokenKind::kOr) {
    static constexpr struct { TokenKind token; ExprOp op; } kArithmetic[] = {
        {TokenKind::kPlus, ExprOp::kAdd},         {TokenKind::kMinus, ExprOp::kSubtract},
        {TokenKind::kStar, ExprOp::kMultiply},    {TokenKind::kSlash, ExprOp::kDivide},
        {TokenKind::kPercent, ExprOp::kModulo},   {TokenKind::kPower, ExprOp::kPower},
    };
    for (const auto& entry : kArithmetic) {
      if (entry.token == op) node.op = entry.op;
    }
    node.type = 'N';
  } else if (op == TokenKind::kPlus && ((ta == 'D' && tb == 'N') || (ta == 'N' && tb == 'D'))) {
    node.op = ExprOp::kDatePlus;
    node.type = 'D';
    if (ta == 'N') std::swap(node.args[0], node.args[1]);
  } else if (op == TokenKind::kMinus && ta == 'D' && (tb == 'N' || tb == 'D')) {
    node.op = tb == 'N' ? ExprOp::kDateMinus : ExprOp::kDateDiff;
    node.type = tb == 'N' ? 'D' : 'N';
  } else {
    return Fail(std::string("type mismatch: ") + ExprTypeName(ta) + " " + OperatorText(op) + " " +
                    ExprTypeName(tb), column);
  }
  return Add(node, builds_bytes);
}

int ExprParser::MakeComparison(TokenKind op, int left, int right, int column) {
  const char ta = program_->nodes[left].type, tb = program_->nodes[right].type;
  const bool ordered = op == TokenKind::kLt || op == TokenKind::kGt || op == TokenKind::kLe ||
                       op == TokenKind::kGe;
  if (ta != tb || (op == TokenKind::kDollar && ta != 'C') || (ordered && ta == 'L')) {
    return Fail(std::string("type mismatch: ") + ExprTypeName(ta) + " " + OperatorText(op) + " " +
                    ExprTypeName(tb), column);
  }
  ExprNode node;
  node.type = 'L';
  node.args[0] = left;
  node.args[1] = right;
  node.arg_count = 2;
  node.column = column;
  switch (op) {
    case TokenKind::kDollar: node.op = ExprOp::kContains; break;
    case TokenKind::kEqEq: node.op = ExprOp::kExactEqual; break;
    default: node.op = ExprOp::kCompare; break;
  }
  static constexpr struct { TokenKind token; CompareOp op; } kCompares[] = {
      {TokenKind::kEq, CompareOp::kEq}, {TokenKind::kNe, CompareOp::kNe},
      {TokenKind::kLt, CompareOp::kLt}, {TokenKind::kGt, CompareOp::kGt},
      {TokenKind::kLe, CompareOp::kLe}, {TokenKind::kGe, CompareOp::kGe},
  };
  for (const auto& entry : kCompares) {
    if (entry.token == op) node.compare = entry.op;
  }
  return Add(node, false);
}

}  // namespace kx::storage
