// Message boxes: the program's way of telling the user something, with an OK button only.
#pragma once

#include <QString>

class QWidget;

namespace ql50::ui {

// The application title, the caption of every message box that has none of its own.
QString AppTitle();

enum class Icon { None, Information, Warning, Error, Question };

// Shows text and waits until the user confirms it; returns kIdOk (1). Timers, received bytes
// and other windows' events go on being handled meanwhile. Without a parent the box is owned
// by the active modal dialog, if any; either way it blocks input to the rest of the program.
// The box is named "MessageBox" and its OK button "1", so tests find them. It opens clear of the
// area a KeepInView (Placement.h) keeps in view, if any.
int MessageBox(QWidget* parent, const QString& text, Icon icon = Icon::None,
               const QString& caption = {});

// As MessageBox, with a second button after OK that offers what to do next (named by `otherId`,
// so tests find it) and, below the text, a line that says what it does. Returns kIdOk, or
// otherId when the user pressed that button.
int ChoiceBox(QWidget* parent, const QString& text, const QString& offer,
              const QString& otherButton, int otherId);

// A system error report with a caption of its own and the error icon.
int ErrorBox(QWidget* parent, const QString& text, const QString& caption);

}  // namespace ql50::ui
