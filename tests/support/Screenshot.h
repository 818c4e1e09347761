// Pictures of windows as a user sees them, written to the build folder's screenshots/ for a
// look.
#pragma once

#include <QRect>
#include <QString>

class QWidget;

namespace ql50::test {

// Where the picture of this name goes: <build>/screenshots/<name>.png.
QString ScreenshotPath(const QString& name);
// Writes the widget's picture there; false if that failed.
bool Screenshot(QWidget* widget, const QString& name);
// Writes the picture of this part of the screen (global coordinates), every window on it as it
// lies over the others.
bool ScreenshotOfScreen(const QRect& area, const QString& name);

}  // namespace ql50::test
