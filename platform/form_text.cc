// Parser and writer of the text form description.
#include "platform/form_text.h"

#include <cctype>

#include "platform/sys_utils.h"

namespace kx {
namespace {

struct Token {
  enum Kind { End, Ident, Integer, String, Symbol } kind = End;
  std::string text;
  long long integer = 0;
  int line = 1;
};

class Lexer {
 public:
  explicit Lexer(std::string_view text) : text_(text) { Advance(); }

  const Token& Peek() const { return current_; }
  Token Take() {
    Token t = current_;
    taken_line_ = t.line;
    Advance();
    return t;
  }
  // Errors name the line of the token last taken, which is the one at fault.
  [[noreturn]] void Fail(const std::string& what) const {
    throw EReadError("Form description, line " + std::to_string(taken_line_) + ": " + what);
  }

 private:
  void Advance() {
    SkipBlanks();
    current_ = Token{};
    current_.line = line_;
    if (pos_ >= text_.size()) return;
    char c = text_[pos_];
    if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
      std::size_t start = pos_;
      while (pos_ < text_.size() && (std::isalnum(static_cast<unsigned char>(text_[pos_])) ||
                                     text_[pos_] == '_' || text_[pos_] == '.'))
        ++pos_;
      current_.kind = Token::Ident;
      current_.text = std::string(text_.substr(start, pos_ - start));
    } else if (std::isdigit(static_cast<unsigned char>(c)) || ((c == '-' || c == '+') && NextIsDigit())) {
      bool negative = c == '-';
      if (c == '-' || c == '+') ++pos_;
      long long value = 0;
      while (pos_ < text_.size() && std::isdigit(static_cast<unsigned char>(text_[pos_]))) {
        value = value * 10 + (text_[pos_++] - '0');
        if (value > (1LL << 40)) Fail("number out of range");
      }
      current_.kind = Token::Integer;
      current_.integer = negative ? -value : value;
    } else if (c == '\'' || c == '#') {
      current_.kind = Token::String;
      ReadString();
    } else if (std::string_view("=:[](),").find(c) != std::string_view::npos) {
      current_.kind = Token::Symbol;
      current_.text = std::string(1, c);
      ++pos_;
    } else {
      taken_line_ = line_;
      Fail(std::string("unexpected character '") + c + "'");
    }
  }

  bool NextIsDigit() const {
    return pos_ + 1 < text_.size() && std::isdigit(static_cast<unsigned char>(text_[pos_ + 1]));
  }

  void SkipBlanks() {
    while (pos_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[pos_]))) {
      if (text_[pos_] == '\n') ++line_;
      ++pos_;
    }
  }

  void ReadString() {
    while (pos_ < text_.size()) {
      if (text_[pos_] == '\'') {
        ++pos_;
        while (true) {
          if (pos_ >= text_.size() || text_[pos_] == '\n') Fail("unterminated text");
          if (text_[pos_] == '\'') {
            if (pos_ + 1 < text_.size() && text_[pos_ + 1] == '\'') {
              current_.text += '\'';
              pos_ += 2;
              continue;
            }
            ++pos_;
            break;
          }
          current_.text += text_[pos_++];
        }
      } else if (text_[pos_] == '#') {
        ++pos_;
        int code = 0, digits = 0;
        while (pos_ < text_.size() && std::isdigit(static_cast<unsigned char>(text_[pos_])) && digits < 4) {
          code = code * 10 + (text_[pos_++] - '0');
          ++digits;
        }
        if (digits == 0 || code > 255) Fail("bad character code");
        current_.text += static_cast<char>(code);
      } else {
        break;
      }
    }
  }

  std::string_view text_;
  std::size_t pos_ = 0;
  int line_ = 1;
  int taken_line_ = 1;
  Token current_;
};

bool IsSymbol(const Token& t, char c) { return t.kind == Token::Symbol && t.text[0] == c; }
bool IsWord(const Token& t, const char* word) { return t.kind == Token::Ident && SameText(t.text, word); }

FormValue ParseValue(Lexer& lex) {
  Token t = lex.Take();
  FormValue v;
  switch (t.kind) {
    case Token::Integer:
      v.type = FormValue::Type::Integer;
      v.integer = t.integer;
      return v;
    case Token::String:
      v.type = FormValue::Type::String;
      v.text = t.text;
      return v;
    case Token::Ident:
      v.type = FormValue::Type::Ident;
      v.text = t.text;
      return v;
    default:
      break;
  }
  if (IsSymbol(t, '[')) {
    v.type = FormValue::Type::Set;
    while (!IsSymbol(lex.Peek(), ']')) {
      Token item = lex.Take();
      if (item.kind != Token::Ident) lex.Fail("set member expected");
      v.items.push_back(item.text);
      if (IsSymbol(lex.Peek(), ',')) lex.Take();
      else if (!IsSymbol(lex.Peek(), ']')) lex.Fail("',' or ']' expected");
    }
    lex.Take();
    return v;
  }
  if (IsSymbol(t, '(')) {
    v.type = FormValue::Type::List;
    while (!IsSymbol(lex.Peek(), ')')) {
      Token item = lex.Take();
      if (item.kind != Token::String) lex.Fail("text expected in list");
      v.items.push_back(item.text);
    }
    lex.Take();
    return v;
  }
  lex.Fail("value expected");
}

FormNode ParseObject(Lexer& lex) {
  if (!IsWord(lex.Peek(), "object")) lex.Fail("'object' expected");
  lex.Take();
  FormNode node;
  Token name = lex.Take();
  if (name.kind != Token::Ident) lex.Fail("object name expected");
  if (!IsSymbol(lex.Take(), ':')) lex.Fail("':' expected");
  Token cls = lex.Take();
  if (cls.kind != Token::Ident) lex.Fail("class name expected");
  node.name = name.text;
  node.class_name = cls.text;
  while (true) {
    const Token& t = lex.Peek();
    if (t.kind == Token::End) lex.Fail("'end' expected");
    if (IsWord(t, "end")) {
      lex.Take();
      return node;
    }
    if (IsWord(t, "object")) {
      node.children.push_back(ParseObject(lex));
      continue;
    }
    Token prop = lex.Take();
    if (prop.kind != Token::Ident) lex.Fail("property name expected");
    if (!IsSymbol(lex.Take(), '=')) lex.Fail("'=' expected");
    node.properties.emplace_back(prop.text, ParseValue(lex));
  }
}

}  // namespace

FormNode ParseFormText(std::string_view text) {
  Lexer lex(text);
  FormNode root = ParseObject(lex);
  if (lex.Peek().kind != Token::End) lex.Fail("text after the last 'end'");
  return root;
}

}  // namespace kx
