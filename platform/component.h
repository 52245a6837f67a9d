// TComponent: ownership, names, free notification, published fields and
// methods.
//
// A component with an owner is freed by that owner. Any component can ask to
// be told when another is destroyed (FreeNotification); the destroyed one then
// calls Notification(itself, opRemove) on each of them, and on its owner,
// whose default Notification passes it on to the components it owns. So a
// reference kept to another component can be cleared before it dangles.
// A form names its published fields and event handlers (PublishField,
// PublishMethod) so that the form reader can set the fields and bind the
// events by the names in the form description.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/property.h"
#include "platform/sys_utils.h"

namespace kx {

enum TOperation { opInsert, opRemove };

// An event handler that takes the sender: a callable and, when bound from a
// form description or by PublishMethod, its method name.
struct TNotifyEvent {
  std::function<void(class TObject*)> handler;
  std::string name;

  explicit operator bool() const { return static_cast<bool>(handler); }
  void operator()(TObject* sender) const {
    if (handler) handler(sender);
  }
  friend bool operator==(const TNotifyEvent& a, const TNotifyEvent& b) {
    return a.name == b.name && static_cast<bool>(a.handler) == static_cast<bool>(b.handler);
  }
};

class TComponent : public TPersistent {
 public:
  explicit TComponent(TComponent* AOwner);
  ~TComponent() override;
  const char* ClassName() const override { return "TComponent"; }

  TComponent* Owner() const { return owner_; }
  int ComponentCount() const { return static_cast<int>(components_.size()); }
  TComponent* Components(int index) const { return components_.at(index); }
  TComponent* FindComponent(std::string_view name) const;

  // Asks this component to call AComponent->Notification(this, opRemove)
  // when it is destroyed (and the other way round).
  void FreeNotification(TComponent* AComponent);
  void RemoveFreeNotification(TComponent* AComponent);

  // Ends the component's life (it must have been created with new).
  void Free() { delete this; }

  // Form reading support: set the published field named `name`, find the
  // published method `name`. Both return false / null when there is none.
  bool SetPublishedField(std::string_view name, TComponent* component);
  const TNotifyEvent* FindMethod(std::string_view name) const;
  // The component that a read component is placed on (a control's parent).
  virtual void SetParentComponent(TComponent* parent) {}
  // Called once the form reader has set every property of every component.
  virtual void Loaded() {}

  AnsiString FName;
  TProp<AnsiString> Name{this, "Name", FName, ""};
  // Set while the form reader builds the component.
  bool FLoading = false;

 protected:
  virtual void Notification(TComponent* AComponent, TOperation Operation);
  // Frees the owned components now (a form does this first in its destructor,
  // while its controls can still reach it).
  void DestroyComponents();

  template <class T>
  void PublishField(const char* name, T*& field) {
    published_fields_[name] = [&field](TComponent* c) {
      T* typed = dynamic_cast<T*>(c);
      if (!typed) return false;
      field = typed;
      return true;
    };
  }
  void PublishMethod(const char* name, std::function<void(TObject*)> handler);

 private:
  void InsertComponent(TComponent* c);
  void RemoveComponent(TComponent* c);

  TComponent* owner_ = nullptr;
  std::vector<TComponent*> components_;
  std::vector<TComponent*> free_notifies_;
  std::map<std::string, std::function<bool(TComponent*)>, std::less<>> published_fields_;
  std::map<std::string, TNotifyEvent, std::less<>> published_methods_;
};

// References to components are written by name and resolved after reading.
TComponent* ResolveComponentName(ReadContext& context, std::string_view name);

template <class T>
struct PropCodec<T*, std::enable_if_t<std::is_base_of_v<TComponent, T>>> {
  static std::string Write(T* v) { return v ? v->FName : "nil"; }
  static void Read(const FormValue& v, ReadContext& context, const std::function<void(T* const&)>& set) {
    if (v.type != FormValue::Type::Ident) ThrowPropertyMismatch("a component name", v);
    if (SameText(v.text, "nil")) return set(nullptr);
    context.fixups.push_back([&context, name = v.text, set] {
      T* typed = dynamic_cast<T*>(ResolveComponentName(context, name));
      if (!typed) throw EReadError("Invalid reference to component '" + name + "'");
      set(typed);
    });
  }
};

template <>
struct PropCodec<TNotifyEvent> {
  static std::string Write(const TNotifyEvent& v) { return v.name; }
  static void Read(const FormValue& v, ReadContext& context, const std::function<void(const TNotifyEvent&)>& set);
};

}  // namespace kx
