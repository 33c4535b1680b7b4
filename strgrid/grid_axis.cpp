#include "strgrid/grid_axis.h"

#include <algorithm>

namespace quillet {

namespace {
constexpr int kSizingRange = 7;  // pixels around a line end that grab it for resizing
}  // namespace

void TGridAxis::SetDefaultExtent(int value) {
  default_extent_ = std::max(value, 0);
  extents_.clear();
}

int TGridAxis::Extent(int line) const noexcept {
  const auto found = extents_.find(line);
  return found == extents_.end() ? default_extent_ : found->second;
}

void TGridAxis::SetExtent(int line, int value) {
  value = std::max(value, 0);
  if (value == default_extent_)
    extents_.erase(line);
  else
    extents_[line] = value;
}

std::int64_t TGridAxis::FixedBoundary(const Lines& lines, std::int64_t limit) const noexcept {
  std::int64_t sum = 0;
  for (int line = 0; line < lines.fixed && sum <= limit; ++line)
    sum += Extent(line) + lines.line_width;
  return sum;
}

std::int64_t TGridAxis::ScrolledExtent(const Lines& lines) const noexcept {
  return std::max<std::int64_t>(client_extent_ - FixedBoundary(lines, client_extent_), 0);
}

int TGridAxis::LineAt(const Lines& lines, int pos) const noexcept {
  const std::int64_t boundary = FixedBoundary(lines, pos);
  std::int64_t end = pos < boundary ? 0 : boundary;
  for (int line = pos < boundary ? 0 : first_visible_; line < lines.count; ++line) {
    end += Extent(line) + lines.line_width;
    if (pos < end) return line;
  }
  return -1;
}

int TGridAxis::SizingLineAt(const Lines& lines, int pos) const noexcept {
  int range = lines.line_width;
  int back = 0;
  if (range < kSizingRange) {
    range = kSizingRange;
    back = (kSizingRange - lines.line_width) / 2;
  }
  std::int64_t start = FixedBoundary(lines, client_extent_);
  for (int line = first_visible_; line < lines.count; ++line) {
    const std::int64_t end = start + Extent(line);  // before the line's grid line
    if (end > client_extent_)
      return client_extent_ - back <= pos && pos <= client_extent_ ? line : -1;
    if (end - back <= pos && pos <= end - back + range) return line;
    start = end + lines.line_width;
  }
  return -1;
}

int TGridAxis::LineStart(const Lines& lines, int line) const noexcept {
  if (line < 0 || line >= lines.count) return -1;
  if (line < lines.fixed) {
    std::int64_t start = 0;
    for (int k = 0; k < line; ++k) start += Extent(k) + lines.line_width;
    return static_cast<int>(std::min<std::int64_t>(start, INT32_MAX));
  }
  if (line < first_visible_) return -1;
  std::int64_t start = FixedBoundary(lines, client_extent_);
  for (int k = first_visible_; k < line && start < client_extent_; ++k)
    start += Extent(k) + lines.line_width;
  return start < client_extent_ ? static_cast<int>(start) : -1;
}

int TGridAxis::LastVisible(const Lines& lines) const noexcept {
  std::int64_t start = FixedBoundary(lines, client_extent_);
  int last = first_visible_;
  for (int line = first_visible_; line < lines.count && start < client_extent_; ++line) {
    last = line;
    start += Extent(line) + lines.line_width;
  }
  return last;
}

int TGridAxis::FirstShowingAtEnd(const Lines& lines, int last) const noexcept {
  const std::int64_t room = ScrolledExtent(lines);
  int first = last;
  std::int64_t used = Extent(last) + lines.line_width;
  while (first - 1 >= lines.fixed) {
    const std::int64_t more = Extent(first - 1) + lines.line_width;
    if (used + more > room) break;
    used += more;
    --first;
  }
  return first;
}

int TGridAxis::MaxFirstVisible(const Lines& lines) const noexcept {
  return std::max(FirstShowingAtEnd(lines, lines.count - 1), lines.fixed);
}

int TGridAxis::FirstVisibleShowing(const Lines& lines, int line) const noexcept {
  if (line < lines.fixed || line >= lines.count) return first_visible_;
  if (line <= first_visible_) return line;
  const std::int64_t room = ScrolledExtent(lines);
  std::int64_t used = 0;
  for (int k = first_visible_; k <= line && used <= room; ++k)
    used += Extent(k) + lines.line_width;
  if (used <= room) return first_visible_;  // already shown completely
  return FirstShowingAtEnd(lines, line);
}

}  // namespace quillet
