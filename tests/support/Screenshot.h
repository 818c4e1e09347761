// Pictures of windows as a user sees them, written to the build folder's screenshots/ for a
// look.
#pragma once

#include <QString>

class QWidget;

namespace ql50::test {

// Writes the widget's picture to <build>/screenshots/<name>.png; false if that failed.
bool Screenshot(QWidget* widget, const QString& name);

}  // namespace ql50::test
