// Turning one template row into a Qt widget, and reading and writing a control's text
// whatever its kind.
#pragma once

#include <QString>

#include "ui/DialogTemplate.h"

class QWidget;

namespace ql50::ui {

// The widget for one template row, with its id as objectName and accessible description.
// Geometry, radio groups and font are the dialog's business.
QWidget* CreateControl(const ControlTemplate& control, QWidget* parent);

// The control's id from its objectName, or -1.
int ControlId(const QWidget* control);

// The text a user sees in the control: a static's or button's caption, an edit's content, the
// selected entry of a list, a picker's text.
QString ControlText(const QWidget* control);

// Sets that text. A drop-down list or list box selects the entry with exactly this text (none
// if there is no such entry).
void SetControlText(QWidget* control, const QString& text);

// The control with this id inside window, not looking into other windows owned by it.
QWidget* FindControl(QWidget* window, int id);

}  // namespace ql50::ui
