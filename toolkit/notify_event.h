#pragma once
// An event reference: a function together with the object it is called on. Two references
// are equal when they name the same function on the same object, so a component can tell
// whether a window's handler is its own. The empty reference calls nothing.

namespace quillet {

class TObject;

struct TNotifyEvent {
  void* object = nullptr;
  void (*call)(void* object, TObject* sender) = nullptr;

  // The reference to member function M of `obj`. Every reference made for the same
  // object and member compares equal.
  template <class T, void (T::*M)(TObject*)>
  static TNotifyEvent Of(T* obj) {
    return TNotifyEvent{obj, &Thunk<T, M>};
  }

  // True unless the reference is empty.
  explicit operator bool() const { return call != nullptr; }

  // Calls the function on its object with `sender`; does nothing when empty. Passes on
  // whatever the handler throws.
  void Invoke(TObject* sender) const {
    if (call != nullptr) call(object, sender);
  }

  friend bool operator==(const TNotifyEvent&, const TNotifyEvent&) = default;

 private:
  template <class T, void (T::*M)(TObject*)>
  static void Thunk(void* object, TObject* sender) {
    (static_cast<T*>(object)->*M)(sender);
  }
};

}  // namespace quillet
