#include "strgrid/qt_clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QString>

#include <algorithm>

#include "runtime/code_page.h"

namespace quillet {

bool TQtClipboard::HasText() const {
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  return data != nullptr && data->hasText();
}

std::string TQtClipboard::Text() const {
  const std::u16string text = QGuiApplication::clipboard()->text().toStdU16String();
  std::string bytes = EncodeToCodePage(text);
  bytes.resize(std::min(bytes.size(), bytes.find('\0')));  // the text ends at its first NUL
  return bytes;
}

void TQtClipboard::SetText(std::string_view text) {
  QGuiApplication::clipboard()->setText(QString::fromStdU16String(DecodeFromCodePage(text)));
}

}  // namespace quillet
