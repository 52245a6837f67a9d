// ExprLexer: splits dBASE expression text into tokens, one at a time.
//
// Names are upper-cased ASCII; string literals keep their bytes ("x", 'x'
// and [x] delimiters); dotted words (.AND. .OR. .NOT. .T. .F. .Y. .N.) are
// recognised case-insensitively, with or without spaces around them. A
// token that cannot be formed becomes kError with a message; the lexer
// never reads past the end of the text.
#pragma once

#include <string>
#include <string_view>

namespace kx::storage {

enum class TokenKind {
  kEnd, kError,
  kName, kNumber, kString, kDate,
  kTrue, kFalse, kAnd, kOr, kNot,
  kLParen, kRParen, kComma, kArrow,
  kPlus, kMinus, kStar, kSlash, kPercent, kPower,
  kEq, kEqEq, kNe, kLt, kGt, kLe, kGe, kDollar,
};

struct Token {
  TokenKind kind = TokenKind::kEnd;
  std::string text;  // kName: upper case; kString/kDate: contents; kError: message
  double number = 0;
  int column = 1;    // 1-based
};

class ExprLexer {
 public:
  explicit ExprLexer(std::string_view text) : text_(text) {}

  // The next token; kEnd at the end of the text, and from then on.
  Token Next();

 private:
  Token Make(TokenKind kind, size_t start, size_t length);
  Token ScanNumber(size_t start);
  Token ScanDotted(size_t start);
  Token ScanDelimited(size_t start, char close, TokenKind kind);

  std::string_view text_;
  size_t pos_ = 0;
};

}  // namespace kx::storage
