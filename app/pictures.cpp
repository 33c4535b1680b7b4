#include "app/pictures.h"

namespace quillet {
namespace {

#include "app/resources/exit_glyph.xpm"
#include "app/resources/quillet.xpm"
#include "app/resources/start_glyph.xpm"

QPixmap FromXpm(const char* const* xpm) { return QPixmap(xpm); }

}  // namespace

QPixmap ApplicationIconPixmap() { return FromXpm(quillet_xpm); }
QPixmap StartGlyphSheet() { return FromXpm(start_glyph_xpm); }
QPixmap ExitGlyphSheet() { return FromXpm(exit_glyph_xpm); }

QIcon GlyphIcon(const QPixmap& sheet) {
  const int half = sheet.width() / 2;
  QIcon icon;
  icon.addPixmap(sheet.copy(0, 0, half, sheet.height()), QIcon::Normal);
  icon.addPixmap(sheet.copy(half, 0, half, sheet.height()), QIcon::Disabled);
  return icon;
}

}  // namespace quillet
