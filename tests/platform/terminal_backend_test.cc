// The terminal backend: three lines for the progress window, redrawn only
// on change, erased on hide, nothing on a non-terminal.
#include <gtest/gtest.h>
#include <unistd.h>

#include <memory>

#include "platform/application.h"
#include "platform/backends/terminal_backend.h"
#include "platform/forms.h"
#include "platform/progress_bar.h"
#include "platform/std_ctrls.h"
#include "platform/system_platform.h"

namespace kx {
namespace {

class Drawn {
 public:
  Drawn() { EXPECT_EQ(pipe(fds_), 0); }
  ~Drawn() {
    close(fds_[0]);
    close(fds_[1]);
  }
  int fd() const { return fds_[1]; }
  std::string Take() {
    std::string out;
    char buf[4096];
    ssize_t n;
    while ((n = read(fds_[0], buf, sizeof buf)) > 0) {
      out.append(buf, n);
      if (n < static_cast<ssize_t>(sizeof buf)) break;
    }
    return out;
  }

 private:
  int fds_[2];
};

// A form laid out like the progress window.
struct StatusForm {
  explicit StatusForm(TForm& f) : form(f) {
    form.ClientWidth = 353;
    form.BorderStyle = bsNone;
    status = Label(25, 8, "Status : ");
    text = Label(120, 8, "");
    detail = Label(25, 66, "");
    bar = new TProgressBar(&form);
    bar->SetParent(&form);
    bar->Left = 24;
    bar->Top = 32;
    bar->Width = 305;
    bar->Height = 25;
    bar->Visible = false;
  }
  TLabel* Label(int left, int top, const char* caption) {
    auto* l = new TLabel(&form);
    l->SetParent(&form);
    l->Left = left;
    l->Top = top;
    l->Height = 16;
    l->Caption = caption;
    return l;
  }
  TForm& form;
  TLabel *status, *text, *detail;
  TProgressBar* bar;
};

TEST(TerminalBackend, RendersStatusBarAndDetailLines) {
  TForm form(nullptr);
  StatusForm s(form);
  s.text->Caption = "Packing ... ";
  s.detail->Caption = "Creating temporary Table";
  EXPECT_EQ(TerminalBackend::RenderForm(form, false, 40),
            (std::vector<std::string>{" Status : Packing ... ", "", " Creating temporary Table"}));
  s.bar->Visible = true;
  s.bar->Position = 50;
  std::vector<std::string> lines = TerminalBackend::RenderForm(form, true, 40);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], "==  ==");  // a title bar, when the style has one
  EXPECT_NE(lines[2].find("50%"), std::string::npos);
  EXPECT_LT(lines[2].size(), 40u);
}

TEST(TerminalBackend, RedrawsOnlyOnChangeAndErasesOnHide) {
  Drawn drawn;
  auto platform = std::make_unique<SystemPlatform>(std::make_unique<TerminalBackend>(drawn.fd(), true, 60));
  auto previous = InstallPlatform(std::move(platform));
  {
    TForm form(nullptr);
    StatusForm s(form);
    form.Show();
    Application->ProcessMessages();
    EXPECT_EQ(drawn.Take(), "\r\x1b[2K Status : \n\r\x1b[2K\n\r\x1b[2K\n");
    Application->ProcessMessages();
    s.text->Caption = "Packing ... ";
    Application->ProcessMessages();
    EXPECT_EQ(drawn.Take(), "\x1b[3A\r\x1b[2K Status : Packing ... \n\r\x1b[2K\n\r\x1b[2K\n");
    form.Hide();
    EXPECT_EQ(drawn.Take(), "\x1b[3A\r\x1b[J");
    Application->ProcessMessages();
  }
  InstallPlatform(std::move(previous));
}

TEST(TerminalBackend, DrawsNothingWhenNotATerminal) {
  Drawn drawn;
  auto previous =
      InstallPlatform(std::make_unique<SystemPlatform>(std::make_unique<TerminalBackend>(drawn.fd())));
  {
    TForm form(nullptr);
    StatusForm s(form);
    form.Show();
    Application->ProcessMessages();
    form.Hide();
  }
  InstallPlatform(std::move(previous));
  write(drawn.fd(), "x", 1);
  EXPECT_EQ(drawn.Take(), "x");
}

}  // namespace
}  // namespace kx
