#pragma once
// TStrings: the general indexed string list (texts with objects) that the key list, the
// grid's line views and order lists share; TStringList: its plain in-memory form.
//
// Subclasses override the primitives (Get, Put, GetObject, PutObject, GetCount, Insert,
// ...); callers use the property accessors Strings/SetStrings, Objects/SetObjects and
// Count. An object is an opaque pointer-sized value.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace quillet {

class TStrings {
 public:
  TStrings() = default;
  TStrings(const TStrings&) = delete;
  TStrings& operator=(const TStrings&) = delete;
  virtual ~TStrings() = default;

  // Property accessors. Index errors are the primitives' (EListError
  // "List index out of bounds").
  int Count() const { return GetCount(); }
  std::string Strings(int index) const { return Get(index); }
  void SetStrings(int index, const std::string& text) { Put(index, text); }
  std::intptr_t Objects(int index) const { return GetObject(index); }
  void SetObjects(int index, std::intptr_t object) { PutObject(index, object); }
  // The text of entry `index` without a copy; valid until the list, or what it shows,
  // changes. Index errors as Strings.
  virtual std::string_view StringView(int index) const = 0;
  // Calls `visit(text, object)` for entries 0..Count()-1 in order. The text is valid during
  // the call only; `visit` must not change the list or what it shows. A list may read its
  // entries faster than one by one (a grid column chunk by chunk).
  virtual void ForEachEntry(
      const std::function<void(std::string_view, std::intptr_t)>& visit) const;

  // Appends a text (a sorted list may place it elsewhere); returns its index.
  virtual int Add(const std::string& text);
  // Add, then sets the object of the returned index.
  virtual int AddObject(const std::string& text, std::intptr_t object);
  // Appends every entry of `other` (text and object) in order, between BeginUpdate and
  // EndUpdate; EndUpdate runs also when an AddObject fails.
  virtual void AddStrings(const TStrings& other);
  // Replaces the content by a copy of `source` (Clear, then AddStrings).
  virtual void Assign(const TStrings& source);
  virtual void Clear() = 0;
  virtual void Delete(int index) = 0;
  virtual void Insert(int index, const std::string& text) = 0;
  // Swaps text and object of two entries.
  virtual void Exchange(int index1, int index2);
  // The first index whose text equals `text` byte for byte, or -1.
  virtual int IndexOf(const std::string& text) const;

  // The update counter: BeginUpdate on a counter of 0 calls SetUpdateState(true), then
  // counts up; EndUpdate counts down and calls SetUpdateState(false) on reaching 0.
  void BeginUpdate();
  void EndUpdate();
  int UpdateCount() const { return update_count_; }

 protected:
  virtual std::string Get(int index) const = 0;
  virtual int GetCount() const = 0;
  virtual std::intptr_t GetObject(int index) const = 0;
  virtual void Put(int index, const std::string& text);
  virtual void PutObject(int index, std::intptr_t object) = 0;
  virtual void SetUpdateState(bool /*updating*/) {}

 private:
  int update_count_ = 0;
};

// A plain list of texts with objects, in the order they were added.
class TStringList : public TStrings {
 public:
  TStringList() = default;
  TStringList(std::initializer_list<std::string> texts);

  void Clear() override;
  void Delete(int index) override;
  void Insert(int index, const std::string& text) override;
  void Exchange(int index1, int index2) override;
  std::string_view StringView(int index) const override;

 protected:
  std::string Get(int index) const override;
  int GetCount() const override;
  std::intptr_t GetObject(int index) const override;
  void Put(int index, const std::string& text) override;
  void PutObject(int index, std::intptr_t object) override;

 private:
  struct Item {
    std::string text;
    std::intptr_t object = 0;
  };
  void CheckIndex(int index) const;
  std::vector<Item> items_;
};

}  // namespace quillet
