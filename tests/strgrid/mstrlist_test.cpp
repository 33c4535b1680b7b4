#include "strgrid/mstrlist.h"

#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "runtime/collation.h"
#include "runtime/exceptions.h"
#include "runtime/real48.h"
#include "strgrid/string_grid.h"

namespace quillet {
namespace {

using Texts = std::vector<std::string>;
using Objects = std::vector<std::int32_t>;

// Appends the texts with objects 0, 1, 2, ...
void Fill(TmStrList& list, const Texts& texts) {
  for (std::size_t i = 0; i < texts.size(); ++i)
    list.AddObject(texts[i], static_cast<std::int32_t>(i));
}

Texts EntryTexts(const TmStrList& list) {
  Texts texts;
  for (int i = 0; i < list.Count(); ++i) texts.push_back(list.Strings(i));
  return texts;
}

Objects EntryObjects(const TmStrList& list) {
  Objects objects;
  for (int i = 0; i < list.Count(); ++i) objects.push_back(list.Objects(i));
  return objects;
}

// Records notifications: '<' for OnChanging, '>' for OnChange.
struct EventLog {
  explicit EventLog(TmStrList& list) {
    list.OnChanging = [this](TmStrList&) { events += '<'; };
    list.OnChange = [this](TmStrList&) { events += '>'; };
  }
  std::string events;
};

template <class Action>
std::string ListErrorOf(Action action) {
  try {
    action();
  } catch (const EListError& error) {
    return error.what();
  }
  return "(no error)";
}

// ---- A reference of the partition steps: keys cut and converted on every comparison. ---

struct RefEntry {
  std::string text;
  std::int32_t object;
};

struct RefSorter {
  TMSortType type = TMSortType::soString;
  int key_pos = 1;
  int key_len = INT_MAX;
  bool descending = false;
  const TmStrList* dates = nullptr;  // supplies DateKey for soDate

  std::string Key(const std::string& text) const {
    const auto start = static_cast<std::size_t>(key_pos - 1);
    return start >= text.size() ? std::string() : text.substr(start, key_len);
  }
  int CompareKeys(const std::string& a, const std::string& b) const {
    switch (type) {
      case TMSortType::soString: return CompareLocaleIgnoreCase(a, b);
      case TMSortType::soStringCaseSensitive: return a.compare(b);
      case TMSortType::soNumeric: return Compare(NumericKeyValue(a), NumericKeyValue(b));
      case TMSortType::soDate: return dates->DateKey(a).compare(dates->DateKey(b));
    }
    return 0;
  }
  int CompareEntry(const RefEntry& e, const std::string& p) const {
    const int c = CompareKeys(Key(e.text), p);
    return (c > 0) - (c < 0);
  }
  void QuickSort(std::vector<RefEntry>& e, int l, int r) const {
    int i = 0;
    do {
      i = l;
      int j = r;
      const std::string p = Key(e[(l + r) / 2].text);
      const int before = descending ? 1 : -1;
      do {
        while (CompareEntry(e[i], p) == before) ++i;
        while (CompareEntry(e[j], p) == -before) --j;
        if (i <= j) std::swap(e[i++], e[j--]);
      } while (i <= j);
      if (l < j) QuickSort(e, l, j);
      l = i;
    } while (i < r);
  }
  void SortByObject(std::vector<RefEntry>& e, int l, int r) const {
    int i = 0;
    do {
      i = l;
      int j = r;
      const std::int32_t p = e[(l + r) / 2].object;
      do {
        while (e[i].object < p) ++i;
        while (e[j].object > p) --j;
        if (i <= j) std::swap(e[i++], e[j--]);
      } while (i <= j);
      if (l < j) SortByObject(e, l, j);
      l = i;
    } while (i < r);
  }
  void SortZeroRun(std::vector<RefEntry>& e, int start) const {
    const int n = static_cast<int>(e.size());
    auto zero = [&](int k) { return NumericKeyValue(Key(e[k].text)).IsZero(); };
    int first = start;
    while (first < n && !zero(first)) ++first;
    int end = first + 1;
    while (end < n && zero(end)) ++end;
    if (first >= n || end - first < 2) return;
    RefSorter text_sorter = *this;
    text_sorter.type = TMSortType::soString;
    text_sorter.QuickSort(e, first, end - 1);
  }
  void Sort(std::vector<RefEntry>& e, int start) const {
    QuickSort(e, start, static_cast<int>(e.size()) - 1);
    if (type == TMSortType::soNumeric) SortZeroRun(e, start);
  }
  void OrderEqualKeyRuns(std::vector<RefEntry>& e, int start) const {
    const int n = static_cast<int>(e.size());
    for (int i = start; i < n - 1;) {
      const std::string v = Key(e[i].text);
      int j = i + 1;
      while (j <= n - 1 && CompareEntry(e[j], v) == 0) ++j;
      if (j - 1 > i) SortByObject(e, i, j - 1);
      i = j;
    }
  }
};

std::vector<RefEntry> RefEntries(const Texts& texts) {
  std::vector<RefEntry> entries;
  for (std::size_t i = 0; i < texts.size(); ++i)
    entries.push_back({texts[i], static_cast<std::int32_t>(i)});
  return entries;
}

Objects RefObjects(const std::vector<RefEntry>& entries) {
  Objects objects;
  for (const RefEntry& e : entries) objects.push_back(e.object);
  return objects;
}

// ---- Key cut and key settings ---------------------------------------------------------

TEST(TmStrListKeyOf, CutsCharactersKeyPosToKeyPosPlusKeyLenMinusOne) {
  struct Case {
    int pos, len;
    std::string text, key;
  };
  const Case cases[] = {
      {1, INT_MAX, "hello", "hello"}, {2, 3, "hello", "ell"},  {4, 10, "hello", "lo"},
      {5, 1, "hello", "o"},           {6, 1, "hello", ""},     {9, INT_MAX, "hello", ""},
      {3, INT_MAX, "abcdef", "cdef"}, {INT_MAX, INT_MAX, "abc", ""}, {1, 1, "", ""},
  };
  for (const Case& c : cases) {
    TmStrList list;
    list.SetKeyPos(c.pos);
    list.SetKeyLen(c.len);
    EXPECT_EQ(list.KeyOf(c.text), c.key) << c.pos << "," << c.len << " " << c.text;
  }
}

TEST(TmStrListKeySettings, DefaultsAndValuesBelowOneStoredAsOne) {
  TmStrList list;
  EXPECT_EQ(list.KeyType(), TMSortType::soString);
  EXPECT_EQ(list.KeyPos(), 1);
  EXPECT_EQ(list.KeyLen(), 2147483647);
  EXPECT_EQ(list.StartIndex(), 0);
  EXPECT_FALSE(list.SortDescending());
  EXPECT_FALSE(list.Sorted());
  EXPECT_EQ(list.Duplicates(), dupIgnore);
  EXPECT_TRUE(list.ShortYearExpand());
  EXPECT_EQ(list.ShortYearBorder(), 10);
  list.SetKeyPos(4);
  list.SetKeyPos(0);
  EXPECT_EQ(list.KeyPos(), 1);
  list.SetKeyPos(-5);
  EXPECT_EQ(list.KeyPos(), 1);
  list.SetKeyLen(0);
  EXPECT_EQ(list.KeyLen(), 1);
  list.SetKeyLen(-7);
  EXPECT_EQ(list.KeyLen(), 1);
}

TEST(TmStrListKeySettings, SettersResortInSortedModeButNotForAnEqualValue) {
  TmStrList list;
  list.SetSorted(true);
  Fill(list, {"xb", "ya", "zc"});
  EventLog log(list);
  list.SetKeyPos(1);
  list.SetKeyLen(INT_MAX);
  list.SetKeyType(TMSortType::soString);
  EXPECT_EQ(log.events, "");
  list.SetKeyPos(2);  // orders by the second character
  EXPECT_EQ(EntryTexts(list), (Texts{"ya", "xb", "zc"}));
  list.SetKeyLen(1);
  list.SetKeyType(TMSortType::soStringCaseSensitive);
  EXPECT_EQ(log.events, "<><><>");
  list.SetSorted(false);
  list.SetKeyPos(1);  // not sorted: stored, no re-sort
  EXPECT_EQ(EntryTexts(list), (Texts{"ya", "xb", "zc"}));
  EXPECT_EQ(log.events, "<><><>");
}

// ---- Order of the key types -----------------------------------------------------------

Texts SortedTexts(const Texts& texts, TMSortType type, bool descending = false) {
  TmStrList list;
  list.SetKeyType(type);
  list.SetSortDescending(descending);
  Fill(list, texts);
  list.Sort();
  return EntryTexts(list);
}

TEST(TmStrListOrder, LocaleTextIgnoresCase) {
  EXPECT_EQ(SortedTexts({"B", "a"}, TMSortType::soString), (Texts{"a", "B"}));
  EXPECT_EQ(SortedTexts({"pear", "Apple", "fig", "apple"}, TMSortType::soString),
            (Texts{"apple", "Apple", "fig", "pear"}));
  TmStrList list;
  Fill(list, {"pear", "APPLE"});
  EXPECT_EQ(list.IndexOf("apple"), 1);
}

TEST(TmStrListOrder, CaseSensitiveComparesUnsignedBytesPrefixFirst) {
  EXPECT_EQ(SortedTexts({"a", "B"}, TMSortType::soStringCaseSensitive), (Texts{"B", "a"}));
  EXPECT_EQ(SortedTexts({"abc", "ab"}, TMSortType::soStringCaseSensitive), (Texts{"ab", "abc"}));
  EXPECT_EQ(SortedTexts({"\xE9", "z", "\x01"}, TMSortType::soStringCaseSensitive),
            (Texts{"\x01", "z", "\xE9"}));
}

TEST(TmStrListOrder, EmptyKeysComeFirstAscending) {
  TmStrList list;
  list.SetKeyPos(3);
  Fill(list, {"zzz", "ab", "yyy", "a"});
  list.Sort();
  EXPECT_EQ(EntryTexts(list), (Texts{"a", "ab", "yyy", "zzz"}));
}

TEST(TmStrListOrder, StartIndexKeepsLeadingEntries) {
  TmStrList list;
  list.SetStartIndex(2);
  Fill(list, {"e", "d", "c", "b", "a"});
  list.Sort();
  EXPECT_EQ(EntryTexts(list), (Texts{"e", "d", "a", "b", "c"}));
}

TEST(TmStrListOrder, NumericKeysWithZeroRunOrderedAsText) {
  EXPECT_EQ(SortedTexts({"b", "10", "a", "2", "0"}, TMSortType::soNumeric),
            (Texts{"0", "a", "b", "2", "10"}));
  EXPECT_EQ(SortedTexts({"b", "10", "a", "2", "0"}, TMSortType::soNumeric, true),
            (Texts{"10", "2", "b", "a", "0"}));
  EXPECT_EQ(SortedTexts({"x", "-5", "3.5kg", " 7 items", "1e3x"}, TMSortType::soNumeric),
            (Texts{"-5", "x", "3.5kg", " 7 items", "1e3x"}));
}

TEST(TmStrListOrder, ZeroRunIsTheFirstRunOfZeroValuesFromStartIndex) {
  TmStrList list;
  list.SetKeyType(TMSortType::soNumeric);
  Fill(list, {"c", "b", "5", "y", "a", "x", "1", "e", "d"});
  list.SetStartIndex(1);
  EventLog log(list);
  list.SortZeroRun();  // the run is b alone; y, a, x follow 5
  EXPECT_EQ(EntryTexts(list), (Texts{"c", "b", "5", "y", "a", "x", "1", "e", "d"}));
  list.SetStartIndex(2);
  list.SetSortDescending(true);
  list.SortZeroRun();
  EXPECT_EQ(EntryTexts(list), (Texts{"c", "b", "5", "y", "x", "a", "1", "e", "d"}));
  EXPECT_EQ(list.KeyType(), TMSortType::soNumeric);
  EXPECT_EQ(log.events, "");
}

TEST(TmStrListOrder, DatesByTheListsFormat) {
  TmStrList list;
  list.SetDateTimeFormat("yyyy/M/d");
  EXPECT_EQ(list.DateTimeFormat(), "yyyy/M/d");
  list.SetKeyType(TMSortType::soDate);
  Fill(list, {"2020/1/15", "2019/12/31", "2020/1/5", "2020/1/5"});
  list.Sort();
  EXPECT_EQ(EntryTexts(list), (Texts{"2019/12/31", "2020/1/5", "2020/1/5", "2020/1/15"}));
  EXPECT_EQ(list.IndexOf("2020/01/05"), 1);
}

TEST(TmStrListOrder, DateKeyThatCannotBeReadRaisesFormatError) {
  TmStrList list;
  list.SetDateTimeFormat("yyyy/M/d hh:mm AMPM");
  list.SetKeyType(TMSortType::soDate);
  Fill(list, {"2020/1/1 1:00 PM", "2020/1/1 13:00"});
  EXPECT_THROW(list.Sort(), E_Format_Invalid);
}

// ---- The pinned results of the partition steps -----------------------------------------

TEST(TmStrListQuickSort, EqualKeysEndWhereThePartitionStepsPutThem) {
  TmStrList list;
  Fill(list, {"b", "a", "b", "a"});
  list.SetSorted(true);
  list.SetSorted(false);
  EXPECT_EQ(EntryObjects(list), (Objects{3, 1, 0, 2}));
  list.OrderEqualKeyRuns();
  EXPECT_EQ(EntryObjects(list), (Objects{1, 3, 0, 2}));
}

TEST(TmStrListQuickSort, PublicRangeSortAndIndexChecks) {
  TmStrList list;
  Fill(list, {"d", "c", "b", "a"});
  list.QuickSort(1, 2);
  EXPECT_EQ(EntryTexts(list), (Texts{"d", "b", "c", "a"}));
  list.QuickSort(3, 1);  // an empty range does nothing
  EXPECT_EQ(EntryTexts(list), (Texts{"d", "b", "c", "a"}));
  EXPECT_EQ(ListErrorOf([&] { list.QuickSort(0, 4); }), "List index out of bounds");
  EXPECT_EQ(ListErrorOf([&] { list.SortRangeByObject(-1, 2); }), "List index out of bounds");
  EXPECT_EQ(ListErrorOf([&] { list.ExchangeItems(0, 4); }), "List index out of bounds");
  list.SortRangeByObject(0, 3);
  EXPECT_EQ(EntryObjects(list), (Objects{0, 1, 2, 3}));
}

TEST(TmStrListQuickSort, StartIndexAtOrPastTheEndSortsNothing) {
  TmStrList list;
  Fill(list, {"c", "b", "a"});
  list.SetStartIndex(3);
  list.Sort();
  list.SetStartIndex(2);
  list.Sort();
  list.OrderEqualKeyRuns();
  EXPECT_EQ(EntryTexts(list), (Texts{"c", "b", "a"}));
  list.SetStartIndex(-4);  // acts as 0
  list.Sort();
  EXPECT_EQ(EntryTexts(list), (Texts{"a", "b", "c"}));
}

TEST(TmStrListQuickSort, NumericOverflowRaisesWhereTheStepsDoAndSendsNoChanged) {
  Texts texts;
  for (int i = 0; i < 40; ++i) texts.push_back(std::to_string((i * 37) % 41));
  texts[29] = "1e39";
  TmStrList list;
  list.SetKeyType(TMSortType::soNumeric);
  Fill(list, texts);
  EventLog log(list);
  EXPECT_THROW(list.Sort(), EOverflow);
  EXPECT_EQ(log.events, "<");

  RefSorter ref;
  ref.type = TMSortType::soNumeric;
  std::vector<RefEntry> expected = RefEntries(texts);
  EXPECT_THROW(ref.Sort(expected, 0), EOverflow);
  EXPECT_EQ(EntryObjects(list), RefObjects(expected));
  EXPECT_NE(EntryObjects(list), RefObjects(RefEntries(texts)));  // some exchanges were made
  EXPECT_FALSE(list.Sorted());
  EXPECT_THROW(list.SetSorted(true), EOverflow);
  EXPECT_FALSE(list.Sorted());
}

// Random lists with many duplicates and case variants: the list's sort gives exactly the
// permutation of the reference steps.
Texts RandomTexts(std::mt19937& rng, int count) {
  static const Texts kWords = {"apple", "Apple", "APPLE", "banana", "Banana", "cherry", "",
                               "a",     "A",     "ab",    "b",      "B",      "10",     "2",
                               "-5",    "0",     "abc",   " 7 items", "3.5kg", "1e3x", "-0",
                               "x1",    "0.0",   "\xE9t\xE9", "a long text beyond inline"};
  Texts texts;
  std::uniform_int_distribution<std::size_t> pick(0, kWords.size() - 1);
  for (int i = 0; i < count; ++i) texts.push_back(kWords[pick(rng)] + kWords[pick(rng)].substr(0, 2));
  return texts;
}

TEST(TmStrListQuickSort, CachedSortGivesThePermutationOfTheUncachedSteps) {
  std::mt19937 rng(20240611);
  const TMSortType types[] = {TMSortType::soString, TMSortType::soStringCaseSensitive,
                              TMSortType::soNumeric};
  for (int round = 0; round < 60; ++round) {
    const Texts texts = RandomTexts(rng, 1 + static_cast<int>(rng() % 300));
    RefSorter ref;
    ref.type = types[round % 3];
    ref.key_pos = 1 + static_cast<int>(rng() % 3);
    ref.key_len = round % 4 == 0 ? 2 : INT_MAX;
    ref.descending = (round / 3) % 2 == 1;
    const int start = static_cast<int>(rng() % std::min<std::size_t>(texts.size(), 4));
    TmStrList list;
    list.SetKeyType(ref.type);
    list.SetKeyPos(ref.key_pos);
    list.SetKeyLen(ref.key_len);
    list.SetSortDescending(ref.descending);
    list.SetStartIndex(start);
    Fill(list, texts);
    std::vector<RefEntry> expected = RefEntries(texts);

    list.Sort();
    ref.Sort(expected, start);
    ASSERT_EQ(EntryObjects(list), RefObjects(expected)) << "round " << round;
    list.OrderEqualKeyRuns();
    ref.OrderEqualKeyRuns(expected, start);
    ASSERT_EQ(EntryObjects(list), RefObjects(expected)) << "round " << round;
  }
}

TEST(TmStrListQuickSort, CachedDateSortGivesThePermutationOfTheUncachedSteps) {
  std::mt19937 rng(7);
  TmStrList list;
  list.SetDateTimeFormat("yyyy/M/d hh:mm");
  list.SetKeyType(TMSortType::soDate);
  Texts texts;
  for (int i = 0; i < 200; ++i)
    texts.push_back(std::to_string(2000 + rng() % 3) + "/" + std::to_string(1 + rng() % 3) +
                    "/" + std::to_string(1 + rng() % 2) + " " + std::to_string(rng() % 3) +
                    ":0" + std::to_string(rng() % 2));
  Fill(list, texts);
  RefSorter ref;
  ref.type = TMSortType::soDate;
  ref.dates = &list;
  std::vector<RefEntry> expected = RefEntries(texts);
  list.Sort();
  ref.Sort(expected, 0);
  EXPECT_EQ(EntryObjects(list), RefObjects(expected));
  list.OrderEqualKeyRuns();
  ref.OrderEqualKeyRuns(expected, 0);
  EXPECT_EQ(EntryObjects(list), RefObjects(expected));
}

// ---- Sorted mode -----------------------------------------------------------------------

TEST(TmStrListSortedMode, AddPlacesByKeyAndHandlesDuplicates) {
  TmStrList list;
  Fill(list, {"m", "c", "x"});
  list.SetSorted(true);
  EXPECT_EQ(EntryTexts(list), (Texts{"c", "m", "x"}));
  EXPECT_EQ(list.Add("d"), 1);
  EXPECT_EQ(list.Add("M"), 2);  // dupIgnore: the equal entry's index, nothing added
  EXPECT_EQ(list.Count(), 4);
  list.SetDuplicates(dupAccept);
  EXPECT_EQ(list.Add("M"), 2);
  EXPECT_EQ(EntryTexts(list), (Texts{"c", "d", "M", "m", "x"}));
  list.SetDuplicates(dupError);
  EXPECT_EQ(ListErrorOf([&] { list.Add("X"); }), "String list does not allow duplicates");
  EXPECT_EQ(list.Count(), 5);
}

TEST(TmStrListSortedMode, DescendingListStillAddsWhereAscendingWouldPlaceIt) {
  TmStrList list;
  list.SetSortDescending(true);
  Fill(list, {"a", "c"});
  list.SetSorted(true);
  EXPECT_EQ(EntryTexts(list), (Texts{"c", "a"}));
  EXPECT_EQ(list.Add("b"), 0);
}

TEST(TmStrListSortedMode, InsertAndTextWritesRefusedBeforeIndexCheck) {
  TmStrList list;
  Fill(list, {"a"});
  list.SetSorted(true);
  EventLog log(list);
  EXPECT_EQ(ListErrorOf([&] { list.Insert(0, "b"); }),
            "Operation not allowed on sorted string list");
  EXPECT_EQ(ListErrorOf([&] { list.Insert(-1, "b"); }),
            "Operation not allowed on sorted string list");
  EXPECT_EQ(ListErrorOf([&] { list.SetStrings(5, "b"); }),
            "Operation not allowed on sorted string list");
  list.SetObjects(0, 9);  // objects may change
  EXPECT_EQ(list.Objects(0), 9);
  EXPECT_EQ(log.events, "<>");
}

TEST(TmStrListSortedMode, ListOfOneEntryIsNotSortedNorNotified) {
  TmStrList list;
  Fill(list, {"a"});
  EventLog log(list);
  list.Sort();
  list.SetSorted(true);
  list.SetSorted(false);
  EXPECT_EQ(log.events, "");
}

// ---- Search ------------------------------------------------------------------------------

TEST(TmStrListFind, BinarySearchPerKeyType) {
  struct Case {
    TMSortType type;
    Texts texts;  // in ascending order
    std::string sought;
    bool found;
    int index;
  };
  const Case cases[] = {
      {TMSortType::soString, {"a", "B", "c"}, "b", true, 1},
      {TMSortType::soString, {"a", "B", "c"}, "bb", false, 2},
      {TMSortType::soStringCaseSensitive, {"B", "a", "c"}, "b", false, 2},
      {TMSortType::soStringCaseSensitive, {"B", "a", "c"}, "a", true, 1},
      {TMSortType::soNumeric, {"-5", "2kg", "10"}, "2.0", true, 1},
      {TMSortType::soNumeric, {"-5", "2kg", "10"}, "11", false, 3},
      {TMSortType::soString, {}, "a", false, 0},
  };
  for (const Case& c : cases) {
    TmStrList list;
    list.SetKeyType(c.type);
    Fill(list, c.texts);
    int index = -1;
    EXPECT_EQ(list.Find(c.sought, index), c.found) << c.sought;
    EXPECT_EQ(index, c.index) << c.sought;
  }
}

TEST(TmStrListFind, SoughtTextIsNotCutAndSettingsOfTheSortAreIgnored) {
  TmStrList list;
  Fill(list, {"xa", "xb", "xc"});
  list.SetKeyPos(2);
  list.SetStartIndex(2);
  list.SetSortDescending(true);
  int index = -1;
  EXPECT_TRUE(list.Find("b", index));
  EXPECT_EQ(index, 1);
  EXPECT_FALSE(list.Find("xb", index));
  EXPECT_EQ(list.IndexOf("c"), 2);
}

TEST(TmStrListFind, StopsAtFirstEqualMetUnlessDupAccept) {
  TmStrList list;
  Fill(list, {"a", "b", "b", "b", "b", "b", "c"});
  int index = -1;
  EXPECT_TRUE(list.Find("b", index));
  EXPECT_EQ(index, 3);  // the middle entry is met first
  list.SetDuplicates(dupAccept);
  EXPECT_TRUE(list.Find("b", index));
  EXPECT_EQ(index, 1);
}

TEST(TmStrListFind, NumericDifferenceTooLargeRaisesOverflow) {
  TmStrList list;
  list.SetKeyType(TMSortType::soNumeric);
  Fill(list, {"1e38"});
  int index = 0;
  EXPECT_THROW(list.Find("-1e38", index), EOverflow);
  EXPECT_THROW(list.IndexOf("1e39"), EOverflow);
}

TEST(TmStrListIndexOf, ScansFromZeroWithTheKeyTypesEquality) {
  TmStrList list;
  list.SetStartIndex(2);
  Fill(list, {"7 items", "007", "b"});
  EXPECT_EQ(list.IndexOf("B"), 2);
  EXPECT_EQ(list.IndexOf("zz"), -1);
  list.SetKeyType(TMSortType::soNumeric);
  EXPECT_EQ(list.IndexOf("7.0"), 0);
  EXPECT_EQ(list.IndexOf("x"), 2);  // b and x both read 0
  list.SetKeyType(TMSortType::soStringCaseSensitive);
  EXPECT_EQ(list.IndexOf("B"), -1);
  EXPECT_EQ(list.IndexOf("007"), 1);
}

TEST(TmStrListIndexOf, SortedModeUsesFind) {
  TmStrList list;
  Fill(list, {"c", "a", "b"});
  list.SetSorted(true);
  EXPECT_EQ(list.IndexOf("C"), 2);
  EXPECT_EQ(list.IndexOf("d"), -1);
}

// ---- Entries, indices, notifications and capacity --------------------------------------

TEST(TmStrListEntries, IndexErrorsComeBeforeAnyChange) {
  TmStrList list;
  Fill(list, {"a", "b"});
  EventLog log(list);
  const std::function<void()> actions[] = {
      [&] { list.Strings(2); },        [&] { list.Strings(-1); },
      [&] { list.Objects(2); },        [&] { list.SetObjects(-1, 1); },
      [&] { list.SetStrings(2, "x"); }, [&] { list.Delete(2); },
      [&] { list.Exchange(0, 2); },    [&] { list.Exchange(-1, 0); },
      [&] { list.Insert(3, "x"); },    [&] { list.Insert(-1, "x"); },
      [&] { list.StringView(2); },
  };
  for (const auto& action : actions) EXPECT_EQ(ListErrorOf(action), "List index out of bounds");
  EXPECT_EQ(log.events, "");
  EXPECT_EQ(EntryTexts(list), (Texts{"a", "b"}));
}

TEST(TmStrListEntries, EditsKeepTextsAndObjectsTogether) {
  TmStrList list;
  Fill(list, {"a", "b", "c"});
  list.Insert(3, "d");  // Count appends
  list.Insert(0, "z");
  list.Exchange(0, 4);
  list.Delete(2);
  list.SetStrings(0, std::string(40, 'q'));
  EXPECT_EQ(EntryTexts(list), (Texts{std::string(40, 'q'), "a", "c", "z"}));
  EXPECT_EQ(EntryObjects(list), (Objects{0, 0, 2, 0}));
  EXPECT_EQ(list.StringView(2), "c");
}

TEST(TmStrListEntries, ObjectsAreThirtyTwoBitsThroughTheBaseToo) {
  TmStrList list;
  Fill(list, {"a", "b"});
  TStrings& base = list;
  base.SetObjects(0, static_cast<std::intptr_t>(0x100000005LL));
  EXPECT_EQ(list.Objects(0), 5);
  list.SetObjects(1, -1);
  EXPECT_EQ(base.Objects(1), -1);
  TStringList source{"x"};
  source.SetObjects(0, static_cast<std::intptr_t>(0x7FFFFFFF00000002LL));
  list.AddStrings(source);
  EXPECT_EQ(list.Objects(2), 2);
}

TEST(TmStrListNotifications, EachOperationSendsItsPairs) {
  struct Case {
    const char* name;
    std::function<void(TmStrList&)> action;
    std::string events;
  };
  TStringList two{"p", "q"};
  const Case cases[] = {
      {"Add", [](TmStrList& l) { l.Add("x"); }, "<>"},
      {"AddObject", [](TmStrList& l) { l.AddObject("x", 4); }, "<><>"},
      {"AddStrings", [&](TmStrList& l) { l.AddStrings(two); }, "<<><><><>>"},
      {"Insert", [](TmStrList& l) { l.Insert(1, "x"); }, "<>"},
      {"Delete", [](TmStrList& l) { l.Delete(0); }, "<>"},
      {"Exchange", [](TmStrList& l) { l.Exchange(0, 2); }, "<>"},
      {"SetStrings", [](TmStrList& l) { l.SetStrings(1, "x"); }, "<>"},
      {"SetObjects", [](TmStrList& l) { l.SetObjects(1, 7); }, "<>"},
      {"Clear", [](TmStrList& l) { l.Clear(); }, "<>"},
      {"Sort", [](TmStrList& l) { l.Sort(); }, "<>"},
      {"SetSorted", [](TmStrList& l) { l.SetSorted(true); l.SetSorted(false); }, "<>"},
      {"OrderEqualKeyRuns", [](TmStrList& l) { l.OrderEqualKeyRuns(); }, ""},
      {"SortFields", [](TmStrList& l) { l.SetStartIndex(1); l.SetSortDescending(true); }, ""},
      {"KeyPosNotSorted", [](TmStrList& l) { l.SetKeyPos(2); }, ""},
  };
  for (const Case& c : cases) {
    TmStrList list;
    Fill(list, {"c", "a", "b"});
    EventLog log(list);
    c.action(list);
    EXPECT_EQ(log.events, c.events) << c.name;
  }
  TmStrList empty;
  EventLog log(empty);
  empty.Clear();
  EXPECT_EQ(log.events, "");
}

TEST(TmStrListNotifications, CallbackSeesTheListBeforeAndAfter) {
  TmStrList list;
  std::vector<int> counts;
  list.OnChanging = [&](TmStrList& l) { counts.push_back(l.Count()); };
  list.OnChange = [&](TmStrList& l) { counts.push_back(l.Count()); };
  list.Add("a");
  EXPECT_EQ(counts, (std::vector<int>{0, 1}));
}

TEST(TmStrListAddStrings, FailureStillEndsTheUpdateAndKeepsEarlierEntries) {
  TmStrList list;
  list.SetSorted(true);
  list.SetDuplicates(dupError);
  TStringList source{"b", "a", "B", "c"};
  EventLog log(list);
  EXPECT_EQ(ListErrorOf([&] { list.AddStrings(source); }),
            "String list does not allow duplicates");
  EXPECT_EQ(EntryTexts(list), (Texts{"a", "b"}));
  EXPECT_EQ(list.UpdateCount(), 0);
  EXPECT_EQ(log.events, "<<><><><>>");
}

TEST(TmStrListCapacity, GrowsByFourEightSixteenAndOnlyClearReleases) {
  TmStrList list;
  std::vector<int> seen{list.Capacity()};
  for (int i = 0; i < 64; ++i) {
    list.Add("x");
    if (list.Capacity() != seen.back()) seen.push_back(list.Capacity());
  }
  EXPECT_EQ(seen, (std::vector<int>{0, 4, 8, 16, 32, 48, 64}));
  list.Delete(0);
  list.Delete(0);
  EXPECT_EQ(list.Capacity(), 64);
  list.Clear();
  EXPECT_EQ(list.Capacity(), 0);
  EXPECT_EQ(list.Count(), 0);
}


// ---- Bulk paths: the same entries whether or not anything observes the steps ----------

// Counts the notifications a subclass receives through the virtual hooks.
class HookCountingList : public TmStrList {
 public:
  int changing = 0;
  int changed = 0;

 protected:
  void Changing() override { ++changing; }
  void Changed() override { ++changed; }
};

// A grid column over three chunks with gaps, long texts and objects (one on an empty text),
// and a row view of the same grid.
struct GridSources {
  TStringGrid grid;
  GridSources() {
    grid.SetRowCount(2100);
    grid.SetColCount(3);
    for (int r = 0; r < 2100; r += 7) grid.SetCells(1, r, "w" + std::to_string(r % 50));
    grid.SetCells(1, 1500, std::string(30, 'L'));
    grid.SetObjects(1, 14, static_cast<std::intptr_t>(0x100000009LL));
    grid.SetObjects(1, 21, 77);
    grid.SetCells(1, 21, "");
    grid.SetCells(0, 14, "left");
  }
};

TEST(TmStrListBulk, AddStringsGivesTheSameEntriesWithOrWithoutObservers) {
  GridSources g;
  TStringList plain{"x", std::string(20, 'y'), ""};
  plain.SetObjects(1, static_cast<std::intptr_t>(-3));
  const TStringGridLine column = g.grid.Cols(1);
  const TStringGridLine row = g.grid.Rows(14);
  const TStrings* sources[] = {&plain, &column, &row};
  for (const TStrings* source : sources) {
    TmStrList quiet;
    quiet.AddStrings(*source);
    TmStrList observed;
    EventLog log(observed);
    observed.AddStrings(*source);
    HookCountingList hooked;
    hooked.AddStrings(*source);
    const int n = source->Count();
    ASSERT_EQ(quiet.Count(), n);
    EXPECT_EQ(EntryTexts(quiet), EntryTexts(observed));
    EXPECT_EQ(EntryObjects(quiet), EntryObjects(observed));
    EXPECT_EQ(EntryObjects(quiet), EntryObjects(hooked));
    EXPECT_EQ(quiet.Capacity(), observed.Capacity());
    EXPECT_EQ(log.events.size(), static_cast<std::size_t>(2 + 4 * n));
    EXPECT_EQ(hooked.changed, 1 + 2 * n);  // a subclass still sees every step
    EXPECT_EQ(quiet.UpdateCount(), 0);
    for (int i = 0; i < n; ++i) {
      ASSERT_EQ(quiet.Strings(i), source->Strings(i)) << i;
      ASSERT_EQ(quiet.Objects(i), static_cast<std::int32_t>(source->Objects(i))) << i;
    }
  }
}

TEST(TmStrListBulk, AddStringsOfItselfAppendsOneCopy) {
  TmStrList list;
  Fill(list, {"a", std::string(25, 'b'), "c"});
  list.AddStrings(list);
  EXPECT_EQ(EntryTexts(list), (Texts{"a", std::string(25, 'b'), "c", "a", std::string(25, 'b'), "c"}));
  EXPECT_EQ(EntryObjects(list), (Objects{0, 1, 2, 0, 1, 2}));
  EXPECT_EQ(list.Capacity(), 8);
}

TEST(TmStrListBulk, NumberEntriesNotifiesEachStepOnlyWhenObserved) {
  TmStrList quiet;
  Fill(quiet, {"c", "a", "b"});
  quiet.SetObjects(0, 9);
  quiet.NumberEntries();
  EXPECT_EQ(EntryObjects(quiet), (Objects{0, 1, 2}));
  TmStrList observed;
  Fill(observed, {"c", "a", "b"});
  EventLog log(observed);
  observed.NumberEntries();
  EXPECT_EQ(log.events, "<><><>");
  HookCountingList hooked;
  Fill(hooked, {"c", "a"});
  hooked.changed = 0;
  hooked.NumberEntries();
  EXPECT_EQ(hooked.changed, 2);
}

TEST(TmStrListBulk, StorePositionsWritesTheLastStepForEachTarget) {
  const std::int32_t targets[] = {2, 0, 2, 3};  // entry 2 twice, entry 1 never
  TmStrList quiet;
  Fill(quiet, {"a", "b", std::string(30, 'c'), "d", "e"});
  quiet.StorePositions(targets, 4, 1);
  EXPECT_EQ(EntryTexts(quiet), (Texts{"a", "1", std::string(30, 'c'), "2", "3"}));
  EXPECT_EQ(EntryObjects(quiet), (Objects{0, 1, 2, 2, 3}));
  TmStrList observed;
  Fill(observed, {"a", "b", std::string(30, 'c'), "d", "e"});
  EventLog log(observed);
  observed.StorePositions(targets, 4, 1);
  EXPECT_EQ(EntryTexts(observed), EntryTexts(quiet));
  EXPECT_EQ(EntryObjects(observed), EntryObjects(quiet));
  EXPECT_EQ(log.events, "<><><><><><><><>");
}

// With QuietBulkSteps the bulk work skips the per-step notifications, but only while no
// handler is set; either way the entries are those of the single steps.
TEST(TmStrListBulk, QuietStepsGiveTheSameEntriesAndStillReachAHandler) {
  GridSources g;
  TStringList plain{"x", std::string(20, 'y'), ""};
  const TStringGridLine column = g.grid.Cols(1);
  const TStringGridLine row = g.grid.Rows(14);
  const TStrings* sources[] = {&plain, &column, &row};
  for (const TStrings* source : sources) {
    const int n = source->Count();
    std::vector<std::int32_t> targets(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) targets[i] = (i * 7 + 3) % n;  // some entries twice, some never
    auto run = [&](TmStrList& list) {
      list.AddStrings(*source);
      list.NumberEntries();
      list.StorePositions(targets.data(), n, 0);
    };
    TmStrList stepwise;
    run(stepwise);
    TmStrList quiet;
    quiet.SetQuietBulkSteps(true);
    run(quiet);
    TmStrList observed;
    observed.SetQuietBulkSteps(true);
    EventLog log(observed);
    run(observed);
    EXPECT_EQ(EntryTexts(quiet), EntryTexts(stepwise));
    EXPECT_EQ(EntryObjects(quiet), EntryObjects(stepwise));
    EXPECT_EQ(quiet.Capacity(), stepwise.Capacity());
    EXPECT_EQ(EntryTexts(observed), EntryTexts(stepwise));
    EXPECT_EQ(log.events.size(), static_cast<std::size_t>(2 + 4 * n + 2 * n + 4 * n));
  }
}

TEST(TmStrListBulk, StorePositionsFailsAtTheStepThatFails) {
  const std::int32_t targets[] = {1, 0, 5, 2};
  TmStrList list;
  Fill(list, {"a", "b", "c"});
  EXPECT_EQ(ListErrorOf([&] { list.StorePositions(targets, 4, 0); }),
            "List index out of bounds");
  EXPECT_EQ(EntryTexts(list), (Texts{"1", "0", "c"}));  // steps 0 and 1 were made
  EXPECT_EQ(EntryObjects(list), (Objects{1, 0, 2}));

  TmStrList sorted;
  Fill(sorted, {"b", "a"});
  sorted.SetSorted(true);  // the object of the first step is written, then the text fails
  const std::int32_t first_entry[] = {0, 1};
  EXPECT_EQ(ListErrorOf([&] { sorted.StorePositions(first_entry, 2, 0); }),
            "Operation not allowed on sorted string list");
  EXPECT_EQ(EntryTexts(sorted), (Texts{"a", "b"}));
  EXPECT_EQ(EntryObjects(sorted), (Objects{0, 0}));
}

// Long lists take the compact sort and move their entries along many cut cycles; the result
// must still be the exact permutation of the reference steps.
TEST(TmStrListBulk, LongListsSortLikeTheReferenceSteps) {
  std::mt19937 rng(99);
  const Texts texts = RandomTexts(rng, 3000);
  const struct {
    TMSortType type;
    bool descending;
  } cases[] = {{TMSortType::soString, false},
               {TMSortType::soStringCaseSensitive, true},
               {TMSortType::soNumeric, false}};
  for (const auto& c : cases) {
    TmStrList list;
    list.SetKeyType(c.type);
    list.SetSortDescending(c.descending);
    list.SetStartIndex(5);
    Fill(list, texts);
    RefSorter ref;
    ref.type = c.type;
    ref.descending = c.descending;
    std::vector<RefEntry> expected = RefEntries(texts);
    list.Sort();
    ref.Sort(expected, 5);
    ASSERT_EQ(EntryObjects(list), RefObjects(expected)) << static_cast<int>(c.type);
    for (int i = 0; i < list.Count(); ++i)
      ASSERT_EQ(list.Strings(i), texts[list.Objects(i)]) << i;  // texts moved with objects
    list.OrderEqualKeyRuns();
    ref.OrderEqualKeyRuns(expected, 5);
    ASSERT_EQ(EntryObjects(list), RefObjects(expected)) << static_cast<int>(c.type);
  }
}

}  // namespace
}  // namespace quillet
