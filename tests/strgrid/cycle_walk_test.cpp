#include "strgrid/cycle_walk.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "runtime/exceptions.h"
#include "strgrid/string_grid.h"
#include "tests/test_support.h"

namespace quillet {
namespace {

using test_support::ExpectError;
using Moves = std::vector<std::int32_t>;

// Items are strings; counts how often each place is written.
struct StringOps {
  std::vector<std::string>& items;
  std::vector<int>& writes;
  std::string Take(int i) { return std::exchange(items[i], "<taken>"); }
  void Put(int i, std::string&& item) {
    EXPECT_EQ(items[i], "<taken>") << "place " << i << " was not empty";
    items[i] = std::move(item);
    ++writes[i];
  }
  void Move(int from, int to) { Put(to, Take(from)); }
  void Prefetch(int) {}
};

// Permutations of several shapes: identity, one long cycle, pairs, random, cycles that
// avoid the cut positions.
std::vector<Moves> SamplePermutations(int count, std::mt19937& rng) {
  std::vector<Moves> samples;
  Moves identity(count);
  std::iota(identity.begin(), identity.end(), 0);
  samples.push_back(identity);
  Moves rotate(count);
  for (int i = 0; i < count; ++i) rotate[i] = (i + 1) % count;
  samples.push_back(rotate);
  Moves pairs = identity;
  for (int i = 0; i + 1 < count; i += 2) std::swap(pairs[i], pairs[i + 1]);
  samples.push_back(pairs);
  Moves shuffled = identity;
  std::shuffle(shuffled.begin(), shuffled.end(), rng);
  samples.push_back(shuffled);
  Moves uncut = identity;  // 3-cycles over positions 1, 2, 3 of each block: never a cut
  for (int b = 0; b + 3 < count; b += kCycleCut) {
    uncut[b + 1] = b + 2;
    uncut[b + 2] = b + 3;
    uncut[b + 3] = b + 1;
  }
  samples.push_back(uncut);
  return samples;
}

TEST(WalkCycles, EveryItemEndsWhereThePermutationSaysAndMovesOnce) {
  std::mt19937 rng(3);
  for (const int count : {0, 1, 2, 63, 64, 65, 700, 5000}) {
    for (const Moves& sample : SamplePermutations(count, rng)) {
      std::vector<std::string> items(count);
      for (int i = 0; i < count; ++i) items[i] = "item" + std::to_string(i);
      std::vector<int> writes(count);
      StringOps ops{items, writes};
      Moves from = sample;
      WalkCycles(count, [&from](int i) -> std::int32_t& { return from[i]; }, ops,
                 TCycleShape::kPermutation);
      for (int i = 0; i < count; ++i) {
        ASSERT_EQ(items[i], "item" + std::to_string(sample[i])) << count << " at " << i;
        ASSERT_EQ(writes[i], sample[i] == i ? 0 : 1) << count << " at " << i;
        ASSERT_EQ(from[i], i);
      }
    }
  }
}

// ---- TStringGrid::PermuteColumn against a model of the plain walk ----------------------

struct ModelCell {
  std::string text;
  std::intptr_t object = 0;
  bool operator==(const ModelCell&) const = default;
};

// The walk of TakeCell / MoveCell / PutCell on a plain vector, for any moves.
std::vector<ModelCell> ModelWalk(std::vector<ModelCell> cells, Moves moves) {
  const int count = static_cast<int>(moves.size());
  for (int start = 0; start < count; ++start) {
    if (moves[start] == start) continue;
    int i = start;
    ModelCell aside = std::exchange(cells[i], ModelCell{});
    for (;;) {
      const int j = moves[i];
      moves[i] = i;
      if (moves[j] == j) break;
      cells[i] = std::exchange(cells[j], ModelCell{});
      i = j;
    }
    cells[i] = aside;
  }
  return cells;
}

// A sparse column over four chunks: texts, long texts, objects, an object on an empty text.
std::vector<ModelCell> SparseColumn(int rows, std::mt19937& rng) {
  std::vector<ModelCell> cells(rows);
  for (int r = 0; r < rows; ++r) {
    const auto pick = rng() % 10;
    if (pick < 4) continue;  // empty
    if (pick < 8) cells[r].text = "t" + std::to_string(r);
    if (pick == 8) cells[r].text = std::string(20, static_cast<char>('a' + r % 26));
    if (pick >= 7) cells[r].object = r + 1;
  }
  for (int r = 1024; r < 2048; ++r) cells[r] = {};  // a whole chunk without cells
  return cells;
}

void Load(TStringGrid& grid, int col, const std::vector<ModelCell>& cells) {
  for (int r = 0; r < static_cast<int>(cells.size()); ++r) {
    grid.SetCells(col, r, cells[r].text.empty() && cells[r].object ? "x" : cells[r].text);
    if (cells[r].object) grid.SetObjects(col, r, cells[r].object);
    if (cells[r].text.empty() && cells[r].object) grid.SetCells(col, r, "");
  }
}

std::vector<ModelCell> Read(const TStringGrid& grid, int col, int rows) {
  std::vector<ModelCell> cells(rows);
  for (int r = 0; r < rows; ++r) cells[r] = {grid.Cells(col, r), grid.Objects(col, r)};
  return cells;
}

std::size_t HoldingCells(const std::vector<ModelCell>& cells) {
  return std::count_if(cells.begin(), cells.end(),
                       [](const ModelCell& c) { return !c.text.empty() || c.object != 0; });
}

std::size_t HoldingChunks(const std::vector<ModelCell>& cells) {
  std::size_t chunks = 0;
  for (std::size_t first = 0; first < cells.size(); first += TStringGrid::kChunkRows) {
    const auto end = cells.begin() + std::min(cells.size(), first + TStringGrid::kChunkRows);
    chunks += std::any_of(cells.begin() + first, end, [](const ModelCell& c) {
      return !c.text.empty() || c.object != 0;
    });
  }
  return chunks;
}

TEST(TStringGridPermuteColumn, MatchesThePlainWalkForPermutationsAndOtherMoves) {
  std::mt19937 rng(11);
  const int rows = 3500;
  for (const int col : {0, 5000}) {  // a dense and a far column
    for (int round = 0; round < 6; ++round) {
      const std::vector<ModelCell> before = SparseColumn(rows, rng);
      Moves moves(rows);
      std::iota(moves.begin(), moves.end(), 0);
      if (round % 3 == 2) {  // not a permutation: values repeat
        for (auto& m : moves) m = static_cast<std::int32_t>(rng() % rows);
      } else {
        std::shuffle(moves.begin() + (round % 3) * 100, moves.end(), rng);
      }
      TStringGrid grid;
      Load(grid, col, before);
      Moves work = moves;
      grid.PermuteColumn(col, work);
      const std::vector<ModelCell> expected = ModelWalk(before, moves);
      ASSERT_EQ(Read(grid, col, rows), expected) << "column " << col << " round " << round;
      EXPECT_EQ(grid.StoredCellCount(), HoldingCells(expected));
      EXPECT_EQ(grid.ChunkCount(), HoldingChunks(expected));
      for (int r = 0; r < rows; ++r) ASSERT_EQ(work[r], r);
    }
  }
}

TEST(TStringGridPermuteColumn, MarksVisitedRowsAndLeavesOthersUntouched) {
  TStringGrid grid;
  grid.SetCells(0, 3, "three");
  Moves moves(300);
  std::iota(moves.begin(), moves.end(), 0);
  std::swap(moves[100], moves[200]);  // two empty cells trade places
  grid.PermuteColumn(7, moves);
  EXPECT_THROW(grid.Cells(-1, 100), EListError);  // visited rows count as written
  EXPECT_THROW(grid.Cells(-1, 200), EListError);
  EXPECT_EQ(grid.Cells(-1, 150), "");
  EXPECT_EQ(grid.ChunkCount(), 1u);  // no chunk is left behind for the empty column
  EXPECT_TRUE(grid.StoredColumnsIn(1, 10).empty());

  Moves swap_rows = {1, 0};
  ExpectError<EListError>([&] { grid.PermuteColumn(-1, swap_rows); }, "List index out of bounds");
  EXPECT_EQ(swap_rows, (Moves{1, 0}));
}

// Every chunk of the column holds cells (the case the conversion's big sorts take), with and
// without objects, and with cells past the moved rows in the last chunk.
TEST(TStringGridPermuteColumn, DenseColumnsMoveEveryCellAndKeepTheRowsBeyond) {
  std::mt19937 rng(29);
  const int rows = 2500;  // the third chunk goes on past the moved rows
  for (const bool with_objects : {false, true}) {
    std::vector<ModelCell> before(rows + 40);
    for (int r = 0; r < rows + 40; ++r) {
      before[r].text = r % 7 == 0 ? std::string(19, static_cast<char>('a' + r % 26)) : "w" + std::to_string(r);
      if (with_objects) before[r].object = r % 3 == 0 ? 0 : 1000 + r;
    }
    Moves moves(rows);
    std::iota(moves.begin(), moves.end(), 0);
    std::shuffle(moves.begin() + 10, moves.end(), rng);  // rows 0..9 stay
    TStringGrid grid;
    Load(grid, 2, before);
    Moves work = moves;
    grid.PermuteColumn(2, work);
    std::vector<ModelCell> expected(before.begin(), before.begin() + rows);
    expected = ModelWalk(expected, moves);
    expected.insert(expected.end(), before.begin() + rows, before.end());
    ASSERT_EQ(Read(grid, 2, rows + 40), expected) << "objects " << with_objects;
    EXPECT_EQ(grid.StoredCellCount(), HoldingCells(expected));
    EXPECT_EQ(grid.ChunkCount(), HoldingChunks(expected));
    for (int r = 0; r < rows; ++r) ASSERT_EQ(work[r], r);
  }
}

TEST(TStringGridPermuteColumn, DenseColumnsMarkOnlyTheRowsThatMove) {
  TStringGrid grid;
  for (int r = 0; r < 1500; ++r) grid.SetCells(0, r, "c" + std::to_string(r));
  TStringGrid marks;  // the same moves on a grid whose rows were never written
  marks.SetRowCount(1500);
  Moves moves(1500);
  std::iota(moves.begin(), moves.end(), 0);
  std::swap(moves[5], moves[1400]);
  Moves work = moves;
  grid.PermuteColumn(0, work);
  EXPECT_EQ(grid.Cells(0, 5), "c1400");
  EXPECT_EQ(grid.Cells(0, 1400), "c5");
  EXPECT_EQ(grid.Cells(0, 6), "c6");
  marks.SetCells(0, 0, "x");  // makes the column's first chunk only
  marks.PermuteColumn(0, moves);
  EXPECT_THROW(marks.Cells(-1, 5), EListError);
  EXPECT_THROW(marks.Cells(-1, 1400), EListError);
  EXPECT_EQ(marks.Cells(-1, 6), "");
  EXPECT_EQ(marks.Cells(-1, 1399), "");
}

void ExpectVisitsAsRead(const TStringGridLine& line) {
  std::vector<ModelCell> seen;
  line.ForEachEntry([&](std::string_view text, std::intptr_t object) {
    seen.push_back({std::string(text), object});
  });
  ASSERT_EQ(seen.size(), static_cast<std::size_t>(line.Count()));
  for (int i = 0; i < line.Count(); ++i)
    ASSERT_EQ(seen[i], (ModelCell{line.Strings(i), line.Objects(i)})) << i;
}

TEST(TStringGridLineForEachEntry, VisitsEveryEntryAsTheViewReadsIt) {
  TStringGrid grid;
  grid.SetRowCount(2100);
  grid.SetColCount(4);
  grid.SetCells(2, 0, "top");
  grid.SetCells(2, 2099, std::string(18, 'z'));
  grid.SetCells(2, 1030, "o");
  grid.SetObjects(2, 1030, 42);
  grid.SetCells(1, 1030, "left");
  ExpectVisitsAsRead(grid.Cols(2));
  ExpectVisitsAsRead(grid.Rows(1030));
  ExpectVisitsAsRead(grid.Cols(9));  // a column without cells
}

}  // namespace
}  // namespace quillet
