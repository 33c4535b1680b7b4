#include "strgrid/t_strings.h"

#include <utility>

#include "runtime/exceptions.h"

namespace quillet {

int TStrings::Add(const std::string& text) {
  const int index = Count();
  Insert(index, text);
  return index;
}

int TStrings::AddObject(const std::string& text, std::intptr_t object) {
  const int index = Add(text);
  PutObject(index, object);
  return index;
}

void TStrings::AddStrings(const TStrings& other) {
  BeginUpdate();
  try {
    const int count = other.Count();
    for (int i = 0; i < count; ++i) AddObject(other.Strings(i), other.Objects(i));
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TStrings::Assign(const TStrings& source) {
  if (&source == this) return;
  BeginUpdate();
  try {
    Clear();
    AddStrings(source);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TStrings::Exchange(int index1, int index2) {
  const std::string text1 = Get(index1);
  const std::intptr_t object1 = GetObject(index1);
  Put(index1, Get(index2));
  PutObject(index1, GetObject(index2));
  Put(index2, text1);
  PutObject(index2, object1);
}

void TStrings::ForEachEntry(
    const std::function<void(std::string_view, std::intptr_t)>& visit) const {
  const int count = Count();
  for (int i = 0; i < count; ++i) visit(StringView(i), Objects(i));
}

int TStrings::IndexOf(const std::string& text) const {
  const int count = Count();
  for (int i = 0; i < count; ++i)
    if (Get(i) == text) return i;
  return -1;
}

void TStrings::Put(int index, const std::string& text) {
  const std::intptr_t object = GetObject(index);
  Delete(index);
  Insert(index, text);
  PutObject(index, object);
}

void TStrings::BeginUpdate() {
  if (update_count_ == 0) SetUpdateState(true);
  ++update_count_;
}

void TStrings::EndUpdate() {
  --update_count_;
  if (update_count_ == 0) SetUpdateState(false);
}

TStringList::TStringList(std::initializer_list<std::string> texts) {
  for (const std::string& text : texts) items_.push_back({text, 0});
}

void TStringList::CheckIndex(int index) const {
  if (index < 0 || index >= GetCount()) throw EListError::IndexOutOfBounds();
}

void TStringList::Clear() { items_.clear(); }

void TStringList::Delete(int index) {
  CheckIndex(index);
  items_.erase(items_.begin() + index);
}

void TStringList::Insert(int index, const std::string& text) {
  if (index < 0 || index > GetCount()) throw EListError::IndexOutOfBounds();
  items_.insert(items_.begin() + index, Item{text, 0});
}

void TStringList::Exchange(int index1, int index2) {
  CheckIndex(index1);
  CheckIndex(index2);
  std::swap(items_[index1], items_[index2]);
}

std::string TStringList::Get(int index) const {
  CheckIndex(index);
  return items_[index].text;
}

std::string_view TStringList::StringView(int index) const {
  CheckIndex(index);
  return items_[index].text;
}

int TStringList::GetCount() const { return static_cast<int>(items_.size()); }

std::intptr_t TStringList::GetObject(int index) const {
  CheckIndex(index);
  return items_[index].object;
}

void TStringList::Put(int index, const std::string& text) {
  CheckIndex(index);
  items_[index].text = text;
}

void TStringList::PutObject(int index, std::intptr_t object) {
  CheckIndex(index);
  items_[index].object = object;
}

}  // namespace quillet
