#pragma once
// The About box of the programs' windows: the program's name with the version, and one line
// on what it does.

#include <QString>
#include <QWidget>

namespace quillet {

// The box's text: "<program> <version>" on the first line, `purpose` below.
QString AboutText(const QString& program, const QString& purpose);

// Shows the box over `parent`, modal, captioned "About <program>".
void ShowAboutBox(QWidget* parent, const QString& program, const QString& purpose);

}  // namespace quillet
