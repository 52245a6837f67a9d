// The formatter of format_core.h.
#include "platform/format_core.h"

#include <cstring>

#include "platform/sys_utils.h"

namespace kx {
namespace {

struct Spec {
  bool left = false;
  bool zero = false;
  int width = 0;
  int precision = -1;
  char type = 0;
};

void Pad(std::string& out, const std::string& body, const Spec& spec, bool numeric) {
  int fill = spec.width - static_cast<int>(body.size());
  if (fill <= 0) {
    out += body;
    return;
  }
  if (spec.left) {
    out += body;
    out.append(fill, ' ');
  } else if (spec.zero && numeric) {
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
    Spec spec;
    for (; *p == '-' || *p == '0'; ++p) (*p == '-' ? spec.left : spec.zero) = true;
    for (; *p >= '0' && *p <= '9'; ++p) spec.width = spec.width * 10 + (*p - '0');
    if (*p == '.') {
      spec.precision = 0;
      for (++p; *p >= '0' && *p <= '9'; ++p) spec.precision = spec.precision * 10 + (*p - '0');
    }
    if (*p == 'l' || *p == 'h') ++p;
    spec.type = *p;
    if (spec.type == '%') {
      out += '%';
      continue;
    }
    bool known = std::strchr("sdiuxXc", spec.type) != nullptr && spec.type != 0;
    const TVarRec* arg = next < count ? &args[next] : nullptr;
    bool fits = arg && (spec.type == 's' ? arg->is_text() : arg->is_integer());
    if (!known || !arg || (strict && !fits)) {
      if (strict) throw EConvertError(std::string("Format '") + format + "' invalid or incompatible with argument");
      if (!spec.type) break;
      out.append(start, p + 1);
      continue;
    }
    ++next;
    long long n = arg->is_integer() ? arg->integer() : 0;
    switch (spec.type) {
      case 's': {
        std::string s = arg->is_text() ? arg->text() : std::to_string(n);
        if (spec.precision >= 0 && s.size() > static_cast<std::size_t>(spec.precision)) s.resize(spec.precision);
        Pad(out, s, spec, false);
        break;
      }
      case 'd':
      case 'i':
        Pad(out, std::to_string(n), spec, true);
        break;
      case 'u':
        Pad(out, std::to_string(static_cast<unsigned long long>(n) & 0xFFFFFFFFull), spec, true);
        break;
      case 'x':
      case 'X':
        Pad(out, Hex(static_cast<unsigned long long>(n) & 0xFFFFFFFFull, spec.type == 'X'), spec, true);
        break;
      case 'c':
        Pad(out, std::string(1, static_cast<char>(n)), spec, false);
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
