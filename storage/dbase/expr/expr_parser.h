// ExprParser: recursive-descent parser that turns expression text into a
// typed ExprProgram in one pass.
//
// Precedence, loosest first: .OR.; .AND.; .NOT. (also !); comparisons
// (= == # <> != < > <= >= $, not chained); + and -; * / %; ^ and **; unary
// - and +. Every node is typed as it is made, so a mismatch ("NAME + 1") is
// reported at its operator. Parser recursion and tree depth are both
// bounded by ExprLimits::max_depth, and every character value by
// max_value_length, so no text can exhaust the stack or memory.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "storage/api/status.h"
#include "storage/dbase/expr/expr_lexer.h"
#include "storage/dbase/expr/expr_program.h"
#include "storage/dbase/expr/key_expr.h"

namespace kx::storage {

class ExprParser {
 public:
  // `fields`, `limits` and `program` must outlive the parser.
  ExprParser(std::string_view text, const std::vector<ExprField>& fields,
             const ExprLimits& limits, ExprProgram* program);

  // Parses the whole text into the program (nodes, pool, root, work size).
  // DBIERR_INVALIDPARAM or DBIERR_NOTSUPPORTED with the column on failure.
  Status Parse();

 private:
  // Each parse step returns a node index, or -1 after setting error_.
  int ParseOr();
  int ParseAnd();
  int ParseNot();
  int ParseComparison();
  int ParseAdditive();
  int ParseMultiplicative();
  int ParsePower();
  int ParseUnary();
  int ParsePrimary();
  int ParseName(const Token& name);
  int ParseCall(const Token& name);
  int ParseField(const Token& name);
  int ParseLiteral(const Token& token);

  int MakeBinary(TokenKind op, int left, int right, int column);
  int MakeComparison(TokenKind op, int left, int right, int column);
  // Appends a node after checking its depth, length and work space.
  int Add(ExprNode node, bool builds_bytes);
  int Fail(const std::string& message, int column, bool unsupported = false);
  // Fails at the current token: with the lexer's message if it is an error.
  int Expected(const std::string& message);
  void Advance() { token_ = lexer_.Next(); }

  ExprLexer lexer_;
  const std::vector<ExprField>& fields_;
  const ExprLimits& limits_;
  ExprProgram* program_;
  Token token_;
  int nesting_ = 0;
  Status error_;
};

}  // namespace kx::storage
