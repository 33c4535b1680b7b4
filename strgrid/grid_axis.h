#pragma once
// TGridAxis: the geometry of one axis of a visible grid, columns across or rows down. It
// holds the default extent of a line (column width or row height), the extents set for
// single lines, the first visible scrolled line and the client extent (width or height of
// the area the grid draws in), and answers where lines lie.
//
// Layout along the axis: the fixed lines come first, from the client area's edge, then the
// scrolled lines from the first visible one on. Each line takes its extent plus the
// effective line width W (the grid line width when grid lines of that direction are drawn,
// else 0). The grid passes the fixed count, the line count and W with every question
// (TGridAxis::Lines), since they belong to the grid, not to the axis.

#include <cstdint>
#include <map>

namespace quillet {

class TGridAxis {
 public:
  // The grid's counts and the effective line width, as the grid has them now.
  struct Lines {
    int fixed = 0;       // fixed lines, 0 <= fixed < count
    int count = 1;       // lines of the table, >= 1
    int line_width = 0;  // W, >= 0
  };

  TGridAxis(int default_extent, int first_visible) noexcept
      : default_extent_(default_extent), first_visible_(first_visible) {}

  // The extent of a line without one of its own. Setting it forgets every line's own
  // extent (as a grid does when its default changes); a negative value counts as 0.
  int DefaultExtent() const noexcept { return default_extent_; }
  void SetDefaultExtent(int value);
  // The extent of `line` (its own, or the default). Setting a negative value gives 0; the
  // default value removes the line's own extent. Lines may lie outside the table.
  int Extent(int line) const noexcept;
  void SetExtent(int line, int value);

  // The first visible scrolled line, stored as given (the grid keeps it in range).
  int FirstVisible() const noexcept { return first_visible_; }
  void SetFirstVisible(int value) noexcept { first_visible_ = value; }
  // The client extent in pixels; negative counts as 0.
  int ClientExtent() const noexcept { return client_extent_; }
  void SetClientExtent(int value) noexcept { client_extent_ = value < 0 ? 0 : value; }

  // ---- layout questions -------------------------------------------------------------
  // Total extent of the fixed lines (extents and W included), counted only as far as
  // needed: once the sum passes `limit` the partial sum (> limit) is returned.
  std::int64_t FixedBoundary(const Lines& lines, std::int64_t limit) const noexcept;
  // The line under position `pos`: a position within the fixed lines' total extent is
  // looked up among the fixed lines, any other among the scrolled lines from the first
  // visible one; the result is the first line whose end (extent and W included) lies
  // beyond `pos`, or -1 if there is none before the last line of the table.
  int LineAt(const Lines& lines, int pos) const noexcept;
  // The line whose sizing line lies under `pos`, or -1. Range = 7 and Back = (7 - W) / 2
  // when W < 7, else Range = W and Back = 0. Walking the scrolled lines from the first
  // visible one, P = the end of the line's extent (before its grid line): `pos` is on the
  // line's sizing line when P - Back <= pos <= P - Back + Range. The walk stops at the
  // first P beyond the client extent E; that line also counts for E - Back <= pos <= E.
  int SizingLineAt(const Lines& lines, int pos) const noexcept;
  // Where `line` starts in the client area, or -1 for a scrolled line before the first
  // visible one or past the client extent (fixed lines always have a start).
  int LineStart(const Lines& lines, int line) const noexcept;
  // The last line that starts inside the client extent (at least the first visible one).
  int LastVisible(const Lines& lines) const noexcept;
  // The largest first visible line that still shows the table's last line completely
  // (never below the fixed count): the end of the scrolling range.
  int MaxFirstVisible(const Lines& lines) const noexcept;
  // The first visible line that shows `line` completely, changing the current one as
  // little as possible. Fixed lines and lines outside the table keep the current one.
  int FirstVisibleShowing(const Lines& lines, int line) const noexcept;

 private:
  // Extent of the scrolled area: client extent minus the fixed lines (>= 0).
  std::int64_t ScrolledExtent(const Lines& lines) const noexcept;
  // The smallest first visible line (not below the fixed count) that still shows the
  // lines up to `last` completely; `last` itself when even it alone does not fit.
  int FirstShowingAtEnd(const Lines& lines, int last) const noexcept;

  int default_extent_;
  std::map<int, int> extents_;  // lines with an extent of their own
  int first_visible_;
  int client_extent_ = 0;
};

}  // namespace quillet
