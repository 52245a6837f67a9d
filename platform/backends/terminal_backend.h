// The terminal backend: the top shown form drawn as lines of text on a
// terminal (stderr for the command-line tool).
//
// The form's controls are grouped into lines by their vertical place, so the
// progress window reads as three lines: "Status : " with the status text, the
// progress bar (blank while the bar is hidden), and the detail text. A form
// whose style has a title bar (WS_CAPTION) gets its caption as a first line.
// Lines are drawn at each pump only when they differ from what is on the
// terminal: the cursor goes back up over the old lines and each line is
// cleared and written again, so nothing flickers. Hiding the form erases
// its lines. When the file descriptor is not a terminal nothing is written
// at all.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/backends/headless_backend.h"

namespace kx {

class TerminalBackend : public HeadlessBackend {
 public:
  // `fd` receives the drawing; `force_tty` draws even when it is not a
  // terminal (for tests), with `columns` as its width.
  explicit TerminalBackend(int fd, bool force_tty = false, int columns = 0);
  ~TerminalBackend() override;

  HWND CreateWindowHandle(TWinControl& control, const TCreateParams& params) override;
  void ShowWindow(HWND window, bool visible) override;
  void DestroyWindowHandle(HWND window) override;
  void Paint(const std::vector<TForm*>& shown_forms) override;

  // The lines that a form is drawn as, each at most `columns` wide.
  static std::vector<std::string> RenderForm(const TForm& form, bool with_caption, int columns);

 private:
  int Columns() const;
  void Erase();
  void Write(const std::string& text);

  int fd_;
  bool tty_;
  int columns_;
  std::map<HWND, bool> captioned_;
  HWND drawn_window_ = nullptr;
  std::vector<std::string> drawn_;
};

}  // namespace kx
