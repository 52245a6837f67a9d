// Conversions of sys_utils.h.
#include "platform/sys_utils.h"

#include <cctype>
#include <climits>
#include <cstring>

namespace kx {
namespace {

[[noreturn]] void NotAnInteger(const AnsiString& text) {
  throw EConvertError("'" + text + "' is not a valid integer value");
}

int DigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return 99;
}

}  // namespace

int StrToInt(const AnsiString& text) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int base = 10;
  if (i < text.size() && text[i] == '$') {
    base = 16;
    ++i;
  } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i >= text.size()) NotAnInteger(text);
  long long value = 0;
  for (; i < text.size(); ++i) {
    int digit = DigitValue(text[i]);
    if (digit >= base) NotAnInteger(text);
    value = value * base + digit;
    if (value > static_cast<long long>(INT_MAX) + 1) NotAnInteger(text);
  }
  if (negative) value = -value;
  if (value > INT_MAX || value < INT_MIN) NotAnInteger(text);
  return static_cast<int>(value);
}

AnsiString IntToStr(long long value) { return std::to_string(value); }

int AnsiCompareStr(const AnsiString& a, const AnsiString& b) {
  // strcoll stops at an embedded zero; compare such texts piecewise.
  std::size_t pos = 0;
  while (true) {
    int r = std::strcoll(a.c_str() + pos, b.c_str() + pos);
    if (r != 0) return r;
    std::size_t len = std::strlen(a.c_str() + pos);
    pos += len + 1;
    if (pos > a.size() || pos > b.size()) return static_cast<int>(a.size() > b.size()) - static_cast<int>(a.size() < b.size());
  }
}

bool SameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

}  // namespace kx
