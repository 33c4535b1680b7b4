#include "strgrid/grid_search.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "runtime/exceptions.h"
#include "runtime/locale_settings.h"
#include "strgrid/mStrGrid.h"
#include "tests/strgrid/grid_test_support.h"

namespace quillet {
namespace {

using test_support::ExpectError;
using test_support::Table;
using test_support::Texts;
using Cell = std::pair<int, int>;  // column, row
using Cells = std::vector<Cell>;
constexpr Cell kNone{-1, -1};

class GridSearchTest : public ::testing::Test {
 protected:
  void Fill(const Table& rows, int fixed_cols, int fixed_rows) {
    test_support::Fill(grid_, rows, fixed_rows, fixed_cols);
  }
  void Column(const Texts& texts) { test_support::FillColumn(grid_, texts); }
  Cell First(const std::string& value) {  // the whole of column 0
    Cell hit;
    search_.FindFirstInCol(grid_, value, 0, hit.first, hit.second);
    return hit;
  }
  Cell Next() {
    Cell hit;
    search_.FindNext(grid_, hit.first, hit.second);
    return hit;
  }
  // The hit of `first` (a first-search call) and of every FindNext until a miss.
  Cells AllHits(const std::function<bool(int&, int&)>& first) {
    Cells hits;
    Cell hit;
    for (bool found = first(hit.first, hit.second); found;) {
      hits.push_back(hit);
      hit = Next();
      found = hit != kNone;
    }
    return hits;
  }
  std::vector<int> HitRows(const std::string& value) {
    std::vector<int> rows;
    for (const Cell& hit : AllHits([&](int& c, int& r) {
           return search_.FindFirstInCol(grid_, value, 0, c, r);
         }))
      rows.push_back(hit.second);
    return rows;
  }
  // What the grid's ReverseSearch setter does: store, then tell the search.
  void SetReverse(bool value) {
    if (grid_.ReverseSearch() == value) return;
    grid_.SetReverseSearch(value);
    search_.ReverseChanged(grid_);
  }
  TmStrGrid grid_;
  TGridSearch search_;
};

// ---- order and rectangles -------------------------------------------------------------

TEST_F(GridSearchTest, ScansTheRectangleOfUseFixedInOrder) {
  using HandleFixed::hfNot, HandleFixed::hfSmart, HandleFixed::hfYes;
  enum Call { kAll, kAllByCols, kRow, kCol };
  const struct {
    HandleFixed use_fixed;
    Call call;
    int line;
    bool reverse;
    Cells expected;
  } cases[] = {
      {hfNot, kAll, 0, false, {{1, 1}, {2, 1}, {1, 2}, {2, 2}}},
      {hfNot, kAllByCols, 0, false, {{1, 1}, {1, 2}, {2, 1}, {2, 2}}},
      {hfNot, kAll, 0, true, {{2, 2}, {1, 2}, {2, 1}, {1, 1}}},
      {hfNot, kAllByCols, 0, true, {{2, 2}, {2, 1}, {1, 2}, {1, 1}}},
      {hfSmart, kAll, 0, false, {{0, 1}, {1, 1}, {2, 1}, {0, 2}, {1, 2}, {2, 2}}},
      {hfSmart, kAllByCols, 0, false, {{1, 0}, {1, 1}, {1, 2}, {2, 0}, {2, 1}, {2, 2}}},
      {hfYes, kAll, 0, true,
       {{2, 2}, {1, 2}, {0, 2}, {2, 1}, {1, 1}, {0, 1}, {2, 0}, {1, 0}, {0, 0}}},
      {hfNot, kRow, 1, false, {{1, 1}, {2, 1}}},
      {hfNot, kRow, 0, false, {{1, 0}, {2, 0}}},  // a fixed row can be searched
      {hfSmart, kRow, 1, false, {{0, 1}, {1, 1}, {2, 1}}},
      {hfYes, kRow, 2, true, {{2, 2}, {1, 2}, {0, 2}}},
      {hfNot, kCol, 2, false, {{2, 1}, {2, 2}}},
      {hfSmart, kCol, 0, true, {{0, 2}, {0, 1}, {0, 0}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << "use " << int(c.use_fixed) << " call " << c.call
                                      << " reverse " << c.reverse);
    Fill(Table(3, std::vector<std::string>(3, "x")), 1, 1);
    grid_.SetUseFixed(c.use_fixed);
    grid_.SetReverseSearch(c.reverse);
    EXPECT_EQ(AllHits([&](int& col, int& row) {
                switch (c.call) {
                  case kAll: return search_.FindFirst(grid_, "x", true, col, row);
                  case kAllByCols: return search_.FindFirst(grid_, "x", false, col, row);
                  case kRow: return search_.FindFirstInRow(grid_, "x", c.line, col, row);
                  case kCol: return search_.FindFirstInCol(grid_, "x", c.line, col, row);
                }
                return false;
              }),
              c.expected);
  }
}

TEST_F(GridSearchTest, UsesSavedFixedCountsAndFindsNothingInAnEmptyRectangle) {
  Fill(Table(3, std::vector<std::string>(3, "x")), 1, 1);
  grid_.SetCells(1, 5, "x");
  grid_.SetFixedClickActive(true);  // SavedFixedRows/Cols now give the saved values
  grid_.SetSavedFixedRows(2);
  auto all = [&](int& col, int& row) { return search_.FindFirst(grid_, "x", true, col, row); };
  EXPECT_EQ(AllHits(all), (Cells{{0, 2}, {1, 2}, {2, 2}}));
  grid_.SetSavedFixedRows(5);  // past the table: no cell to test, not even (1, 5)
  EXPECT_EQ(AllHits(all), Cells{});
  EXPECT_TRUE(search_.SearchExists());
  EXPECT_FALSE(search_.SearchHasNext());
}

TEST_F(GridSearchTest, RectangleIsFixedAtSetUpAndCellsOutsideTheCountsAreRead) {
  Column({"x", "x", "x"});
  EXPECT_EQ(First("x"), Cell(0, 0));
  grid_.SetRowCount(2);  // row 2 lies outside the counts now and is read all the same
  EXPECT_EQ(Next(), Cell(0, 1));
  EXPECT_EQ(Next(), Cell(0, 2));
  EXPECT_EQ(First("x"), Cell(0, 0));
  grid_.SetRowCount(3);  // row 2 was not part of this search
  EXPECT_EQ(Next(), Cell(0, 1));
  EXPECT_EQ(Next(), kNone);
}

TEST_F(GridSearchTest, FindNextWithoutASearchAndANegativeLine) {
  EXPECT_EQ(Next(), kNone);
  EXPECT_FALSE(search_.SearchExists());
  int col = 0;
  int row = 0;
  ExpectError<EListError>([&] { search_.FindFirstInRow(grid_, "x", -1, col, row); },
                          "List index out of bounds");
  EXPECT_TRUE(search_.SearchHasNext());
}

// ---- direction changes ----------------------------------------------------------------

TEST_F(GridSearchTest, ThreeHitsThenEveryFurtherCallMissesUntilTheDirectionTurns) {
  Column({"m", "-", "m", "-", "m"});
  EXPECT_EQ(First("m"), Cell(0, 0));
  EXPECT_EQ(Next(), Cell(0, 2));
  EXPECT_EQ(Next(), Cell(0, 4));  // the last cell: the search is exhausted
  EXPECT_EQ(Next(), kNone);
  EXPECT_EQ(Next(), kNone);
  SetReverse(true);  // restarts at the other end and finds the last hit again
  EXPECT_EQ(Next(), Cell(0, 4));
  EXPECT_EQ(Next(), Cell(0, 2));
  SetReverse(false);  // running: the setter's own search finds row 2 again
  EXPECT_EQ(Next(), Cell(0, 4));
  EXPECT_EQ(Next(), kNone);
}

TEST_F(GridSearchTest, TurningWhileRunningDoesNotRepeatTheLastHit) {
  Column({"m", "-", "m", "-", "m"});
  EXPECT_EQ(First("m"), Cell(0, 0));
  EXPECT_EQ(Next(), Cell(0, 2));
  SetReverse(true);
  EXPECT_EQ(Next(), Cell(0, 0));
  Column({"m", "-", "m", "m", "-"});
  SetReverse(false);
  EXPECT_EQ(First("m"), Cell(0, 0));
  EXPECT_EQ(Next(), Cell(0, 2));
  SetReverse(true);  // the cell right after the hit matches: the setter stops there
  EXPECT_EQ(Next(), Cell(0, 2));
  EXPECT_EQ(Next(), Cell(0, 0));
}

TEST_F(GridSearchTest, DirectionIsReadAtEveryStepAndTurningWithoutASearchDoesNothing) {
  Column({"m", "m", "-", "m"});
  SetReverse(true);
  EXPECT_FALSE(search_.SearchExists());
  EXPECT_EQ(Next(), kNone);
  SetReverse(false);
  EXPECT_EQ(First("m"), Cell(0, 0));
  grid_.SetReverseSearch(true);  // the field alone: no re-alignment, the scan turns back
  EXPECT_EQ(Next(), Cell(0, 1));
  EXPECT_EQ(Next(), Cell(0, 0));
}

// ---- match rules ----------------------------------------------------------------------

TEST_F(GridSearchTest, TextKeysWholeAndAsSubstring) {
  Column({"abCDef", "xxcd", "cdab", "ab", "xxCDyy"});
  grid_.SetKeyPos(3);
  grid_.SetKeyLen(2);
  EXPECT_EQ(HitRows("cd"), (std::vector<int>{0, 1, 4}));  // keys CD, cd, CD
  grid_.SetKeyType(TMSortType::soStringCaseSensitive);
  EXPECT_EQ(HitRows("cd"), (std::vector<int>{1}));
  grid_.SetSearchSubstring(true);  // the whole text, whatever KeyPos and KeyLen
  EXPECT_EQ(HitRows("cd"), (std::vector<int>{1, 2}));
  grid_.SetKeyType(TMSortType::soString);
  EXPECT_EQ(HitRows("cd"), (std::vector<int>{0, 1, 2, 4}));
  EXPECT_EQ(search_.SearchText(), "CD");
  Column({"A\xE9" "B", "a\xC9" "b"});  // only a-z change case
  EXPECT_EQ(HitRows("a\xE9" "b"), (std::vector<int>{0}));
}

TEST_F(GridSearchTest, EmptySearchTextAndSettingsReadAfreshByEachCall) {
  Column({"a", "", "b"});
  grid_.SetSearchSubstring(true);
  EXPECT_EQ(HitRows(""), (std::vector<int>{}));
  grid_.SetSearchSubstring(false);
  grid_.SetRowCount(5);  // rows 3 and 4 were never written
  EXPECT_EQ(HitRows(""), (std::vector<int>{1, 3, 4}));
  Column({"ab", "AB", "ab", "AB"});
  EXPECT_EQ(First("ab"), Cell(0, 0));
  grid_.SetKeyType(TMSortType::soStringCaseSensitive);
  EXPECT_EQ(Next(), Cell(0, 2));
}

TEST_F(GridSearchTest, NumericKeysCompareNumbersAndOverflowStopsOnTheCell) {
  Column({"12", "12.0", "12abc", "0012", "120", "1.2", "x12", "abc", ""});
  grid_.SetKeyType(TMSortType::soNumeric);
  grid_.SetSearchSubstring(true);  // numbers ignore it
  EXPECT_EQ(HitRows("12"), (std::vector<int>{0, 1, 2, 3}));
  EXPECT_EQ(HitRows("0"), (std::vector<int>{6, 7, 8}));
  Column({"5", "1e39", "5"});
  EXPECT_EQ(First("5"), Cell(0, 0));
  for (int attempt = 0; attempt < 2; ++attempt) {
    EXPECT_THROW(Next(), EOverflow);
    EXPECT_EQ(search_.SearchRow(), 1);
    EXPECT_TRUE(search_.SearchHasNext());
  }
  ExpectError<EOverflow>([&] { First("2e38"); }, "Floating point overflow");
}

// Date searches under the United States conventions; the environment is restored after.
class DateSearchTest : public GridSearchTest {
 protected:
  void SetUp() override {
    const char* saved = std::getenv("LC_ALL");
    had_ = saved != nullptr;
    saved_ = had_ ? saved : "";
    ::setenv("LC_ALL", "en_US.UTF-8", 1);
    LocaleSettings::Reload();
    grid_.SetKeyType(TMSortType::soDate);
  }
  void TearDown() override {
    if (had_) ::setenv("LC_ALL", saved_.c_str(), 1); else ::unsetenv("LC_ALL");
    LocaleSettings::Reload();
  }
  static void ExpectBadDate(const std::function<void()>& action, const std::string& text) {
    ExpectError<EConvertError>(action, "'" + text + "' is not a valid date and time");
  }
  bool had_ = false;
  std::string saved_;
};

TEST_F(DateSearchTest, MatchesTheSameMomentWrittenDifferently) {
  Column({"12/31/2024", "12-31-24 0:00", "1/1/2025", "12/31/2024 12:00 AM", "12/31/2024 1:00"});
  EXPECT_EQ(HitRows("12/31/2024"), (std::vector<int>{0, 1, 3}));
}

TEST_F(DateSearchTest, BadSearchTextOrCellKeyFailsAndFailsAgainOnTheNextCall) {
  Column({"1/1/2025", "junk", "1/1/2025", ""});
  ExpectBadDate([&] { First("not a date"); }, "not a date");
  EXPECT_TRUE(search_.SearchExists());
  EXPECT_TRUE(search_.SearchHasNext());
  ExpectBadDate([&] { Next(); }, "not a date");
  EXPECT_EQ(First("1/1/2025"), Cell(0, 0));
  ExpectBadDate([&] { Next(); }, "junk");
  ExpectBadDate([&] { Next(); }, "junk");
  EXPECT_EQ(search_.SearchRow(), 1);
  grid_.SetCells(0, 1, "2/2/2025");
  EXPECT_EQ(Next(), Cell(0, 2));
  ExpectBadDate([&] { SetReverse(true); }, "");  // the setter's search meets row 3
  EXPECT_TRUE(grid_.ReverseSearch());
  EXPECT_EQ(search_.SearchRow(), 3);
}

}  // namespace
}  // namespace quillet
