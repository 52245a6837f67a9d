// The base message box: the caption and the text on stderr.
#include "platform/window_backend.h"

#include <cstdio>

namespace kx {

int WindowBackend::MessageBox(const std::string& text, const std::string& caption, UINT type) {
  std::fprintf(stderr, "%s:\n%s\n", caption.c_str(), text.c_str());
  std::fflush(stderr);
  return IDOK;
}

}  // namespace kx
