// TComponent.
#include "platform/component.h"

#include <algorithm>

namespace kx {

TComponent::TComponent(TComponent* AOwner) {
  Name.SetStored(false);  // written as the object's name, not as a property
  if (AOwner) AOwner->InsertComponent(this);
}

TComponent::~TComponent() {
  // Tell everyone who asked, then drop the links both ways.
  std::vector<TComponent*> notifies;
  notifies.swap(free_notifies_);
  for (TComponent* c : notifies) {
    auto& theirs = c->free_notifies_;
    theirs.erase(std::remove(theirs.begin(), theirs.end(), this), theirs.end());
    c->Notification(this, opRemove);
  }
  DestroyComponents();
  if (owner_) owner_->RemoveComponent(this);
}

void TComponent::DestroyComponents() {
  while (!components_.empty()) {
    TComponent* c = components_.back();
    c->owner_ = nullptr;
    components_.pop_back();
    delete c;
  }
}

void TComponent::InsertComponent(TComponent* c) {
  c->owner_ = this;
  components_.push_back(c);
  Notification(c, opInsert);
}

void TComponent::RemoveComponent(TComponent* c) {
  components_.erase(std::remove(components_.begin(), components_.end(), c), components_.end());
  c->owner_ = nullptr;
  Notification(c, opRemove);
}

TComponent* TComponent::FindComponent(std::string_view name) const {
  if (name.empty()) return nullptr;
  for (TComponent* c : components_) {
    if (SameText(c->FName, name)) return c;
  }
  return nullptr;
}

void TComponent::FreeNotification(TComponent* AComponent) {
  if (!AComponent || AComponent == this) return;
  if (std::find(free_notifies_.begin(), free_notifies_.end(), AComponent) == free_notifies_.end())
    free_notifies_.push_back(AComponent);
  auto& theirs = AComponent->free_notifies_;
  if (std::find(theirs.begin(), theirs.end(), this) == theirs.end()) theirs.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent* AComponent) {
  if (!AComponent) return;
  free_notifies_.erase(std::remove(free_notifies_.begin(), free_notifies_.end(), AComponent),
                       free_notifies_.end());
  auto& theirs = AComponent->free_notifies_;
  theirs.erase(std::remove(theirs.begin(), theirs.end(), this), theirs.end());
}

void TComponent::Notification(TComponent* AComponent, TOperation Operation) {
  if (Operation != opRemove) return;
  for (std::size_t i = 0; i < components_.size(); ++i) {
    if (components_[i] != AComponent) components_[i]->Notification(AComponent, Operation);
  }
}

bool TComponent::SetPublishedField(std::string_view name, TComponent* component) {
  auto it = published_fields_.find(name);
  return it != published_fields_.end() && it->second(component);
}

const TNotifyEvent* TComponent::FindMethod(std::string_view name) const {
  auto it = published_methods_.find(name);
  return it == published_methods_.end() ? nullptr : &it->second;
}

void TComponent::PublishMethod(const char* name, std::function<void(TObject*)> handler) {
  published_methods_[name] = TNotifyEvent{std::move(handler), name};
}

TComponent* ResolveComponentName(ReadContext& context, std::string_view name) {
  for (TComponent* scope = context.root; scope; scope = scope->Owner()) {
    if (SameText(scope->FName, name)) return scope;
    if (TComponent* c = scope->FindComponent(name)) return c;
  }
  return nullptr;
}

void PropCodec<TNotifyEvent>::Read(const FormValue& v, ReadContext& context,
                                   const std::function<void(const TNotifyEvent&)>& set) {
  if (v.type != FormValue::Type::Ident) ThrowPropertyMismatch("a method name", v);
  const TNotifyEvent* method = context.root ? context.root->FindMethod(v.text) : nullptr;
  if (!method) throw EReadError("Method '" + v.text + "' not found");
  set(*method);
}

}  // namespace kx
