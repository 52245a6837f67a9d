// The formatter of format_core.h.
#include "platform/format_core.h"

#include <cstring>

#include "platform/sys_utils.h"

namespace kx {
namespace {

struct Conversion {
  bool left = false;
  bool zero = false;
  int width = 0;
  int precision = -1;
  char type = 0;
};

void Pad(std::string& out, const std::string& body, const Conversion& conv, bool numeric) {
  int fill = conv.width - static_cast<int>(body.size());
  if (fill <= 0) {
    out += body;
    return;
  }
  if (conv.left) {
    out += body;
    out.append(fill, ' ');
  } else if (conv.zero && numeric) {
    std::size_t sign = (!body.empty() && body[0] == '-') ? 1 : 0;
    out.append(body, 0, sign);
    out.append(fill, '0');
    out.append(body, sign, std::string::npos);
  } else {
    out.append(fill, ' ');
    out += body;
  }
}

std::string Hex(unsigned long long v, bool upper) {
  const char* digits = upper ? "0123456789ABCDEF" : "0123456789abcdef";
  std::string s;
  do {
    s.insert(s.begin(), digits[v & 15]);
    v >>= 4;
  } while (v);
  return s;
}

}  // namespace

std::string FormatCore(const char* format, const TVarRec* args, std::size_t count, bool strict) {
  std::string out;
  std::size_t next = 0;
  if (!format) return out;
  for (const char* p = format; *p; ++p) {
    if (*p != '%') {
      out += *p;
      continue;
    }
    const char* start = p++;
    Conversion conv;
    for (; *p == '-' || *p == '0'; ++p) (*p == '-' ? conv.left : conv.zero) = true;
    for (; *p >= '0' && *p <= '9'; ++p) conv.width = conv.width * 10 + (*p - '0');
    if (*p == '.') {
      conv.precision = 0;
      for (++p; *p >= '0' && *p <= '9'; ++p) conv.precision = conv.precision * 10 + (*p - '0');
    }
    if (*p == 'l' || *p == 'h') ++p;
    conv.type = *p;
    if (conv.type == '%') {
      out += '%';
      continue;
    }
    bool known = std::strchr("sdiuxXc", conv.type) != nullptr && conv.type != 0;
    const TVarRec* arg = next < count ? &args[next] : nullptr;
    bool fits = arg && (conv.type == 's' ? arg->is_text() : arg->is_integer());
    if (!known || !arg || (strict && !fits)) {
      if (strict) throw EConvertError(std::string("Format '") + format + "' invalid or incompatible with argument");
      if (!conv.type) break;
      out.append(start, p + 1);
      continue;
    }
    ++next;
    long long n = arg->is_integer() ? arg->integer() : 0;
    switch (conv.type) {
      case 's': {
        std::string s = arg->is_text() ? arg->text() : std::to_string(n);
        if (conv.precision >= 0 && s.size() > static_cast<std::size_t>(conv.precision)) s.resize(conv.precision);
        Pad(out, s, conv, false);
        break;
      }
      case 'd':
      case 'i':
        Pad(out, std::to_string(n), conv, true);
        break;
      case 'u':
        Pad(out, std::to_string(static_cast<unsigned long long>(n) & 0xFFFFFFFFull), conv, true);
        break;
      case 'x':
      case 'X':
        Pad(out, Hex(static_cast<unsigned long long>(n) & 0xFFFFFFFFull, conv.type == 'X'), conv, true);
        break;
      case 'c':
        Pad(out, std::string(1, static_cast<char>(n)), conv, false);
        break;
    }
  }
  return out;
}

int FormatBounded(char* buffer, std::size_t capacity, const char* format, const TVarRec* args,
                  std::size_t count) {
  if (!buffer || capacity == 0) return 0;
  std::string text = FormatCore(format, args, count, false);
  std::size_t n = text.size() < capacity - 1 ? text.size() : capacity - 1;
  std::memcpy(buffer, text.data(), n);
  buffer[n] = '\0';
  return static_cast<int>(n);
}

std::string Format(const std::string& format, std::initializer_list<TVarRec> args) {
  return FormatCore(format.c_str(), args.begin(), args.size(), true);
}

}  // namespace kx
