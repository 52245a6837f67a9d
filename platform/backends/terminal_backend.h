// The terminal backend: the top shown form drawn as lines of text on a
// terminal (stderr for the command-line tool), and the person's keys.
//
// The form's controls are grouped into lines by their vertical place, so the
// progress window reads as three lines: "Status : " with the status text, the
// progress bar (blank while the bar is hidden), and the detail text. A label
// aligned along the top or bottom with centred text is centred. A form whose
// style has a title bar (WS_CAPTION) gets its caption as a first line. Lines
// are drawn at each pump only when they differ from what is on the terminal:
// the cursor goes back up over the old lines and each line is cleared and
// written again, so nothing flickers. Hiding the form erases its lines. When
// the file descriptor is not a terminal nothing is drawn at all.
//
// A modal form is drawn in a frame. With a keyboard attached (stdin, when it
// and the drawing both are terminals, and the process is the terminal's
// foreground job) the terminal is in raw mode while a
// modal form is shown, and keys go to that form:
// - with a visible combo box (the picker), the box's entries are listed under
//   it with a mark on the selected one. A printable key types itself into the
//   box's text; Up and Down move the mark; Enter chooses the marked entry
//   (nothing when no entry is marked). Both are the person's changes of the
//   box's text and fire its OnChange. Escape, Ctrl-D and the end of input are
//   the system's close key: the form gets WM_CLOSE, which ends the display
//   with mrCancel, no choice made. A printable key is always typed, "q" too.
// - without one (the About box), any key is the close key.
// Without a keyboard no key can come, so a modal form with no timer ends at
// once (mrCancel) and never waits for nobody.
//
// A message box is a frame with the caption in its top edge. It waits for
// Enter (or Escape, or the end of input) when there is a keyboard, and not
// otherwise; on a descriptor that is not a terminal it is the plain text of
// the base backend.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/backends/headless_backend.h"
#include "platform/backends/terminal_keyboard.h"

namespace kx {

class TComboBox;

class TerminalBackend : public HeadlessBackend {
 public:
  // `fd` receives the drawing; `force_tty` draws even when it is not a
  // terminal (for tests), with `columns` and `rows` as its size.
  explicit TerminalBackend(int fd, bool force_tty = false, int columns = 0, int rows = 0);
  ~TerminalBackend() override;

  // Takes keys from `fd` while a modal form is shown; nothing happens when
  // `fd` or the drawing's descriptor is not a terminal.
  void AttachKeyboard(int fd);

  HWND CreateWindowHandle(TWinControl& control, const TCreateParams& params) override;
  void ShowWindow(HWND window, bool visible) override;
  void DestroyWindowHandle(HWND window) override;
  void Paint(const std::vector<TForm*>& shown_forms) override;
  int MessageBox(const std::string& text, const std::string& caption, UINT type) override;
  void PollInput(TApplication& app) override;
  bool WaitForInput(int timeout_ms) override;

  // What one key does to the modal form on top (see above).
  void HandleKey(const Key& key);

  // A combo box drawn as its list of entries, at most `max_lines` of them
  // (a window around the mark), the entry `mark` marked.
  struct ListView {
    const TComboBox* combo;
    int mark;
    int max_lines;
  };
  // The lines that a form is drawn as, each at most `columns` - 1 wide.
  static std::vector<std::string> RenderForm(const TForm& form, bool with_caption, int columns,
                                             const ListView* list = nullptr);
  // `lines` in a frame with `inner` columns inside and `title` in its top edge.
  static std::vector<std::string> Frame(const std::vector<std::string>& lines, const std::string& title, int inner);
  // A message box at most `columns` wide; long lines are wrapped.
  static std::vector<std::string> RenderMessageBox(const std::string& text, const std::string& caption, int columns,
                                                   bool waits);

 private:
  int Columns() const;
  int Rows() const;
  bool Interactive() const;
  std::vector<std::string> Render(const TForm& form, HWND window) const;
  void Erase();
  void Write(const std::string& text);

  int fd_;
  bool tty_;
  int columns_;
  int rows_;
  std::map<HWND, bool> captioned_;
  HWND drawn_window_ = nullptr;
  std::vector<std::string> drawn_;
  std::unique_ptr<TerminalKeyboard> keyboard_;
  std::unique_ptr<RawMode> raw_;
  HWND modal_window_ = nullptr;  // the modal form that the keys go to
  int mark_ = -1;
};

}  // namespace kx
