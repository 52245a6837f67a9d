// Ownership and free notification of components; the application's queue
// and timers on the virtual clock.
#include <gtest/gtest.h>

#include "platform/application.h"
#include "platform/forms.h"
#include "platform/timer.h"
#include "platform/virtual_platform.h"

namespace kx {
namespace {

class Watcher : public TComponent {
 public:
  using TComponent::TComponent;
  TComponent* watched = nullptr;
  int removed = 0;

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override {
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == watched) {
      watched = nullptr;
      ++removed;
    }
  }
};

TEST(Component, OwnerFreesWhatItOwnsAndTellsTheOthers) {
  auto* owner = new TComponent(nullptr);
  auto* child = new TComponent(owner);
  child->FName = "Child";
  auto* sibling = new Watcher(owner);
  sibling->watched = child;
  EXPECT_EQ(owner->FindComponent("child"), child);
  delete child;  // the owner passes the news to its other components
  EXPECT_EQ(sibling->watched, nullptr);
  EXPECT_EQ(owner->ComponentCount(), 1);
  delete owner;  // frees the sibling too (a leak checker would tell)
}

TEST(Component, FreeNotificationReachesComponentsOfOtherOwners) {
  Watcher watcher(nullptr);
  auto* target = new TComponent(nullptr);
  watcher.watched = target;
  target->FreeNotification(&watcher);
  delete target;
  EXPECT_EQ(watcher.watched, nullptr);
  EXPECT_EQ(watcher.removed, 1);

  auto* kept = new TComponent(nullptr);
  watcher.watched = kept;
  kept->FreeNotification(&watcher);
  kept->RemoveFreeNotification(&watcher);
  delete kept;
  EXPECT_EQ(watcher.removed, 1);
}

TEST(Component, AWatcherDestroyedFirstIsNotCalledLater) {
  auto* target = new TComponent(nullptr);
  {
    Watcher watcher(nullptr);
    target->FreeNotification(&watcher);
  }
  delete target;  // must not reach the destroyed watcher
}

class Recorder : public TForm {
 public:
  Recorder() : TForm(nullptr) {}
  std::vector<UINT> seen;
  void Dispatch(TMessage& m) override {
    seen.push_back(m.Msg);
    TForm::Dispatch(m);
  }
};

TEST(Application, PumpHandlesEverythingWaitingAndDropsMessagesOfDeadWindows) {
  ScopedVirtualPlatform platform;
  auto* a = new Recorder;
  Recorder b;
  HWND ha = a->Handle();
  PostMessage(ha, WM_USER + 1, 0, 0);
  PostMessage(b.Handle(), WM_USER + 2, 0, 0);
  PostMessage(ha, WM_USER + 3, 0, 0);
  EXPECT_EQ(Application->pending(), 3u);
  Application->ProcessMessages();
  EXPECT_EQ(a->seen, (std::vector<UINT>{WM_USER + 1, WM_USER + 3}));
  EXPECT_EQ(b.seen, std::vector<UINT>{WM_USER + 2});
  PostMessage(ha, WM_USER + 4, 0, 0);
  delete a;
  EXPECT_EQ(Application->pending(), 0u);
  EXPECT_FALSE(PostMessage(ha, WM_USER + 5, 0, 0));
}

TEST(Application, TimersFireByVirtualTimeOnlyWhenPumped) {
  ScopedVirtualPlatform platform;
  TTimer timer(nullptr);
  std::vector<std::int64_t> fired;
  timer.OnTimer = TNotifyEvent{[&](TObject*) { fired.push_back(platform->NowMs()); }, "tick"};
  timer.Interval = 300;
  Sleep(1000);  // a plain sleep handles nothing
  EXPECT_TRUE(fired.empty());
  Application->ProcessMessages();
  EXPECT_EQ(fired, std::vector<std::int64_t>{1000});
  Sleep(200);
  Application->ProcessMessages();
  EXPECT_EQ(fired.size(), 1u);
  Sleep(100);
  Application->ProcessMessages();
  EXPECT_EQ(fired, (std::vector<std::int64_t>{1000, 1300}));
  timer.Enabled = false;
  Sleep(1000);
  Application->ProcessMessages();
  EXPECT_EQ(fired.size(), 2u);
}

TEST(Screen, ShowModalHidesTheFormAndKeepsStayOnTopFormsLast) {
  ScopedVirtualPlatform platform;
  TForm top(nullptr), normal(nullptr);
  top.FormStyle = fsStayOnTop;
  top.Show();
  normal.Show();
  EXPECT_EQ(Screen->ShownForms(), (std::vector<TForm*>{&normal, &top}));
  top.Hide();
  EXPECT_EQ(Screen->ActiveForm(), &normal);
  EXPECT_THROW(normal.ShowModal(), Exception);  // already visible
}

}  // namespace
}  // namespace kx
