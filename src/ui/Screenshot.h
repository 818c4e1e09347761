#pragma once

#include <QString>

class QWidget;

namespace ql50::ui {

// Writes a PNG of the widget as it is drawn now, creating the folder; false if it failed.
bool SaveScreenshot(QWidget* widget, const QString& path);

}  // namespace ql50::ui
