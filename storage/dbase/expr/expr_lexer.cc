// ExprLexer: tokens of dBASE expression text (see expr_lexer.h).
#include "storage/dbase/expr/expr_lexer.h"

#include <charconv>

namespace kx::storage {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsNameStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool IsNameChar(char c) { return IsNameStart(c) || IsDigit(c); }
char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

Token ExprLexer::Make(TokenKind kind, size_t start, size_t length) {
  Token t;
  t.kind = kind;
  t.column = static_cast<int>(start) + 1;
  pos_ = start + length;
  return t;
}

Token ExprLexer::Next() {
  while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t')) ++pos_;
  if (pos_ >= text_.size()) return Make(TokenKind::kEnd, text_.size(), 0);
  const size_t start = pos_;
  const char c = text_[start];
  const char next = start + 1 < text_.size() ? text_[start + 1] : '\0';

  if (IsDigit(c) || (c == '.' && IsDigit(next))) return ScanNumber(start);
  if (c == '.') return ScanDotted(start);
  if (IsNameStart(c)) {
    size_t end = start;
    while (end < text_.size() && IsNameChar(text_[end])) ++end;
    Token t = Make(TokenKind::kName, start, end - start);
    for (size_t i = start; i < end; ++i) t.text.push_back(UpperAscii(text_[i]));
    return t;
  }
  switch (c) {
    case '"': return ScanDelimited(start, '"', TokenKind::kString);
    case '\'': return ScanDelimited(start, '\'', TokenKind::kString);
    case '[': return ScanDelimited(start, ']', TokenKind::kString);
    case '{': return ScanDelimited(start, '}', TokenKind::kDate);
    case '(': return Make(TokenKind::kLParen, start, 1);
    case ')': return Make(TokenKind::kRParen, start, 1);
    case ',': return Make(TokenKind::kComma, start, 1);
    case '+': return Make(TokenKind::kPlus, start, 1);
    case '-': return next == '>' ? Make(TokenKind::kArrow, start, 2) : Make(TokenKind::kMinus, start, 1);
    case '*': return next == '*' ? Make(TokenKind::kPower, start, 2) : Make(TokenKind::kStar, start, 1);
    case '/': return Make(TokenKind::kSlash, start, 1);
    case '%': return Make(TokenKind::kPercent, start, 1);
    case '^': return Make(TokenKind::kPower, start, 1);
    case '$': return Make(TokenKind::kDollar, start, 1);
    case '#': return Make(TokenKind::kNe, start, 1);
    case '=': return next == '=' ? Make(TokenKind::kEqEq, start, 2) : Make(TokenKind::kEq, start, 1);
    case '!': return next == '=' ? Make(TokenKind::kNe, start, 2) : Make(TokenKind::kNot, start, 1);
    case '<':
      if (next == '>') return Make(TokenKind::kNe, start, 2);
      return next == '=' ? Make(TokenKind::kLe, start, 2) : Make(TokenKind::kLt, start, 1);
    case '>': return next == '=' ? Make(TokenKind::kGe, start, 2) : Make(TokenKind::kGt, start, 1);
    default: break;
  }
  Token t = Make(TokenKind::kError, start, 1);
  t.text = "unexpected character";
  return t;
}

Token ExprLexer::ScanNumber(size_t start) {
  size_t end = start;
  while (end < text_.size() && IsDigit(text_[end])) ++end;
  // A '.' belongs to the number only when a digit follows, so that
  // "1.AND.X" still reads as 1 .AND. X.
  if (end + 1 < text_.size() && text_[end] == '.' && IsDigit(text_[end + 1])) {
    ++end;
    while (end < text_.size() && IsDigit(text_[end])) ++end;
  } else if (end < text_.size() && text_[end] == '.' &&
             (end + 1 >= text_.size() || !IsNameStart(text_[end + 1]))) {
    ++end;  // "5." is 5
  }
  Token t = Make(TokenKind::kNumber, start, end - start);
  const char* first = text_.data() + start;
  const char* last = text_.data() + end;
  if (std::from_chars(first, last, t.number, std::chars_format::fixed).ec != std::errc()) {
    t.kind = TokenKind::kError;
    t.text = "number out of range";
  }
  return t;
}

Token ExprLexer::ScanDotted(size_t start) {
  size_t end = start + 1;
  while (end < text_.size() && IsNameStart(text_[end])) ++end;
  std::string word;
  for (size_t i = start + 1; i < end; ++i) word.push_back(UpperAscii(text_[i]));
  if (end < text_.size() && text_[end] == '.') {
    struct Dotted { const char* word; TokenKind kind; };
    static constexpr Dotted kWords[] = {
        {"AND", TokenKind::kAnd}, {"OR", TokenKind::kOr}, {"NOT", TokenKind::kNot},
        {"T", TokenKind::kTrue},  {"Y", TokenKind::kTrue}, {"F", TokenKind::kFalse},
        {"N", TokenKind::kFalse},
    };
    for (const Dotted& d : kWords) {
      if (word == d.word) return Make(d.kind, start, end + 1 - start);
    }
  }
  Token t = Make(TokenKind::kError, start, 1);
  t.text = "unknown dotted operator";
  return t;
}

Token ExprLexer::ScanDelimited(size_t start, char close, TokenKind kind) {
  const size_t found = text_.find(close, start + 1);
  if (found == std::string_view::npos) {
    Token t = Make(TokenKind::kError, start, text_.size() - start);
    t.text = kind == TokenKind::kDate ? "unterminated date literal" : "unterminated string";
    return t;
  }
  Token t = Make(kind, start, found + 1 - start);
  t.text.assign(text_.substr(start + 1, found - start - 1));
  return t;
}

}  // namespace kx::storage
