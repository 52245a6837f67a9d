// The terminal backend.
#include "platform/backends/terminal_backend.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>

#include "platform/forms.h"
#include "platform/progress_bar.h"
#include "platform/std_ctrls.h"

namespace kx {
namespace {

constexpr int kPixelsPerColumn = 7;

std::string BarText(const TProgressBar& bar, int width) {
  int range = bar.FMax - bar.FMin;
  int done = range > 0 ? (bar.FPosition - bar.FMin) * 100 / range : 0;
  int cells = std::max(10, width - 7);
  int filled = cells * done / 100;
  return "[" + std::string(filled, '#') + std::string(cells - filled, '-') + "] " + std::to_string(done) + "%";
}

std::string ControlText(const TControl& c, int columns, int form_width) {
  if (auto* label = dynamic_cast<const TLabel*>(&c)) return label->FCaption;
  if (auto* bar = dynamic_cast<const TProgressBar*>(&c)) {
    int width = form_width > 0 ? c.FWidth * columns / form_width : 40;
    return BarText(*bar, std::min(width, columns));
  }
  if (auto* combo = dynamic_cast<const TComboBox*>(&c)) return "[" + combo->FText + "]";
  return {};
}

}  // namespace

TerminalBackend::TerminalBackend(int fd, bool force_tty, int columns)
    : fd_(fd), tty_(force_tty || isatty(fd)), columns_(columns) {}

TerminalBackend::~TerminalBackend() { Erase(); }

int TerminalBackend::Columns() const {
  if (columns_ > 0) return columns_;
  winsize ws{};
  if (ioctl(fd_, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0) return ws.ws_col;
  return 80;
}

HWND TerminalBackend::CreateWindowHandle(TWinControl& control, const TCreateParams& params) {
  HWND handle = HeadlessBackend::CreateWindowHandle(control, params);
  captioned_[handle] = (params.Style & WS_CAPTION) == WS_CAPTION;
  return handle;
}

void TerminalBackend::ShowWindow(HWND window, bool visible) {
  HeadlessBackend::ShowWindow(window, visible);
  if (!visible && window == drawn_window_) Erase();
}

void TerminalBackend::DestroyWindowHandle(HWND window) {
  if (window == drawn_window_) Erase();
  captioned_.erase(window);
  HeadlessBackend::DestroyWindowHandle(window);
}

std::vector<std::string> TerminalBackend::RenderForm(const TForm& form, bool with_caption, int columns) {
  struct Band {
    int top, bottom;
    std::vector<const TControl*> controls;
  };
  std::vector<const TControl*> controls(form.Controls().begin(), form.Controls().end());
  std::sort(controls.begin(), controls.end(),
            [](const TControl* a, const TControl* b) { return a->FTop < b->FTop; });
  std::vector<Band> bands;
  for (const TControl* c : controls) {
    int bottom = c->FTop + std::max(c->FHeight, 1);
    if (!bands.empty() && c->FTop < bands.back().bottom) {
      bands.back().bottom = std::max(bands.back().bottom, bottom);
    } else {
      bands.push_back(Band{c->FTop, bottom, {}});
    }
    if (c->FVisible) bands.back().controls.push_back(c);
  }
  std::vector<std::string> lines;
  if (with_caption) lines.push_back("== " + form.FCaption + " ==");
  for (Band& band : bands) {
    std::sort(band.controls.begin(), band.controls.end(),
              [](const TControl* a, const TControl* b) { return a->FLeft < b->FLeft; });
    std::string line;
    for (const TControl* c : band.controls) {
      std::string text = ControlText(*c, columns, form.FClientWidth);
      if (text.empty()) continue;
      auto* label = dynamic_cast<const TLabel*>(c);
      if (label && label->FAlignment == taCenter && label->FAlign == alTop && line.empty()) {
        int pad = (columns - static_cast<int>(text.size())) / 2;
        line.append(std::max(pad, 0), ' ');
      } else if (line.empty()) {
        line.append(std::max(c->FLeft / kPixelsPerColumn / 2, 0), ' ');
      } else if (line.back() != ' ') {
        line += ' ';
      }
      line += text;
    }
    for (char& ch : line) {
      if (static_cast<unsigned char>(ch) < 32) ch = ' ';
    }
    if (static_cast<int>(line.size()) >= columns) line.resize(std::max(columns - 1, 0));
    lines.push_back(line);
  }
  return lines;
}

void TerminalBackend::Paint(const std::vector<TForm*>& shown_forms) {
  HeadlessBackend::Paint(shown_forms);
  if (!tty_) return;
  if (shown_forms.empty()) {
    Erase();
    return;
  }
  TForm& form = *shown_forms.back();
  HWND window = form.HandleAllocated() ? form.Handle() : nullptr;
  std::vector<std::string> lines = RenderForm(form, captioned_[window], Columns());
  if (window == drawn_window_ && lines == drawn_) return;
  std::string out;
  if (!drawn_.empty()) out += "\x1b[" + std::to_string(drawn_.size()) + "A";
  for (const std::string& line : lines) out += "\r\x1b[2K" + line + "\n";
  if (drawn_.size() > lines.size()) {
    out += "\x1b[J";
  }
  Write(out);
  drawn_ = std::move(lines);
  drawn_window_ = window;
}

void TerminalBackend::Erase() {
  if (!tty_ || drawn_.empty()) return;
  Write("\x1b[" + std::to_string(drawn_.size()) + "A\r\x1b[J");
  drawn_.clear();
  drawn_window_ = nullptr;
}

void TerminalBackend::Write(const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    ssize_t n = ::write(fd_, text.data() + done, text.size() - done);
    if (n <= 0) return;  // a terminal that went away gets no more drawing
    done += static_cast<std::size_t>(n);
  }
}

}  // namespace kx
