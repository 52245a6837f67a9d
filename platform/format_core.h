// The one formatter behind Format and wsprintfA.
//
// A format is text with conversions %[-][0][width][.precision]type, where
// type is s (text), d or i (signed), u (unsigned), x or X (hex), c (one
// character) or % (a percent sign). Arguments are TVarRec values. The result
// is built in a std::string, so it never overruns anything; callers that own a
// fixed buffer copy at most what fits (wsprintfA).
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>

namespace kx {

// One argument of Format: a whole number or a text.
class TVarRec {
 public:
  TVarRec() = default;
  TVarRec(int v) : kind_(kInteger), integer_(v) {}
  TVarRec(long v) : kind_(kInteger), integer_(v) {}
  TVarRec(long long v) : kind_(kInteger), integer_(v) {}
  TVarRec(unsigned v) : kind_(kInteger), integer_(v) {}
  TVarRec(unsigned long v) : kind_(kInteger), integer_(static_cast<long long>(v)) {}
  TVarRec(unsigned long long v) : kind_(kInteger), integer_(static_cast<long long>(v)) {}
  TVarRec(short v) : kind_(kInteger), integer_(v) {}
  TVarRec(unsigned short v) : kind_(kInteger), integer_(v) {}
  TVarRec(char v) : kind_(kInteger), integer_(static_cast<unsigned char>(v)) {}
  TVarRec(const char* v) : kind_(kText), text_(v ? v : "") {}
  TVarRec(const std::string& v) : kind_(kText), text_(v.c_str()) {}

  bool is_text() const { return kind_ == kText; }
  bool is_integer() const { return kind_ == kInteger; }
  bool is_none() const { return kind_ == kNone; }
  long long integer() const { return integer_; }
  const char* text() const { return text_; }

 private:
  enum Kind { kNone, kInteger, kText };
  Kind kind_ = kNone;
  long long integer_ = 0;
  const char* text_ = "";
};

// Formats `format` with `args`. With `strict`, a conversion without a
// matching argument or with an argument of the wrong kind raises
// EConvertError; without it, such a conversion is written as it stands and a
// text taken as a number counts as 0 (what a C formatter must do safely).
std::string FormatCore(const char* format, const TVarRec* args, std::size_t count, bool strict);

// Formats into buffer[capacity], always zero-terminated, cut to fit.
// Returns the number of characters written without the terminator.
int FormatBounded(char* buffer, std::size_t capacity, const char* format, const TVarRec* args,
                  std::size_t count);

std::string Format(const std::string& format, std::initializer_list<TVarRec> args);

}  // namespace kx
