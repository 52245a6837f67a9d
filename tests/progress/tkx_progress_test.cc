// The progress window itself: what its form description gives it, its
// window style, the bar's stepping, WM_STEPBAR, and the two event handlers.
#include <gtest/gtest.h>

#include <memory>

#include "platform/application.h"
#include "platform/backends/headless_backend.h"
#include "progress/tkx_progress.h"
#include "tests/progress/support/ui_fixture.h"

namespace kx {
namespace {

using ProgressWindowTest = UiTest;

void ExpectLabelFont(const TLabel& label) {
  EXPECT_FALSE(label.FParentFont);
  EXPECT_EQ(label.FFont.FName, "MS Sans Serif");
  EXPECT_EQ(label.FFont.FHeight, -13);
  EXPECT_EQ(label.FFont.FCharset, DEFAULT_CHARSET);
  EXPECT_EQ(label.FFont.FColor, clMaroon);
  EXPECT_EQ(label.FFont.FPitch, fpFixed);
  EXPECT_EQ(label.FFont.FStyle, TFontStyles{fsBold});
}

TEST_F(ProgressWindowTest, ANewWindowHoldsTheFormDescriptionsValues) {
  TkxProgress w(nullptr);
  EXPECT_EQ(w.FName, "kxProgress");
  EXPECT_EQ(w.FIndexNo, 1);
  EXPECT_FALSE(w.FRestructuring);
  EXPECT_FALSE(w.FVisiMode);
  EXPECT_EQ(w.FDataSet, nullptr);
  EXPECT_EQ(w.FBorderStyle, bsDialog);
  EXPECT_TRUE(w.FBorderIcons.Empty());
  EXPECT_EQ(w.FFormStyle, fsStayOnTop);
  EXPECT_EQ(w.FPosition, poScreenCenter);
  EXPECT_EQ(w.FClientWidth, 353);
  EXPECT_EQ(w.FClientHeight, 89);
  EXPECT_EQ(w.FCaption, "");
  EXPECT_EQ(w.FFont.FHeight, -11);
  EXPECT_EQ(w.FFont.FPitch, fpFixed);
  EXPECT_EQ(w.FPixelsPerInch, 96);
  EXPECT_EQ(w.FTextHeight, 13);

  struct Place {
    TControl* control;
    int left, top, width, height;
    bool visible;
  };
  for (Place p : {Place{w.Label1, 120, 8, 8, 16, true}, Place{w.Label2, 25, 66, 8, 16, true},
                  Place{w.Label3, 25, 8, 72, 16, true}, Place{w.Label4, 19, 37, 6, 24, false},
                  Place{w.cmbLang, 104, 36, 145, 21, false}, Place{w.prgBar, 24, 32, 305, 25, false}}) {
    SCOPED_TRACE(p.control->FName);
    EXPECT_EQ(p.control->FLeft, p.left);
    EXPECT_EQ(p.control->FTop, p.top);
    EXPECT_EQ(p.control->FWidth, p.width);
    EXPECT_EQ(p.control->FHeight, p.height);
    EXPECT_EQ(p.control->FVisible, p.visible);
  }
  for (TLabel* label : {w.Label1, w.Label2, w.Label3}) ExpectLabelFont(*label);
  EXPECT_EQ(w.Label1->FCaption, "");
  EXPECT_EQ(w.Label2->FCaption, "");
  EXPECT_EQ(w.Label3->FCaption, "Status : ");
  EXPECT_EQ(w.Label4->FFont.FName, "Helvetica");
  EXPECT_EQ(w.Label4->FFont.FHeight, -21);
  EXPECT_EQ(w.Label4->FFont.FCharset, ANSI_CHARSET);
  EXPECT_EQ(w.Label4->FFont.FColor, clNavy);
  EXPECT_EQ(w.cmbLang->Items->Count(), 0);
  EXPECT_EQ(w.cmbLang->FItemHeight, 13);
  EXPECT_EQ(w.cmbLang->FTabOrder, 0);
  EXPECT_EQ(w.cmbLang->FStyle, csDropDown);
  EXPECT_EQ(w.cmbLang->FOnChange.name, "cmbLangChange");
  EXPECT_EQ(&w.cmbLang->EffectiveFont(), &w.FFont);
  EXPECT_EQ(w.prgBar->FMin, 0);
  EXPECT_EQ(w.prgBar->FMax, 100);
  EXPECT_EQ(w.prgBar->FPosition, 0);
  EXPECT_EQ(w.prgBar->FStep, 10);
  EXPECT_EQ(w.prgBar->FTabOrder, 1);
  EXPECT_FALSE(w.Timer2->FEnabled);
  EXPECT_EQ(w.Timer2->FInterval, 5000u);
  EXPECT_EQ(w.Timer2->FOnTimer.name, "Timer2Timer");
  EXPECT_FALSE(w.HandleAllocated());
}

TEST_F(ProgressWindowTest, ShownWindowHasNoTitleBarStaysOnTopAndIsCentred) {
  TkxProgress w(nullptr);
  platform_->LogPumps(true);
  w.Show();
  const TCreateParams* params = platform_->headless().ParamsOf(w.Handle());
  ASSERT_NE(params, nullptr);
  EXPECT_EQ(params->Style & WS_CAPTION, 0u);
  EXPECT_EQ(params->Style & WS_POPUP, WS_POPUP);
  EXPECT_EQ(params->ExStyle, WS_EX_DLGMODALFRAME | WS_EX_TOPMOST);
  EXPECT_EQ(params->Width - 2 * w.FrameWidth(), 353);
  EXPECT_EQ(params->Height - 2 * w.FrameHeight(), 89);
  EXPECT_EQ(params->X, (Screen->Width - params->Width) / 2);
  EXPECT_EQ(params->Y, (Screen->Height - params->Height) / 2);
  // CreateParams pumped once, before the window existed.
  EXPECT_EQ(platform_->log(), (std::vector<std::string>{"t=0 pump", "t=0 create kxProgress", "t=0 show kxProgress"}));

  TForm plain(nullptr);
  plain.BorderStyle = bsDialog;
  plain.Show();
  EXPECT_EQ(platform_->headless().ParamsOf(plain.Handle())->Style & WS_CAPTION, WS_CAPTION);
}

TEST_F(ProgressWindowTest, StepBarReachesTheMaximumInTenStepsAndStillPumpsAfter) {
  TkxProgress w(nullptr);
  int pumps = 0;
  platform_->OnPump([&] { ++pumps; });
  for (int i = 0; i < 10; ++i) w.StepBar();
  EXPECT_EQ(w.prgBar->FPosition, 100);
  EXPECT_EQ(pumps, 10);
  w.StepBar();
  EXPECT_EQ(w.prgBar->FPosition, 100);
  EXPECT_EQ(pumps, 11);
  platform_->OnPump(nullptr);
}

TEST_F(ProgressWindowTest, WmStepBarStepsEvenAHiddenBarWithoutPumping) {
  TkxProgress w(nullptr);
  int pumps = 0;
  w.Show();
  platform_->OnPump([&] { ++pumps; });
  ASSERT_FALSE(w.prgBar->FVisible);
  EXPECT_EQ(SendMessage(w.Handle(), WM_STEPBAR, 0, 0), 0);
  EXPECT_EQ(SendMessage(w.Handle(), 0x8064, 12345, -1), 0);
  EXPECT_EQ(w.prgBar->FPosition, 20);
  EXPECT_EQ(pumps, 0);
  ASSERT_TRUE(PostMessage(w.Handle(), WM_STEPBAR, 0, 0));
  Application->ProcessMessages();
  EXPECT_EQ(w.prgBar->FPosition, 30);
  w.prgBar->Position = 100;
  w.Perform(WM_STEPBAR, 0, 0);
  EXPECT_EQ(w.prgBar->FPosition, 100);
  platform_->OnPump(nullptr);
}

TEST_F(ProgressWindowTest, OtherMessagesGetThePlainFormsHandling) {
  TkxProgress w(nullptr);
  TForm plain(nullptr);
  for (TForm* form : {static_cast<TForm*>(&w), &plain}) {
    EXPECT_EQ(form->Perform(WM_USER + 1, 1, 2), 0);
    EXPECT_EQ(form->Perform(WM_STEPBAR + 1, 0, 0), 0);
    form->Show();
    form->Perform(WM_CLOSE, 0, 0);
    EXPECT_FALSE(form->FVisible);
  }
  EXPECT_EQ(w.prgBar->FPosition, 0);
}

TEST_F(ProgressWindowTest, UserChangingTheComboEndsTheModalDisplayButCodeDoesNot) {
  TkxProgress w(nullptr);
  w.cmbLang->Items->SetCommaText("3,4,5,7,25");
  w.cmbLang->ItemIndex = 1;  // a preselection from code is no change
  w.cmbLang->Visible = true;
  platform_->TypeAt(250, "75");
  EXPECT_EQ(w.ShowModal(), mrOk);
  EXPECT_EQ(w.cmbLang->FText, "7");  // one character replaced the selection, then the display ended
  EXPECT_EQ(platform_->NowMs(), 250);
  EXPECT_FALSE(w.FVisible);

  TkxProgress picker(nullptr);
  picker.cmbLang->Items->SetCommaText("1024,2048");
  platform_->SelectAt(400, 1);
  EXPECT_EQ(picker.ShowModal(), mrOk);
  EXPECT_EQ(picker.cmbLang->FText, "2048");
}

TEST_F(ProgressWindowTest, AboutBoxTimerClosesItOnceAfterFiveSeconds) {
  TkxProgress w(nullptr);
  w.Timer2->Enabled = true;
  EXPECT_EQ(w.ShowModal(), mrOk);
  EXPECT_EQ(platform_->NowMs(), 5000);
  EXPECT_FALSE(w.Timer2->FEnabled);
}

TEST_F(ProgressWindowTest, ModalDisplayWithNothingToWaitForEndsWithCancel) {
  TkxProgress w(nullptr);
  EXPECT_EQ(w.ShowModal(), mrCancel);
}

}  // namespace
}  // namespace kx
