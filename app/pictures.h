#pragma once
// The main window's pictures: the application icon and the glyphs of the Start and Exit
// buttons. They are 16-colour pixel art kept as XPM images in app/resources and compiled
// into the program, so nothing is loaded at run time.
//
// A glyph sheet is 32 x 16 pixels and holds two 16 x 16 images side by side: the left one
// is shown while the button is enabled, the right one (greyed) while it is disabled.

#include <QIcon>
#include <QPixmap>

namespace quillet {

// The application icon, 32 x 32 pixels.
QPixmap ApplicationIconPixmap();
// The glyph sheets of the Start and Exit buttons, 32 x 16 pixels each.
QPixmap StartGlyphSheet();
QPixmap ExitGlyphSheet();

// An icon from a glyph sheet: the left half as the normal image, the right half as the
// disabled image. Needs a sheet of 32 x 16 pixels (other sizes are split at half width).
QIcon GlyphIcon(const QPixmap& sheet);

}  // namespace quillet
