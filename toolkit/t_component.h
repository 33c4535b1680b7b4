#pragma once
// A non-visual, named component with an owner. The owner destroys the components it owns,
// the last one added first; a component destroyed earlier leaves its owner's list. A
// component may ask to be told when another one is destroyed (FreeNotification), so that
// it never keeps a reference to a component that is gone.

#include <cstdint>
#include <string>
#include <vector>

#include "toolkit/t_object.h"

namespace quillet {

enum class TOperation : std::uint8_t { opInsert, opRemove };

class TComponent : public TObject {
 public:
  // Creates the component and, when `owner` is not null, adds it to the owner's list.
  explicit TComponent(TComponent* owner);
  // Tells every component that asked (FreeNotification) and the owner that this one goes
  // (Notification with opRemove), leaves the owner's list and destroys the owned
  // components, the last one added first.
  ~TComponent() override;

  TComponent* Owner() const { return owner_; }
  // True while the component destroys the components it owns (in its destructor).
  bool Destroying() const { return destroying_; }
  const std::string& Name() const { return name_; }
  void SetName(const std::string& value) { name_ = value; }
  // The owned components, in the order they were added.
  const std::vector<TComponent*>& Components() const { return components_; }

  // Asks to be told (Notification(component, opRemove)) when `component` is destroyed.
  // Asking twice, or about itself or a null component, changes nothing.
  void FreeNotification(TComponent* component);
  // Withdraws a FreeNotification request; a component not asked about is ignored.
  void RemoveFreeNotification(TComponent* component);

 protected:
  // Called with opInsert when `component` joins this one's list and with opRemove when an
  // owned component, or one asked about with FreeNotification, is destroyed. The default
  // does nothing.
  virtual void Notification(TComponent* component, TOperation operation);

 private:
  void InsertComponent(TComponent* component);
  void RemoveComponent(TComponent* component);
  void DestroyComponents();
  void NotifyFreeing();

  TComponent* owner_ = nullptr;
  bool destroying_ = false;
  std::string name_;
  std::vector<TComponent*> components_;
  // Components that want to hear of this one's destruction, and those this one listens to.
  std::vector<TComponent*> listeners_;
  std::vector<TComponent*> watched_;
};

}  // namespace quillet
