// The terminal's keyboard: keys decoded from bytes, and a person at a
// pseudo-terminal answering a picker-like modal form and a message box.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>

#include "platform/application.h"
#include "platform/backends/terminal_backend.h"
#include "platform/backends/terminal_keyboard.h"
#include "platform/forms.h"
#include "platform/platform.h"
#include "platform/std_ctrls.h"
#include "platform/system_platform.h"
#include "tests/platform/support/pty_child.h"

namespace kx {
namespace {

TEST(DecodeKeys, TellsCharactersEnterEscapeAndArrows) {
  struct Case {
    std::string bytes;
    bool complete;
    std::vector<Key> keys;
    std::size_t used;
  };
  const Key up{Key::kUp}, down{Key::kDown}, enter{Key::kEnter}, esc{Key::kEscape};
  const Case cases[] = {
      {"7", false, {{Key::kChar, '7'}}, 1},
      {"q\r\n", false, {{Key::kChar, 'q'}, enter, enter}, 3},
      {"\x1b[A\x1b[B\x1bOA", false, {up, down, up}, 9},
      {"\x1b[1;5A", false, {up}, 6},            // with a modifier
      {"\x1b[5~", false, {{Key::kOther}}, 4},   // Page Up
      {"\x1b", false, {}, 0},                   // may be the start of an arrow
      {"\x1b", true, {esc}, 1},                 // nothing followed: Escape
      {"\x1b[", false, {}, 0},
      {"\x1bx", false, {esc, {Key::kChar, 'x'}}, 2},
      {"\x04\x7f\x01", false, {{Key::kEnd}, {Key::kOther}, {Key::kOther}}, 3},
  };
  for (const Case& c : cases) {
    std::vector<Key> keys;
    EXPECT_EQ(DecodeKeys(c.bytes, c.complete, &keys), c.used) << testing::PrintToString(c.bytes);
    EXPECT_EQ(keys, c.keys) << testing::PrintToString(c.bytes);
  }
}

// A modal form like the level picker: a prompt and a combo box whose first
// change by the person ends the display with mrOk.
struct Picker {
  Picker() : form(nullptr) {
    form.ClientWidth = 353;
    form.ClientHeight = 89;
    form.BorderStyle = bsNone;
    prompt = new TLabel(&form);
    prompt->SetParent(&form);
    prompt->Left = 25;
    prompt->Top = 8;
    prompt->Height = 16;
    prompt->Caption = "Select Table Level for : CUST.DB";
    combo = new TComboBox(&form);
    combo->SetParent(&form);
    combo->Left = 104;
    combo->Top = 36;
    combo->Height = 21;
    combo->FOnChange = TNotifyEvent{[this](TObject*) { form.ModalResult = mrOk; }, "cmbLangChange"};
    combo->Items->SetCommaText("3,4,5,7,25");
    combo->ItemIndex = 1;
  }
  TForm form;
  TLabel* prompt;
  TComboBox* combo;
};

// Runs in the child: the picker on the terminal; prints what it ended with.
int RunPickerOnTerminal() {
  UseTerminalBackend();
  Picker picker;
  int result = picker.form.ShowModal();
  termios settings{};
  tcgetattr(STDIN_FILENO, &settings);
  std::printf("result=%d text=%s canonical=%d\n", result, picker.combo->FText.c_str(),
              (settings.c_lflag & (ICANON | ECHO)) == (ICANON | ECHO));
  return 0;
}

TEST(TerminalPicker, FirstKeystrokeOrChoiceEndsTheDisplay) {
  struct Case {
    const char* keys;
    const char* ended_with;
  };
  const Case cases[] = {
      {"7", "result=1 text=7 canonical=1"},          // typed: the text is the key
      {"\x1b[B\r", "result=1 text=5 canonical=1"},   // Down from 4, Enter
      {"\x1bOA\x1bOA\r", "result=1 text=3 canonical=1"},
      {"\r", "result=1 text=4 canonical=1"},         // the current value chosen
      {"\x1b", "result=2 text=4 canonical=1"},       // Escape: no choice
      {"\x04", "result=2 text=4 canonical=1"},       // end of input: no choice
  };
  for (const Case& c : cases) {
    PtyChild child(RunPickerOnTerminal);
    ASSERT_TRUE(child.WaitFor("Esc: cancel")) << child.output();
    EXPECT_NE(child.output().find("|        [4]"), std::string::npos) << child.output();
    EXPECT_NE(child.output().find("> 4"), std::string::npos);
    child.Type(c.keys);
    EXPECT_TRUE(child.WaitFor(c.ended_with)) << testing::PrintToString(c.keys) << child.output();
    EXPECT_EQ(child.Wait(), 0);
  }
}

TEST(TerminalPicker, MarkMovesWithTheArrowsBeforeAChoice) {
  PtyChild child(RunPickerOnTerminal);
  ASSERT_TRUE(child.WaitFor("> 4"));
  child.Type("\x1b[B");
  ASSERT_TRUE(child.WaitFor("> 5"));
  child.Type("\x1b[B\x1b[B\x1b[B\x1b[B");  // stops at the last entry
  ASSERT_TRUE(child.WaitFor("> 25"));
  child.Type("\r");
  EXPECT_TRUE(child.WaitFor("result=1 text=25"));
}

TEST(TerminalPicker, SignalRestoresTheTerminal) {
  for (int sig : {SIGTERM, SIGINT, SIGHUP}) {
    PtyChild child(RunPickerOnTerminal);
    ASSERT_TRUE(child.WaitFor("Esc: cancel"));
    EXPECT_EQ(child.Settings().c_lflag & ICANON, 0u);  // raw while it waits
    child.Kill(sig);
    EXPECT_EQ(child.Wait(), 128 + sig);
    termios settings = child.Settings();
    EXPECT_EQ(settings.c_lflag & (ICANON | ECHO), static_cast<tcflag_t>(ICANON | ECHO)) << sig;
  }
}

TEST(TerminalPicker, EndsAtOnceWithoutAChoiceWhenStdinIsNoTerminal) {
  PtyChild child([] {
    int null = open("/dev/null", O_RDONLY);
    dup2(null, STDIN_FILENO);
    return RunPickerOnTerminal();
  });
  EXPECT_TRUE(child.WaitFor("result=2 text=4", 2000)) << child.output();
  EXPECT_EQ(child.Wait(), 0);
}

TEST(TerminalMessageBox, WaitsForEnterOnATerminalOnly) {
  auto show = [] {
    UseTerminalBackend();
    MessageBoxA(nullptr, "  ERROR Table is busy\r\n    /data/CUST.DB", "BDE Error", MB_OK);
    std::printf("closed\n");
    return 0;
  };
  {
    PtyChild child(show);
    ASSERT_TRUE(child.WaitFor("Press Enter")) << child.output();
    EXPECT_NE(child.output().find("+- BDE Error ---"), std::string::npos) << child.output();
    EXPECT_NE(child.output().find("|     /data/CUST.DB"), std::string::npos);
    child.Type("x");
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(child.output().find("closed"), std::string::npos);
    EXPECT_EQ(child.Wait(0), -1);  // still waiting
    child.Type("\r");
    EXPECT_TRUE(child.WaitFor("closed"));
    EXPECT_EQ(child.Wait(), 0);
  }
  {
    PtyChild child([&show] {
      int null = open("/dev/null", O_RDONLY);
      dup2(null, STDIN_FILENO);
      return show();
    });
    EXPECT_TRUE(child.WaitFor("closed", 2000)) << child.output();
    EXPECT_NE(child.output().find("+- BDE Error ---"), std::string::npos);
    EXPECT_EQ(child.output().find("Press Enter"), std::string::npos);
    EXPECT_EQ(child.Wait(), 0);
  }
}

TEST(TerminalMessageBox, IsPlainTextWhenNotDrawnOnATerminal) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  int saved = dup(STDERR_FILENO);
  dup2(fds[1], STDERR_FILENO);
  TerminalBackend backend(STDERR_FILENO);
  backend.AttachKeyboard(STDIN_FILENO);
  EXPECT_EQ(backend.MessageBox("  ERROR x", "BDE Error", MB_OK), IDOK);
  dup2(saved, STDERR_FILENO);
  close(saved);
  close(fds[1]);
  char buffer[256] = {};
  read(fds[0], buffer, sizeof buffer - 1);
  close(fds[0]);
  EXPECT_STREQ(buffer, "BDE Error:\n  ERROR x\n");
}

TEST(TerminalRender, FramesAModalPickerWithItsListAndWrapsLongBoxLines) {
  Picker picker;
  TerminalBackend::ListView list{picker.combo, 1, 14};
  std::vector<std::string> lines = TerminalBackend::RenderForm(picker.form, false, 41, &list);
  EXPECT_EQ(lines, (std::vector<std::string>{" Select Table Level for : CUST.DB", "       [4]", "         3",
                                             "       > 4", "         5", "         7", "         25"}));
  list.max_lines = 3;  // a window around the mark
  lines = TerminalBackend::RenderForm(picker.form, false, 41, &list);
  EXPECT_EQ(std::vector<std::string>(lines.begin() + 2, lines.end()),
            (std::vector<std::string>{"         3", "       > 4", "         ..."}));
  EXPECT_EQ(TerminalBackend::Frame({"ab"}, "T", 4), (std::vector<std::string>{"+- T --+", "| ab   |", "+------+"}));
  EXPECT_EQ(TerminalBackend::RenderMessageBox("0123456789abcdef", "Cap", 14, false),
            (std::vector<std::string>{"+- Cap ------+", "| 0123456789 |", "| abcdef     |", "+------------+"}));
}

}  // namespace
}  // namespace kx
