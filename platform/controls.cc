// TControl and TWinControl.
#include "platform/controls.h"

#include <algorithm>

#include "platform/application.h"
#include "platform/platform.h"

namespace kx {

const EnumInfo& EnumInfoOf(TAlign) {
  static const EnumInfo info{{{"alNone", alNone},
                              {"alTop", alTop},
                              {"alBottom", alBottom},
                              {"alLeft", alLeft},
                              {"alRight", alRight},
                              {"alClient", alClient}}};
  return info;
}

const EnumInfo& EnumInfoOf(TAlignment) {
  static const EnumInfo info{
      {{"taLeftJustify", taLeftJustify}, {"taRightJustify", taRightJustify}, {"taCenter", taCenter}}};
  return info;
}

TControl::TControl(TComponent* AOwner) : TComponent(AOwner) {}

TControl::~TControl() { SetParent(nullptr); }

void TControl::SetParent(TWinControl* parent) {
  if (parent == parent_) return;
  if (parent_) {
    auto& list = parent_->controls_;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
  }
  parent_ = parent;
  if (parent_) parent_->controls_.push_back(this);
}

void TControl::SetParentComponent(TComponent* parent) { SetParent(dynamic_cast<TWinControl*>(parent)); }

const TFont& TControl::EffectiveFont() const {
  if (FParentFont && parent_) return parent_->EffectiveFont();
  return FFont;
}

TWinControl::TWinControl(TComponent* AOwner) : TControl(AOwner) {}

TWinControl::~TWinControl() {
  DestroyHandle();
  for (TControl* c : controls_) c->parent_ = nullptr;
  controls_.clear();
}

void TWinControl::HandleNeeded() {
  if (handle_) return;
  if (parent_) parent_->HandleNeeded();
  TCreateParams params;
  params.X = FLeft;
  params.Y = FTop;
  params.Width = FWidth;
  params.Height = FHeight;
  params.Style = parent_ ? WS_CHILD | WS_CLIPSIBLINGS : WS_POPUP | WS_CLIPCHILDREN;
  if (parent_) params.WndParent = parent_->handle_;
  CreateParams(params);
  if (handle_) return;  // CreateParams may pump, and the pump may have asked already
  handle_ = CurrentPlatform().Backend().CreateWindowHandle(*this, params);
  Application->RegisterWindow(handle_, this);
}

void TWinControl::DestroyHandle() {
  if (!handle_) return;
  for (TControl* c : controls_) {
    if (auto* w = dynamic_cast<TWinControl*>(c)) w->DestroyHandle();
  }
  Application->UnregisterWindow(handle_);
  CurrentPlatform().Backend().DestroyWindowHandle(handle_);
  handle_ = nullptr;
}

void TWinControl::CreateParams(TCreateParams& Params) {}

void TWinControl::Dispatch(TMessage& Message) { DefaultHandler(Message); }

void TWinControl::DefaultHandler(TMessage& Message) { Message.Result = 0; }

LRESULT TWinControl::Perform(UINT msg, WPARAM wparam, LPARAM lparam) {
  TMessage message{msg, wparam, lparam, 0};
  Dispatch(message);
  return message.Result;
}

}  // namespace kx
