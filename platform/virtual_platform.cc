// The virtual platform for tests.
#include "platform/virtual_platform.h"

#include <algorithm>

#include "platform/application.h"
#include "platform/forms.h"
#include "platform/std_ctrls.h"

namespace kx {

VirtualPlatform::VirtualPlatform()
    : backend_([this](const std::string& e) { Note(e); }, [this] {
        if (log_pumps_) Note("pump");
        if (on_pump_) on_pump_();
      }) {}

void VirtualPlatform::Note(const std::string& event) { log_.push_back("t=" + std::to_string(now_) + " " + event); }

void VirtualPlatform::Sleep(std::uint32_t ms) {
  Note("sleep " + std::to_string(ms));
  sleeps_.push_back(ms);
  now_ += ms;
}

int VirtualPlatform::MessageBox(const std::string& text, const std::string& caption, std::uint32_t type) {
  Note("box " + caption + ": " + text);
  boxes_.push_back(Box{now_, text, caption, type});
  if (box_answers_.empty()) return IDOK;
  int answer = box_answers_.front();
  box_answers_.pop_front();
  return answer;
}

void VirtualPlatform::TypeAt(std::int64_t t, const std::string& text, const std::string& combo) {
  script_.push_back(Action{t, combo, text, -1});
  std::stable_sort(script_.begin(), script_.end(), [](const Action& a, const Action& b) { return a.t < b.t; });
}

void VirtualPlatform::SelectAt(std::int64_t t, int index, const std::string& combo) {
  script_.push_back(Action{t, combo, "", index});
  std::stable_sort(script_.begin(), script_.end(), [](const Action& a, const Action& b) { return a.t < b.t; });
}

void VirtualPlatform::PollInput(TApplication& app) {
  while (!script_.empty() && script_.front().t <= now_) {
    Action action = script_.front();
    script_.pop_front();
    // The input goes to whatever combo box of that name is on top when the
    // input is handled; with none there, it is lost, as a key press would be.
    auto target = [name = action.combo]() -> TComboBox* {
      TForm* form = Screen->ActiveForm();
      return form ? dynamic_cast<TComboBox*>(form->FindComponent(name)) : nullptr;
    };
    if (action.select >= 0) {
      app.PostInput([target, index = action.select] {
        if (TComboBox* combo = target()) combo->UserSelect(index);
      });
    }
    for (char c : action.text) {
      app.PostInput([target, c] {
        if (TComboBox* combo = target()) combo->UserType(c);
      });
    }
  }
}

bool VirtualPlatform::WaitForWork(std::int64_t deadline_ms) {
  std::int64_t next = script_.empty() ? -1 : script_.front().t;
  if (deadline_ms >= 0 && (next < 0 || deadline_ms < next)) next = deadline_ms;
  if (next < 0) return false;
  if (next > now_) now_ = next;
  return true;
}

ScopedVirtualPlatform::ScopedVirtualPlatform() {
  auto platform = std::make_unique<VirtualPlatform>();
  platform_ = platform.get();
  previous_ = InstallPlatform(std::move(platform));
  Application->Reset();
  Screen->Cursor = crDefault;
}

ScopedVirtualPlatform::~ScopedVirtualPlatform() {
  Application->Reset();
  InstallPlatform(std::move(previous_));
}

}  // namespace kx
