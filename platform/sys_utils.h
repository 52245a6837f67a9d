// Text, conversions and the base exception classes of the class-library
// stand-in.
//
// AnsiString is the library's counted 8-bit text; here it is std::string.
// The conversions raise EConvertError for text that is not what they need and
// never return a made-up value. Format and wsprintfA (windows_api.h) share
// one formatter (format_core.h) that understands the %s %d %u %x %c %% subset
// with flags, width and precision.
#pragma once

#include <exception>
#include <string>
#include <string_view>

namespace kx {

using AnsiString = std::string;

class Exception : public std::exception {
 public:
  explicit Exception(std::string message) : message_(std::move(message)) {}
  const char* what() const noexcept override { return message_.c_str(); }
  const std::string& Message() const { return message_; }
  virtual const char* ClassName() const { return "Exception"; }

 private:
  std::string message_;
};

// A text that cannot be converted (StrToInt, Format with a wrong argument).
class EConvertError : public Exception {
 public:
  using Exception::Exception;
  const char* ClassName() const override { return "EConvertError"; }
};

// An index or a value outside its range, e.g. the first character of an
// empty text.
class ERangeError : public Exception {
 public:
  using Exception::Exception;
  const char* ClassName() const override { return "ERangeError"; }
};

// A form description that cannot be read.
class EReadError : public Exception {
 public:
  using Exception::Exception;
  const char* ClassName() const override { return "EReadError"; }
};

// Whole number from text: optional blanks before, an optional sign, decimal
// digits or a hex number after '$' or "0x"; nothing may follow. Raises
// EConvertError for anything else and for values outside 32 bits.
int StrToInt(const AnsiString& text);
AnsiString IntToStr(long long value);
// Case-sensitive comparison in the collation of the current locale; the sign
// of the result orders a and b.
int AnsiCompareStr(const AnsiString& a, const AnsiString& b);
// Equal when the texts differ at most in the case of the ASCII letters.
bool SameText(std::string_view a, std::string_view b);

}  // namespace kx
