// The application object and the screen.
//
// TApplication owns the message queue, the timers and the window registry.
// ProcessMessages hands over the user's due input, handles every message
// waiting (and those that handlers post meanwhile), fires the timers that are
// due, lets the backend paint, and returns. HandleMessage handles one thing
// or, with nothing to do, waits for the next timer or input; modal loops are
// built on it. Messages and input for a window that has been destroyed are
// dropped. TScreen keeps the forms and the mouse cursor.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <vector>

#include "platform/component.h"
#include "platform/graphics.h"
#include "platform/windows_api.h"

namespace kx {

class TWinControl;
class TForm;
class TTimer;

class TApplication : public TComponent {
 public:
  TApplication();
  const char* ClassName() const override { return "TApplication"; }

  void ProcessMessages();
  // Handles one waiting message, input or due timer; with none, paints and
  // waits for the next. Returns false when nothing can ever come.
  bool HandleMessage();

  bool PostMessage(HWND window, UINT msg, WPARAM wparam, LPARAM lparam);
  LRESULT SendMessage(HWND window, UINT msg, WPARAM wparam, LPARAM lparam);
  // Queues a piece of user input (run in order with the messages).
  void PostInput(std::function<void()> input);

  void RegisterWindow(HWND window, TWinControl* control);
  void UnregisterWindow(HWND window);
  TWinControl* FindControl(HWND window) const;

  void StartTimer(TTimer* timer, std::uint32_t interval_ms);
  void StopTimer(TTimer* timer);

  // Drops every queued message, input and timer (tests start clean).
  void Reset();
  std::size_t pending() const { return queue_.size(); }

 private:
  struct Queued {
    HWND window = nullptr;
    TMessage message;
    std::function<void()> input;
  };
  struct TimerEntry {
    TTimer* timer;
    std::uint32_t interval;
    std::int64_t due;
  };
  bool HandleOneQueued();
  bool FireOneDueTimer();
  std::int64_t NextTimerDue() const;
  void Paint();

  std::deque<Queued> queue_;
  std::map<HWND, TWinControl*> windows_;
  std::vector<TimerEntry> timers_;
};

class TScreen : public TComponent {
 public:
  TScreen();
  const char* ClassName() const override { return "TScreen"; }

  int FormCount() const { return static_cast<int>(forms_.size()); }
  TForm* Forms(int index) const { return forms_.at(index); }
  // Shown forms, bottom to top (stay-on-top forms last).
  std::vector<TForm*> ShownForms() const;
  TForm* ActiveForm() const;

  TCursor FCursor = crDefault;
  TProp<TCursor> Cursor{this, "Cursor", FCursor, crDefault};
  int Width = 1024;
  int Height = 768;

 private:
  friend class TForm;
  std::vector<TForm*> forms_;
};

extern TApplication* const Application;
extern TScreen* const Screen;

}  // namespace kx
