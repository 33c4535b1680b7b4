#include "toolkit/about_box.h"

#include <QMessageBox>

#include "runtime/version.h"

namespace quillet {

QString AboutText(const QString& program, const QString& purpose) {
  return QStringLiteral("%1 %2\n\n%3").arg(program, QString::fromLatin1(Version()), purpose);
}

void ShowAboutBox(QWidget* parent, const QString& program, const QString& purpose) {
  QMessageBox::about(parent, QStringLiteral("About %1").arg(program), AboutText(program, purpose));
}

}  // namespace quillet
