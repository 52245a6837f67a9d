// TApplication and TScreen.
#include "platform/application.h"

#include <algorithm>

#include "platform/forms.h"
#include "platform/platform.h"
#include "platform/timer.h"

namespace kx {
namespace {

TApplication the_application;
TScreen the_screen;

// A handler that keeps posting must not keep one pump from returning.
constexpr std::size_t kMaxMessagesPerPump = 100000;

}  // namespace

TApplication* const Application = &the_application;
TScreen* const Screen = &the_screen;

TApplication::TApplication() : TComponent(nullptr) {}

void TApplication::ProcessMessages() {
  CurrentPlatform().PollInput(*this);
  for (std::size_t n = 0; n < kMaxMessagesPerPump && HandleOneQueued(); ++n) {
  }
  std::int64_t now = CurrentPlatform().NowMs();
  std::vector<TTimer*> due;
  for (const TimerEntry& e : timers_) {
    if (e.due <= now) due.push_back(e.timer);
  }
  for (TTimer* t : due) {
    auto it = std::find_if(timers_.begin(), timers_.end(), [t](const TimerEntry& e) { return e.timer == t; });
    if (it == timers_.end()) continue;  // stopped by an earlier handler
    it->due = now + it->interval;
    t->Timer();
  }
  Paint();
}

bool TApplication::HandleMessage() {
  CurrentPlatform().PollInput(*this);
  if (HandleOneQueued() || FireOneDueTimer()) {
    Paint();
    return true;
  }
  Paint();
  return CurrentPlatform().WaitForWork(NextTimerDue());
}

bool TApplication::HandleOneQueued() {
  if (queue_.empty()) return false;
  Queued q = std::move(queue_.front());
  queue_.pop_front();
  if (q.input) {
    q.input();
  } else if (TWinControl* control = FindControl(q.window)) {
    control->Dispatch(q.message);
  }
  return true;
}

bool TApplication::FireOneDueTimer() {
  std::int64_t now = CurrentPlatform().NowMs();
  for (TimerEntry& e : timers_) {
    if (e.due > now) continue;
    e.due = now + e.interval;
    e.timer->Timer();
    return true;
  }
  return false;
}

std::int64_t TApplication::NextTimerDue() const {
  std::int64_t next = -1;
  for (const TimerEntry& e : timers_) {
    if (next < 0 || e.due < next) next = e.due;
  }
  return next;
}

void TApplication::Paint() { CurrentPlatform().Backend().Paint(Screen->ShownForms()); }

bool TApplication::PostMessage(HWND window, UINT msg, WPARAM wparam, LPARAM lparam) {
  if (!FindControl(window)) return false;
  queue_.push_back(Queued{window, TMessage{msg, wparam, lparam, 0}, {}});
  return true;
}

LRESULT TApplication::SendMessage(HWND window, UINT msg, WPARAM wparam, LPARAM lparam) {
  TWinControl* control = FindControl(window);
  return control ? control->Perform(msg, wparam, lparam) : 0;
}

void TApplication::PostInput(std::function<void()> input) { queue_.push_back(Queued{nullptr, {}, std::move(input)}); }

void TApplication::RegisterWindow(HWND window, TWinControl* control) { windows_[window] = control; }

void TApplication::UnregisterWindow(HWND window) {
  windows_.erase(window);
  queue_.erase(std::remove_if(queue_.begin(), queue_.end(),
                              [window](const Queued& q) { return !q.input && q.window == window; }),
               queue_.end());
}

TWinControl* TApplication::FindControl(HWND window) const {
  auto it = windows_.find(window);
  return it == windows_.end() ? nullptr : it->second;
}

void TApplication::StartTimer(TTimer* timer, std::uint32_t interval_ms) {
  StopTimer(timer);
  timers_.push_back(TimerEntry{timer, interval_ms, CurrentPlatform().NowMs() + interval_ms});
}

void TApplication::StopTimer(TTimer* timer) {
  timers_.erase(std::remove_if(timers_.begin(), timers_.end(), [timer](const TimerEntry& e) { return e.timer == timer; }),
                timers_.end());
}

void TApplication::Reset() {
  queue_.clear();
  timers_.clear();
}

TScreen::TScreen() : TComponent(nullptr) {}

std::vector<TForm*> TScreen::ShownForms() const {
  std::vector<TForm*> shown;
  for (TForm* f : forms_) {
    if (f->FVisible && f->FFormStyle != fsStayOnTop) shown.push_back(f);
  }
  for (TForm* f : forms_) {
    if (f->FVisible && f->FFormStyle == fsStayOnTop) shown.push_back(f);
  }
  return shown;
}

TForm* TScreen::ActiveForm() const {
  std::vector<TForm*> shown = ShownForms();
  return shown.empty() ? nullptr : shown.back();
}

}  // namespace kx
