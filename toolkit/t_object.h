#pragma once
// The root of the toolkit's classes: every sender of an event is a TObject, and a class
// test (dynamic_cast) works on any of them.

namespace quillet {

class TObject {
 public:
  TObject() = default;
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;
  virtual ~TObject() = default;
};

}  // namespace quillet
