#pragma once
// TmStrList: the sort key list that does all sorting for the string grid. An ordered list of
// entries, each a text and a 32-bit object, that orders its entries by a key cut out of each
// text (characters KeyPos .. KeyPos + KeyLen - 1) and compared by KeyType
// (strgrid/key_order.h). Entries before StartIndex never move. The grid copies one line of
// cells into the list with each entry's position as its object, lets the list sort, and
// reads the objects back as the permutation.
//
// Storage: an entry slot is a PackedText and an int32 object, 20 bytes, so ten million
// entries take about 200 MB. Capacity() reports the slot count of the list's own growth
// rule (by 4 while at most 4, by 8 while at most 8, else by 16; released only by Clear and
// destruction), but the slots live in a geometrically growing buffer: growing the real
// storage by 16 slots per append would copy the whole list every 16 appends, which is
// quadratic for large lists.
//
// Sorting runs the partition steps of strgrid/list_sort.h exactly, so entries with equal
// keys end in exactly the places those steps give. For speed a sort caches comparison
// values for its duration (ranks of the keys, strgrid/distinct_keys.h, or the numbers
// themselves) and runs the steps on a compact array of (value, position) pairs; the entries
// then move once, along the cycles of the resulting permutation (strgrid/cycle_walk.h).
// Every comparison comes out as re-cutting and re-converting the keys would. If a key cannot
// be ranked (its conversion raises EOverflow or E_Format_Invalid, or the keys outgrow the
// cache) the sort runs on the entries without the cache, so it raises at the same step and
// leaves the entries exactly as far as the sort got. Running out of memory for the cache is
// a failure like any other ("Out of memory").
//
// Bulk work without per-entry notifications: AddStrings, NumberEntries and StorePositions
// are each a run of single steps (add, set an object, set a text), each announced by
// Changing and Changed. A list whose QuietBulkSteps is set and that has neither OnChanging
// nor OnChange skips those per-step notifications, which then reach no one; the resulting
// entries are the same.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/date_time_format.h"
#include "strgrid/big_buffer.h"
#include "strgrid/key_order.h"
#include "strgrid/packed_text.h"
#include "strgrid/t_strings.h"

namespace quillet {

// What Add does in sorted mode when an entry with an equal key is present.
enum TDuplicates : std::uint8_t { dupIgnore, dupAccept, dupError };

class TmStrList : public TStrings {
 public:
  using TNotifyEvent = std::function<void(TmStrList&)>;

  // An empty list, not sorted, KeyType soString, KeyPos 1, KeyLen 2147483647, StartIndex 0,
  // ascending, dupIgnore, with the user's default date-time format already parsed.
  // Throws E_Format_Invalid if that default format does not parse.
  TmStrList();
  ~TmStrList() override;

  // ---- Entries ------------------------------------------------------------------------
  // Strings(i) / Count() come from TStrings. Index errors: EListError
  // "List index out of bounds" (index below 0 or not below Count()).

  // The text of entry `index` without a copy; valid until the list changes.
  std::string_view StringView(int index) const override;
  // The object of entry `index`.
  std::int32_t Objects(int index) const;
  // Replaces the object of entry `index` (allowed in sorted mode): index check, Changing,
  // store, Changed.
  void SetObjects(int index, std::int32_t object);
  // Number of slots by the list's growth rule (see the top of this file).
  int Capacity() const { return capacity_; }

  // Not sorted: appends. Sorted: Find(text); if found, dupIgnore returns the found index
  // and adds nothing, dupError throws EListError "String list does not allow duplicates",
  // dupAccept inserts at Find's index; if not found, inserts at Find's index. A new entry's
  // object is 0. Returns the index of the new (or, with dupIgnore, the equal) entry.
  // Insertion sends Changing and Changed.
  int Add(const std::string& text) override;
  // Add, then SetObjects on the returned index (also for the equal entry under dupIgnore).
  int AddObject(const std::string& text, std::int32_t object);
  // The base's form: the object is truncated to 32 bits.
  int AddObject(const std::string& text, std::intptr_t object) override;
  // BeginUpdate; AddObject for every entry of `other` in order; EndUpdate, also when an
  // AddObject throws (the entries added before stay). With quiet steps (see the top of
  // this file) the entries are read through other.ForEachEntry.
  void AddStrings(const TStrings& other) override;
  // SetObjects(i, i) for every entry in index order, each with its notifications.
  void NumberEntries();
  // For i = 0 .. count - 1 in order: SetObjects(base + targets[i], i), then
  // SetStrings(base + targets[i], the decimal digits of i), each with its notifications.
  // Throws as those do (EListError "Operation not allowed on sorted string list" in
  // sorted mode, "List index out of bounds" for a target outside the entries), leaving
  // the entries of the steps before written.
  void StorePositions(const std::int32_t* targets, int count, int base);
  // Inserts `text` (object 0) before entry `index`; index == Count() appends.
  // Throws EListError "Operation not allowed on sorted string list" in sorted mode (checked
  // first), then EListError "List index out of bounds" for index < 0 or > Count().
  void Insert(int index, const std::string& text) override;
  // Removes entry `index`: index check, Changing, remove, Changed. Capacity() stays.
  void Delete(int index) override;
  // Swaps two entries (text and object): both indices checked, Changing, swap, Changed.
  void Exchange(int index1, int index2) override;
  // If there are entries: Changing, removes them all, releases the storage (Capacity() 0),
  // Changed. An empty list is left alone without notifications.
  void Clear() override;
  // Swaps text and object of two entries without notifications; the sorts use it.
  // Throws EListError "List index out of bounds" for an index outside the entries.
  void ExchangeItems(int index1, int index2);

  // ---- Search -------------------------------------------------------------------------
  // Binary search assuming ascending key order over the whole list (StartIndex and
  // SortDescending are ignored). The sought value is `text` itself, not cut by KeyPos and
  // KeyLen (for soNumeric its NumericKeyValue, for soDate its DateKey). Returns whether an
  // equal key was found; `index` gets the found position, or the insertion position. With
  // dupAccept it ends at the first of several equal keys; otherwise at the first equal key
  // it meets. soNumeric compares by the sign of the difference rounded to a 6-byte real.
  // Throws EOverflow for a number (or difference) too large for the 6-byte real, and
  // E_Format_Invalid for a soDate text its format cannot read.
  virtual bool Find(const std::string& text, int& index) const;
  // Sorted mode: the index Find gives if it finds `text`, else -1. Otherwise the first index
  // (scanning from 0) whose key equals `text` (not cut) under KeyType, or -1.
  // Throws as Find.
  int IndexOf(const std::string& text) const override;

  // ---- Sorting ------------------------------------------------------------------------
  // If not in sorted mode and Count() > 1: Changing, QuickSort(StartIndex, Count - 1),
  // SortZeroRun for soNumeric, Changed. Otherwise nothing. A StartIndex below 0 acts as 0;
  // one at or past Count() sorts nothing. On an error the entries stay as far as the sort
  // got and Changed is not sent. Throws EOverflow / E_Format_Invalid from key conversion.
  virtual void Sort();
  bool Sorted() const { return sorted_; }
  // If `value` differs: for true, Sort first (an error leaves the list not sorted); then
  // stores it. False leaves the entries in their order and sends nothing.
  void SetSorted(bool value);
  TDuplicates Duplicates() const { return duplicates_; }
  void SetDuplicates(TDuplicates value) { duplicates_ = value; }

  TMSortType KeyType() const { return key_type_; }
  std::int32_t KeyPos() const { return key_pos_; }
  std::int32_t KeyLen() const { return key_len_; }
  // Each: a value equal to the current one (compared before any clamping) does nothing.
  // Otherwise stores it (KeyPos and KeyLen below 1 are stored as 1); then in sorted mode
  // with Count() > 1: Changing, QuickSort(StartIndex, Count - 1), SortZeroRun for
  // soNumeric, Changed. The new value stays stored if the re-sort throws.
  void SetKeyType(TMSortType value);
  void SetKeyPos(std::int32_t value);
  void SetKeyLen(std::int32_t value);
  // Plain fields: written without a re-sort or a notification.
  std::int32_t StartIndex() const { return start_index_; }
  void SetStartIndex(std::int32_t value) { start_index_ = value; }
  bool SortDescending() const { return sort_descending_; }
  void SetSortDescending(bool value) { sort_descending_ = value; }

  // The key of `text`: characters KeyPos .. KeyPos + KeyLen - 1, cut at the end of the text,
  // empty when the text is shorter than KeyPos (CutKey). Returns a view into `text`.
  std::string_view KeyOf(std::string_view text) const { return CutKey(text, key_pos_, key_len_); }

  // Whether the list may skip the per-step notifications of its bulk work while neither
  // OnChanging nor OnChange is set (see the top of this file). Set it only on a list whose
  // Changing and Changed are the list's own: a subclass that overrides them sees every step
  // as long as it leaves this false. False at creation; the grid sets it on its key lists.
  bool QuietBulkSteps() const { return quiet_bulk_steps_; }
  void SetQuietBulkSteps(bool value) { quiet_bulk_steps_ = value; }

  // Orders entries left..right by key under KeyType and SortDescending with the partition
  // steps of strgrid/list_sort.h (no notifications). Does nothing when left > right.
  // Throws EListError "List index out of bounds" when left <= right and either lies
  // outside the entries; EOverflow / E_Format_Invalid from key conversion.
  void QuickSort(int left, int right);
  // From StartIndex, finds the first entry whose NumericKeyValue is 0 and the run of zero
  // values after it; a run of two or more is sorted as soString text (same direction).
  // KeyType is soNumeric again afterwards. No notifications. Throws EOverflow.
  void SortZeroRun();
  // From StartIndex, reorders each run of adjacent entries with equal keys by ascending
  // object (SortRangeByObject); ignores SortDescending; no notifications. Throws as the
  // key conversions do.
  void OrderEqualKeyRuns();
  // The partition steps over entries left..right with the objects as signed keys, always
  // ascending. Does nothing when left > right; throws as QuickSort for bad indices.
  void SortRangeByObject(int left, int right);

  // ---- soDate settings (see TDateTimeFormat) ---------------------------------------------
  const TDateTimeFormat& DateFormat() const { return date_format_; }
  const std::string& DateTimeFormat() const { return date_format_.Format(); }
  // Stores and parses a format that differs from the present one; throws E_Format_Invalid
  // (the text stays stored). No re-sort.
  void SetDateTimeFormat(const std::string& format) { date_format_.SetFormat(format); }
  void ParseDateTimeFormat(const std::string& format) {
    date_format_.ParseDateTimeFormat(format);
  }
  bool ShortYearExpand() const { return date_format_.ShortYearExpand(); }
  void SetShortYearExpand(bool value) { date_format_.SetShortYearExpand(value); }
  std::int32_t ShortYearBorder() const { return date_format_.ShortYearBorder(); }
  void SetShortYearBorder(std::int32_t value) { date_format_.SetShortYearBorder(value); }
  // The date key of `text` (whole, not cut) under the list's format; throws
  // E_Format_Invalid when an AM/PM marker is expected and missing.
  std::string DateKey(std::string_view text) const { return date_format_.DateKey(text); }
  static std::int32_t ReadLeadingInteger(std::string& text) {
    return TDateTimeFormat::ReadLeadingInteger(text);
  }

  // ---- Notifications ------------------------------------------------------------------
  // Called with the list before (OnChanging) and after (OnChange) every change by Add,
  // Insert, Delete, Exchange, Clear, SetStrings, SetObjects, Sort and the re-sorting key
  // setters; AddStrings adds one outer pair. OrderEqualKeyRuns, SetSorted(false),
  // SetStartIndex and SetSortDescending send none.
  TNotifyEvent OnChange;
  TNotifyEvent OnChanging;

 protected:
  // Call OnChanging / OnChange with the list, if assigned.
  virtual void Changing();
  virtual void Changed();
  // BeginUpdate/EndUpdate hook: Changing for true, Changed for false.
  void SetUpdateState(bool updating) override;

  std::string Get(int index) const override;
  int GetCount() const override { return static_cast<int>(entries_.size()); }
  std::intptr_t GetObject(int index) const override;
  // Sorted mode: EListError "Operation not allowed on sorted string list" (first); then
  // index check; Changing, replace the text, Changed.
  void Put(int index, const std::string& text) override;
  void PutObject(int index, std::intptr_t object) override;

 private:
  struct Entry {
    PackedText text;
    std::int32_t object = 0;
  };
  static_assert(sizeof(Entry) == 20, "entry slots must stay lean");

  void CheckIndex(int index) const;
  void CheckRange(int left, int right) const;
  void InsertItem(int index, const std::string& text);
  void SwapEntries(int index1, int index2) noexcept;
  void ResortIfSorted();
  void SortMovable();
  // The sort steps with the order of a key type (strgrid/key_order.h).
  template <class Order>
  void QuickSortBy(const Order& order, int left, int right);
  // Calls `body` with the cached values of entries first..last (WithCachedValues,
  // strgrid/distinct_keys.h) and returns true; false when the range is too short for a
  // cache to pay or a key cannot be ranked.
  template <class Order, class Body>
  bool WithCachedItems(const Order& order, int first, int last, Body body) const;
  template <class Order>
  void OrderEqualKeyRunsBy(const Order& order, int start);
  // True when per-entry notifications reach no one (see the top of this file).
  bool StepsUnobserved() const { return quiet_bulk_steps_ && !OnChange && !OnChanging; }
  void AppendQuietly(const TStrings& other);
  bool TargetsValid(const std::int32_t* targets, int count, int base) const;
  // StorePositions' steps without notifications, in step order (needs valid targets).
  void StoreInStepOrder(const std::int32_t* targets, int count, int base);
  // Moves entries first.. along the cycles of `items`: the entry at first + items[k].pos
  // ends at first + k. Every items[k].pos ends equal to k.
  template <class Items>
  void PermuteEntries(int first, Items& items) noexcept;
  struct EntryMover;
  std::string_view KeyAt(int index) const { return KeyOf(entries_[index].text.View()); }

  std::vector<Entry, BigBufferAllocator<Entry>> entries_;
  int capacity_ = 0;
  TMSortType key_type_ = TMSortType::soString;
  std::int32_t key_len_ = 2147483647;
  std::int32_t key_pos_ = 1;
  std::int32_t start_index_ = 0;
  bool sorted_ = false;
  TDuplicates duplicates_ = dupIgnore;
  bool sort_descending_ = false;
  bool quiet_bulk_steps_ = false;
  TDateTimeFormat date_format_;
};

}  // namespace quillet
