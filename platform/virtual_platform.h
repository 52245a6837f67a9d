// The platform for tests: a virtual clock, a scripted user and a log.
//
// Time starts at 0 and moves only when Sleep is called (by the slept amount)
// or when a modal loop waits (to the next timer or scripted input). Each
// sleep, each message box and each window event of the headless backend is
// logged with the time, e.g. "t=100 sleep 1000", "t=0 show kxProgress",
// "t=1100 box BDE Error: ...". The scripted user acts at given times: it
// types text into, or selects an entry of, a combo box of the top shown form;
// each character is one piece of input, handled in turn by the pumps. Message
// boxes are answered from a queue of buttons (IDOK when it is empty).
//
// ScopedVirtualPlatform installs one for a test and restores the previous
// platform (and clears the application's queue and the screen's cursor).
#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/backends/headless_backend.h"
#include "platform/platform.h"

namespace kx {

class VirtualPlatform : public Platform {
 public:
  struct Box {
    std::int64_t t;
    std::string text, caption;
    std::uint32_t type;
  };

  VirtualPlatform();

  std::int64_t NowMs() override { return now_; }
  void Sleep(std::uint32_t ms) override;
  int MessageBox(const std::string& text, const std::string& caption, std::uint32_t type) override;
  void PollInput(TApplication& app) override;
  bool WaitForWork(std::int64_t deadline_ms) override;
  WindowBackend& Backend() override { return backend_; }
  HeadlessBackend& headless() { return backend_; }
  // Also log each pump ("pump") from now on.
  void LogPumps(bool on) { log_pumps_ = on; }
  // Runs at the end of every pump (to watch what a person would see).
  void OnPump(std::function<void()> hook) { on_pump_ = std::move(hook); }

  // Scripted user.
  void TypeAt(std::int64_t t, const std::string& text, const std::string& combo = "cmbLang");
  void SelectAt(std::int64_t t, int index, const std::string& combo = "cmbLang");
  void AnswerBox(int button) { box_answers_.push_back(button); }

  // What happened.
  const std::vector<std::string>& log() const { return log_; }
  void ClearLog() { log_.clear(); }
  const std::vector<std::uint32_t>& sleeps() const { return sleeps_; }
  const std::vector<Box>& boxes() const { return boxes_; }
  void Note(const std::string& event);

 private:
  struct Action {
    std::int64_t t;
    std::string combo;
    std::string text;  // typed, one piece of input per character
    int select = -1;   // or an entry picked
  };

  std::int64_t now_ = 0;
  bool log_pumps_ = false;
  std::function<void()> on_pump_;
  HeadlessBackend backend_;
  std::deque<Action> script_;
  std::deque<int> box_answers_;
  std::vector<std::string> log_;
  std::vector<std::uint32_t> sleeps_;
  std::vector<Box> boxes_;
};

class ScopedVirtualPlatform {
 public:
  ScopedVirtualPlatform();
  ~ScopedVirtualPlatform();
  VirtualPlatform& operator*() { return *platform_; }
  VirtualPlatform* operator->() { return platform_; }

 private:
  VirtualPlatform* platform_;
  std::unique_ptr<Platform> previous_;
};

}  // namespace kx
