#include "toolkit/t_component.h"

#include <algorithm>

namespace quillet {
namespace {

void Erase(std::vector<TComponent*>& list, TComponent* component) {
  list.erase(std::remove(list.begin(), list.end(), component), list.end());
}

bool Contains(const std::vector<TComponent*>& list, const TComponent* component) {
  return std::find(list.begin(), list.end(), component) != list.end();
}

}  // namespace

TComponent::TComponent(TComponent* owner) {
  if (owner != nullptr) owner->InsertComponent(this);
}

TComponent::~TComponent() {
  NotifyFreeing();
  if (owner_ != nullptr) owner_->RemoveComponent(this);
  DestroyComponents();
}

void TComponent::FreeNotification(TComponent* component) {
  if (component == nullptr || component == this || Contains(watched_, component)) return;
  watched_.push_back(component);
  component->listeners_.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent* component) {
  if (component == nullptr || !Contains(watched_, component)) return;
  Erase(watched_, component);
  Erase(component->listeners_, this);
}

void TComponent::Notification(TComponent*, TOperation) {}

void TComponent::InsertComponent(TComponent* component) {
  components_.push_back(component);
  component->owner_ = this;
  Notification(component, TOperation::opInsert);
}

void TComponent::RemoveComponent(TComponent* component) {
  Erase(components_, component);
  component->owner_ = nullptr;
  Notification(component, TOperation::opRemove);
}

void TComponent::DestroyComponents() {
  destroying_ = true;
  // Each owned component leaves the list in its own destructor.
  while (!components_.empty()) delete components_.back();
}

void TComponent::NotifyFreeing() {
  for (TComponent* watched : watched_) Erase(watched->listeners_, this);
  watched_.clear();
  // A listener may withdraw others' requests while it is told, so take them one by one.
  while (!listeners_.empty()) {
    TComponent* listener = listeners_.back();
    listeners_.pop_back();
    Erase(listener->watched_, this);
    listener->Notification(this, TOperation::opRemove);
  }
}

}  // namespace quillet
