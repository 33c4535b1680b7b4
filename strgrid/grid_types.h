#pragma once
// Small value types of the visible string grid: cell coordinates and rectangles, the grid's
// option set, mouse buttons and shift states, the grid's input state, navigation keys, and
// TGridHost, the interface through which a window toolkit lets the grid model reach focus,
// repainting and the cell editor, and hears of every change. None of this needs a window
// toolkit.

#include <cstdint>
#include <initializer_list>

namespace quillet {

// A cell: column X, row Y; -1 in a coordinate means "no cell" there.
struct TGridCoord {
  int X = 0;
  int Y = 0;
  friend bool operator==(const TGridCoord&, const TGridCoord&) = default;
};

// A block of cells, both corners included; a normalised rectangle has Left <= Right and
// Top <= Bottom.
struct TGridRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;
  friend bool operator==(const TGridRect&, const TGridRect&) = default;
};

// A set of the members of a small enumeration (at most 32), as one bit each.
template <typename E>
class TEnumSet {
 public:
  constexpr TEnumSet() noexcept = default;
  constexpr TEnumSet(std::initializer_list<E> members) noexcept {
    for (E member : members) Include(member);
  }
  constexpr bool Contains(E member) const noexcept { return (bits_ & Bit(member)) != 0; }
  constexpr TEnumSet& Include(E member) noexcept {
    bits_ |= Bit(member);
    return *this;
  }
  constexpr TEnumSet& Exclude(E member) noexcept {
    bits_ &= ~Bit(member);
    return *this;
  }
  constexpr bool Empty() const noexcept { return bits_ == 0; }
  friend constexpr bool operator==(TEnumSet, TEnumSet) noexcept = default;

 private:
  static constexpr std::uint32_t Bit(E member) noexcept {
    return std::uint32_t{1} << static_cast<unsigned>(member);
  }
  std::uint32_t bits_ = 0;
};

enum class TGridOption : std::uint8_t {
  goFixedVertLine,     // vertical lines between fixed cells
  goFixedHorzLine,     // horizontal lines between fixed cells
  goVertLine,          // vertical lines between scrolled cells
  goHorzLine,          // horizontal lines between scrolled cells
  goRangeSelect,       // Shift+arrows and dragging select a block
  goDrawFocusSelected, // the current cell is drawn selected too
  goRowSizing,         // row heights can be dragged in the fixed columns
  goColSizing,         // column widths can be dragged in the fixed rows
  goRowMoving,         // rows can be dragged to another place (not handled yet)
  goColMoving,         // columns can be dragged to another place (not handled yet)
  goEditing,           // cells can be edited in place
  goTabs,              // Tab and Shift+Tab move between cells
  goRowSelect,         // the whole row is selected
  goAlwaysShowEditor,  // accepted, treated like goEditing
  goThumbTracking,     // the view follows the scroll bar while it is dragged
};
using TGridOptions = TEnumSet<TGridOption>;

enum class TMouseButton : std::uint8_t { mbLeft, mbRight, mbMiddle };

enum class TShiftFlag : std::uint8_t {
  ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble
};
using TShiftState = TEnumSet<TShiftFlag>;

// What a pressed mouse button is doing: nothing, selecting cells, or resizing a line.
enum class TGridState : std::uint8_t { gsNormal, gsSelecting, gsRowSizing, gsColSizing };

// Keys that move the current cell (TStringGrid::KeyDown).
enum class TGridKey : std::uint8_t {
  gkLeft, gkRight, gkUp, gkDown, gkHome, gkEnd, gkPageUp, gkPageDown, gkTab
};

// What the grid model needs from the window that shows it, and what it tells it. Every
// function has the default of a grid that is not shown: focus always succeeds and nothing is
// drawn.
class TGridHost {
 public:
  virtual ~TGridHost() = default;
  // The grid's look changed (counts, fixed lines, current cell, selection, sizes, scrolling).
  virtual void GridChanged() {}
  // The text or object of cells changed: one written cell, or many moved by a sort or an
  // edit of whole lines.
  virtual void CellsChanged() {}
  virtual bool CanFocus() { return true; }
  virtual void SetFocus() {}
  // Whether the grid is the active control of its window.
  virtual bool IsActiveControl() { return true; }
  // The cell editor opens (`active`) or closes. On opening, `typed` is the character that
  // opened it (it replaces the cell's text) or 0 to edit the cell's text; on closing the
  // host writes the edited text into the current cell unless the edit was cancelled.
  virtual void EditorModeChanged(bool /*active*/, char /*typed*/) {}
};

}  // namespace quillet
