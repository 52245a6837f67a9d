// The terminal backend: drawing on the terminal, the keyboard and message
// boxes. The drawings themselves are in terminal_render.cc.
#include "platform/backends/terminal_backend.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>

#include "platform/application.h"
#include "platform/forms.h"
#include "platform/platform.h"
#include "platform/std_ctrls.h"

namespace kx {
namespace {

constexpr int kPixelsPerColumn = 7;
constexpr const char* kPickerHint = "Up/Down: move  Enter: choose  a key: type it  Esc: cancel";

// The combo box that a modal form's keys go to: its first visible one.
TComboBox* ListOf(const TForm& form) {
  for (TControl* c : form.Controls()) {
    if (auto* combo = dynamic_cast<TComboBox*>(c); combo && combo->FVisible) return combo;
  }
  return nullptr;
}

int WidestLabel(const TForm& form) {
  int widest = 0;
  for (TControl* c : form.Controls()) {
    if (auto* label = dynamic_cast<TLabel*>(c); label && label->FVisible)
      widest = std::max(widest, static_cast<int>(label->FCaption.size()) + 2);
  }
  return widest;
}

}  // namespace

TerminalBackend::TerminalBackend(int fd, bool force_tty, int columns, int rows)
    : fd_(fd), tty_(force_tty || isatty(fd)), columns_(columns), rows_(rows) {}

TerminalBackend::~TerminalBackend() {
  raw_.reset();
  Erase();
}

void TerminalBackend::AttachKeyboard(int fd) { keyboard_ = std::make_unique<TerminalKeyboard>(fd); }

bool TerminalBackend::Interactive() const {
  return tty_ && keyboard_ && keyboard_->InForeground() && !keyboard_->ended();
}

int TerminalBackend::Columns() const {
  if (columns_ > 0) return columns_;
  winsize ws{};
  if (ioctl(fd_, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0) return ws.ws_col;
  return 80;
}

int TerminalBackend::Rows() const {
  if (rows_ > 0) return rows_;
  winsize ws{};
  if (ioctl(fd_, TIOCGWINSZ, &ws) == 0 && ws.ws_row > 0) return ws.ws_row;
  return 24;
}

HWND TerminalBackend::CreateWindowHandle(TWinControl& control, const TCreateParams& params) {
  HWND handle = HeadlessBackend::CreateWindowHandle(control, params);
  captioned_[handle] = (params.Style & WS_CAPTION) == WS_CAPTION;
  return handle;
}

void TerminalBackend::ShowWindow(HWND window, bool visible) {
  HeadlessBackend::ShowWindow(window, visible);
  if (visible) {
    auto* form = dynamic_cast<TForm*>(ControlOf(window));
    if (form && form->Modal() && !modal_window_ && Interactive()) {
      raw_ = std::make_unique<RawMode>(keyboard_->fd());
      modal_window_ = window;
      const TComboBox* combo = ListOf(*form);
      mark_ = combo ? combo->FItemIndex : -1;
    }
    return;
  }
  if (window == modal_window_) {
    raw_.reset();
    modal_window_ = nullptr;
  }
  if (window == drawn_window_) Erase();
}

void TerminalBackend::DestroyWindowHandle(HWND window) {
  if (window == modal_window_) {
    raw_.reset();
    modal_window_ = nullptr;
  }
  if (window == drawn_window_) Erase();
  captioned_.erase(window);
  HeadlessBackend::DestroyWindowHandle(window);
}

std::vector<std::string> TerminalBackend::Render(const TForm& form, HWND window) const {
  auto caption = captioned_.find(window);
  bool with_caption = caption != captioned_.end() && caption->second;
  int columns = Columns();
  if (!form.Modal()) return RenderForm(form, with_caption, columns);
  const TComboBox* combo = ListOf(form);
  bool keys = combo && window == modal_window_;
  int inner = std::max(form.FClientWidth / kPixelsPerColumn, WidestLabel(form));
  if (keys) inner = std::max(inner, static_cast<int>(std::string_view(kPickerHint).size()));
  inner = std::max(std::min(inner, columns - 4), 10);
  ListView list{combo, mark_, Rows() - 10};
  std::vector<std::string> lines = RenderForm(form, with_caption, inner + 1, combo ? &list : nullptr);
  if (keys) lines.push_back(kPickerHint);
  return Frame(lines, "", inner);
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
  std::vector<std::string> lines = Render(form, window);
  if (window == drawn_window_ && lines == drawn_) return;
  std::string out;
  if (!drawn_.empty()) out += "\x1b[" + std::to_string(drawn_.size()) + "A";
  for (const std::string& line : lines) out += "\r\x1b[2K" + line + "\n";
  if (drawn_.size() > lines.size()) out += "\x1b[J";
  Write(out);
  drawn_ = std::move(lines);
  drawn_window_ = window;
}

void TerminalBackend::HandleKey(const Key& key) {
  TForm* form = Screen->ActiveForm();
  if (!form || !modal_window_ || !form->HandleAllocated() || form->Handle() != modal_window_) return;
  auto close = [form] { Application->PostMessage(form->Handle(), WM_CLOSE, 0, 0); };
  TComboBox* combo = ListOf(*form);
  if (!combo) return close();
  int count = combo->Items->Count();
  switch (key.kind) {
    case Key::kChar: combo->UserType(key.ch); break;
    case Key::kUp: mark_ = mark_ < 0 ? count - 1 : std::max(mark_ - 1, 0); break;
    case Key::kDown: mark_ = std::min(mark_ + 1, count - 1); break;
    case Key::kEnter:
      if (mark_ >= 0 && mark_ < count) combo->UserSelect(mark_);
      break;
    case Key::kEscape:
    case Key::kEnd: close(); break;
    case Key::kOther: break;
  }
}

void TerminalBackend::PollInput(TApplication& app) {
  if (!modal_window_ || !keyboard_) return;
  // The keys run in turn with the messages, by which time this backend may
  // have gone with its platform: they go to whatever terminal is installed.
  for (const Key& key : keyboard_->Read()) {
    app.PostInput([key] {
      if (auto* terminal = dynamic_cast<TerminalBackend*>(&CurrentPlatform().Backend())) terminal->HandleKey(key);
    });
  }
}

bool TerminalBackend::WaitForInput(int timeout_ms) {
  if (!modal_window_ || !keyboard_ || keyboard_->ended()) return false;
  keyboard_->Wait(timeout_ms);
  return true;
}

int TerminalBackend::MessageBox(const std::string& text, const std::string& caption, UINT type) {
  if (!tty_) return WindowBackend::MessageBox(text, caption, type);
  bool waits = Interactive();
  Erase();
  std::string out;
  for (const std::string& line : RenderMessageBox(text, caption, Columns(), waits)) out += line + "\n";
  Write(out);
  if (!waits) return IDOK;
  RawMode raw(keyboard_->fd());
  while (!keyboard_->ended()) {
    if (!keyboard_->Wait(-1) && !keyboard_->ended()) break;  // the terminal fails: wait no longer
    for (const Key& key : keyboard_->Read()) {
      if (key.kind == Key::kEnter || key.kind == Key::kEscape || key.kind == Key::kEnd) return IDOK;
    }
  }
  return IDOK;
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
