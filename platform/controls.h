// TControl and TWinControl: things placed on a form.
//
// A control has a parent, a place and a size in pixels, a visibility and a
// font. A TWinControl also has a window handle, created the first time one is
// needed (HandleNeeded): the parent's handle first, then the control's own,
// built from CreateParams, whose style bits the backend honours. Messages
// reach a TWinControl through Dispatch; what it does not handle goes to
// DefaultHandler, which sets the result 0.
#pragma once

#include <vector>

#include "platform/component.h"
#include "platform/graphics.h"
#include "platform/windows_api.h"

namespace kx {

class TWinControl;

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
const EnumInfo& EnumInfoOf(TAlign);
enum TAlignment { taLeftJustify, taRightJustify, taCenter };
const EnumInfo& EnumInfoOf(TAlignment);

struct TCreateParams {
  AnsiString Caption;
  DWORD Style = 0;
  DWORD ExStyle = 0;
  int X = 0;
  int Y = 0;
  int Width = 0;
  int Height = 0;
  HWND WndParent = nullptr;
};

class TControl : public TComponent {
 public:
  explicit TControl(TComponent* AOwner);
  ~TControl() override;
  const char* ClassName() const override { return "TControl"; }

  TWinControl* Parent() const { return parent_; }
  void SetParent(TWinControl* parent);
  void SetParentComponent(TComponent* parent) override;
  // The font the control draws with: its own, or its parent's when
  // ParentFont is set.
  const TFont& EffectiveFont() const;

  int FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0;
  bool FVisible = true;
  bool FParentFont = true;
  TFont FFont;
  TFont* const Font = &FFont;

  TProp<int> Left{this, "Left", FLeft, 0};
  TProp<int> Top{this, "Top", FTop, 0};
  TProp<int> Width{this, "Width", FWidth, 0};
  TProp<int> Height{this, "Height", FHeight, 0};

 private:
  friend class TWinControl;
  TWinControl* parent_ = nullptr;
};

class TWinControl : public TControl {
 public:
  explicit TWinControl(TComponent* AOwner);
  ~TWinControl() override;
  const char* ClassName() const override { return "TWinControl"; }

  HWND Handle() { HandleNeeded(); return handle_; }
  bool HandleAllocated() const { return handle_ != nullptr; }
  void HandleNeeded();
  void DestroyHandle();

  virtual void Dispatch(TMessage& Message);
  void DefaultHandler(TMessage& Message);
  LRESULT Perform(UINT msg, WPARAM wparam, LPARAM lparam);

  const std::vector<TControl*>& Controls() const { return controls_; }
  virtual int ClientAreaWidth() const { return FWidth; }
  virtual int ClientAreaHeight() const { return FHeight; }

  int FTabOrder = -1;

 protected:
  virtual void CreateParams(TCreateParams& Params);

 private:
  friend class TControl;
  std::vector<TControl*> controls_;
  HWND handle_ = nullptr;
};

}  // namespace kx
